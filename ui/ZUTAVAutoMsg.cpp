#include "ZUTAVAutoMsg.h"

#include "Singleton.h"
#include "ZURichText.h"
#include "ui_ZUTAVAutoMsg.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHideEvent>
#include <QIcon>
#include <QLayout>
#include <QScreen>

ZUTAVAutoMsg* ZUTAVAutoMsg::getInstance()
{
    return TavSingleton<ZUTAVAutoMsg>::instance();
}

ZUTAVAutoMsg::ZUTAVAutoMsg()
    : ZUTAVDialogBase(nullptr)
    , ui(new Ui::ZUTAVAutoMsg)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setWindowIcon(QIcon(QCoreApplication::applicationDirPath() + QStringLiteral("/Resources/images/TAV.ico")));
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &ZUTAVAutoMsg::timeout);
    reset();
}

ZUTAVAutoMsg::~ZUTAVAutoMsg()
{
    delete ui;
}

void ZUTAVAutoMsg::showMessage(const QString& title, const QString& text, int seconds, bool imageVisible)
{
    setContent(text);
    showCounting(title, seconds, imageVisible);
}

void ZUTAVAutoMsg::showMessage(const QString& title, const ZURichText& text, int seconds, bool imageVisible)
{
    setContent(text);
    showCounting(title, seconds, imageVisible);
}

void ZUTAVAutoMsg::showCounting(const QString& title, int seconds, bool imageVisible)
{
    setImageVisible(imageVisible);
    // A notice that closes by itself replaces a question still open: the question's buttons go with it.
    ui->confirmBtn->hide();
    ui->cancelBtn->hide();
    ui->titleLabel->setText(title);
    startCountdown(seconds);
    fitContent();
    show();
    raise();
}

void ZUTAVAutoMsg::fitContent()
{
    // A notice of one line without buttons is a small box, not a large empty one.
    ui->textLabel->setAlignment(ui->imageLabel->isHidden() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    // The layouts keep the sizes of the previous text until the event loop runs: the box is sized for this one.
    for (QLayout* inner : findChildren<QLayout*>())
        inner->activate();
    adjustSize();
    // adjustSize stops at two thirds of the screen; a long prompt may take the whole of it.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(size().expandedTo(sizeHint().boundedTo(screen->availableSize())));
}

void ZUTAVAutoMsg::setTitle(const QString& text)
{
    ui->titleLabel->setText(text);
}

void ZUTAVAutoMsg::setContent(const QString& text)
{
    ui->textLabel->setTextFormat(Qt::PlainText);
    ui->textLabel->setWordWrap(true);
    ui->textLabel->setText(text);
}

void ZUTAVAutoMsg::setContent(const ZURichText& text)
{
    // A prompt of the program's own keeps its lines as written, so the box grows to show it whole.
    ui->textLabel->setWordWrap(false);
    text.showIn(ui->textLabel);
}

void ZUTAVAutoMsg::setImageVisible(bool visible)
{
    ui->imageLabel->setVisible(visible);
}

void ZUTAVAutoMsg::showConfirmButton()
{
    ui->confirmBtn->show();
}

void ZUTAVAutoMsg::showCancelButton()
{
    ui->cancelBtn->show();
}

int ZUTAVAutoMsg::exec()
{
    m_result = Cancel;
    // A passing notice's countdown must not close the question that now reuses the window.
    m_timer.stop();
    if (isVisible()) {
        // Re-shown modally below; the content just prepared must survive.
        m_keepContentOnHide = true;
        ZUTAVDialogBase::hide();
        m_keepContentOnHide = false;
    }
    // Without a button the teacher could not dismiss the message at all (Escape is ignored); a waiting
    // prompt may still be closed earlier by its caller through showMessage.
    if (ui->confirmBtn->isHidden() && ui->cancelBtn->isHidden())
        ui->cancelBtn->show();
    fitContent();
    ZUTAVDialogBase::exec();
    return m_result;
}

void ZUTAVAutoMsg::startCountdown(int seconds)
{
    m_countdown = seconds;
    m_timer.start();
}

void ZUTAVAutoMsg::timeout()
{
    --m_countdown;
    if (m_countdown > 0)
        return;
    m_timer.stop();
    reset();
    m_result = Cancel;
    close();
}

void ZUTAVAutoMsg::on_confirmBtn_clicked()
{
    reset();
    m_result = Confirm;
    close();
}

void ZUTAVAutoMsg::on_cancelBtn_clicked()
{
    reset();
    m_result = Cancel;
    close();
}

void ZUTAVAutoMsg::hideEvent(QHideEvent* e)
{
    // The countdown belongs to the notice it was started for, and the next use starts clean
    // even when this one was closed without its buttons.
    if (!e->spontaneous()) {
        m_timer.stop();
        if (!m_keepContentOnHide)
            reset();
    }
    ZUTAVDialogBase::hideEvent(e);
}

void ZUTAVAutoMsg::reset()
{
    ui->confirmBtn->hide();
    ui->cancelBtn->hide();
    ui->titleLabel->clear();
    setContent(QString());
}
