#include "ZUInputDlg.h"

#include "Singleton.h"
#include "ui_ZUInputBox.h"

ZUInputDlg* ZUInputDlg::getInstance()
{
    return TavSingleton<ZUInputDlg>::instance();
}

ZUInputDlg::ZUInputDlg()
    : ZUTAVDialogBase(nullptr)
    , ui(new Ui::ZUInputBox)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    ui->inputEdit->setTextMargins(10, 0, 0, 0);
    connect(ui->yesBtn, &QPushButton::clicked, this, &ZUInputDlg::yesBtnIsClicked);
    connect(ui->noBtn, &QPushButton::clicked, this, &ZUInputDlg::noBtnIsClicked);
    connect(ui->closeBtn, &QPushButton::clicked, this, &ZUInputDlg::closeBtnIsClicked);
    reset();
}

ZUInputDlg::~ZUInputDlg()
{
    delete ui;
}

void ZUInputDlg::setText(const QString& text, const QString& title)
{
    raise();
    ui->textLabel->setText(text);
    ui->titleLabel->setText(title);
}

void ZUInputDlg::setButtons(int flags)
{
    ui->closeBtn->setEnabled(true);
    ui->yesBtn->setVisible(flags & Yes);
    ui->noBtn->setVisible(flags & No);
    ui->closeBtn->setVisible(flags & Close);
}

void ZUInputDlg::setButtonText(int which, const QString& text)
{
    if (which == Yes)
        ui->yesBtn->setText(text);
    else if (which == No)
        ui->noBtn->setText(text);
}

void ZUInputDlg::setInputText(const QString& text)
{
    ui->inputEdit->setText(text);
}

QString ZUInputDlg::inputText() const
{
    return ui->inputEdit->text();
}

int ZUInputDlg::exec()
{
    // Only the buttons set a code, so a box closed any other way must not answer with an old one.
    m_result = Close;
    ZUTAVDialogBase::exec();
    return m_result;
}

void ZUInputDlg::setVisible(bool visible)
{
    if (!visible)
        reset();
    ZUTAVDialogBase::setVisible(visible);
}

void ZUInputDlg::yesBtnIsClicked()
{
    finish(Yes);
}

void ZUInputDlg::noBtnIsClicked()
{
    finish(No);
}

void ZUInputDlg::closeBtnIsClicked()
{
    finish(Close);
}

void ZUInputDlg::finish(int code)
{
    m_result = code;
    close();
}

void ZUInputDlg::reset()
{
    ui->yesBtn->setText(tr("确认"));
    ui->noBtn->setText(tr("取消"));
    ui->yesBtn->hide();
    ui->noBtn->hide();
    ui->closeBtn->setEnabled(false);
}
