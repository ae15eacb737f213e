#include "ZUTipDlg.h"

#include "Singleton.h"
#include "ui_ZUTAVMsgBox.h"

ZUTipDlg* ZUTipDlg::getInstance()
{
    return TavSingleton<ZUTipDlg>::instance();
}

int ZUTipDlg::execApart(const QString& text, const QString& title, int flags, int icon)
{
    ZUTipDlg box;
    box.setButtons(flags, icon);
    box.setText(text, title);
    return box.exec();
}

ZUTipDlg::ZUTipDlg()
    : ZUTAVDialogBase(nullptr)
    , ui(new Ui::ZUTAVMsgBox)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(ui->yesBtn, &QPushButton::clicked, this, &ZUTipDlg::yesBtnIsClicked);
    connect(ui->noBtn, &QPushButton::clicked, this, &ZUTipDlg::noBtnIsClicked);
    connect(ui->closeBtn, &QPushButton::clicked, this, &ZUTipDlg::closeBtnIsClicked);
    reset();
}

ZUTipDlg::~ZUTipDlg()
{
    delete ui;
}

void ZUTipDlg::setText(const QString& text, const QString& title)
{
    raise();
    ui->textLabel->setText(text);
    ui->titleLabel->setText(title);
}

void ZUTipDlg::setButtons(int flags, int icon)
{
    ui->closeBtn->setEnabled(true);
    if (flags & Yes)
        ui->yesBtn->show();
    if (flags & No)
        ui->noBtn->show();
    switch (icon) {
    case 0:
        ui->iconLabel->setStyleSheet(QStringLiteral("image: url(images:MsgBox/tav_msgbox_icon.png);"));
        break;
    case 1:
        ui->iconLabel->setStyleSheet(QStringLiteral("image: url(images:MsgBox/tav_msgbox_icon_s.png);"));
        break;
    default:
        ui->iconLabel->setStyleSheet(QString());
        break;
    }
}

void ZUTipDlg::setButtonText(int which, const QString& text)
{
    if (which == Yes)
        ui->yesBtn->setText(text);
    else if (which == No)
        ui->noBtn->setText(text);
}

int ZUTipDlg::exec()
{
    // Only the buttons set a code, so a box closed any other way must not answer with an old one.
    m_result = Close;
    ZUTAVDialogBase::exec();
    return m_result;
}

void ZUTipDlg::setVisible(bool visible)
{
    if (!visible)
        reset();
    ZUTAVDialogBase::setVisible(visible);
}

void ZUTipDlg::yesBtnIsClicked()
{
    finish(Yes);
}

void ZUTipDlg::noBtnIsClicked()
{
    finish(No);
}

void ZUTipDlg::closeBtnIsClicked()
{
    finish(Close);
}

void ZUTipDlg::finish(int code)
{
    m_result = code;
    close();
}

void ZUTipDlg::reset()
{
    ui->yesBtn->setText(tr("确认"));
    ui->noBtn->setText(tr("取消"));
    ui->yesBtn->hide();
    ui->noBtn->hide();
    ui->closeBtn->setEnabled(false);
}
