#include "DialogAnswerer.h"

#include "ZUInputDlg.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QQueue>
#include <QTimer>

namespace {

enum class Kind { Tip, Input, AutoMsg, Modal, Hold };

struct Answer
{
    Kind kind;
    int button = 0;
    QString text;
    std::function<void(QWidget*)> custom;
    QDeadlineTimer deadline;
    std::function<bool()> ready;
};

struct State
{
    QQueue<Answer> queue;
    QPointer<QTimer> timer;
    int timeoutMs = 30000;
    int failures = 0;
    int answered = 0;
    QString lastTitle;
    QString lastText;
};

State& state()
{
    static State s;
    return s;
}

QString labelText(QWidget* box, const char* name)
{
    auto* label = box->findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QString();
}

QWidget* targetOf(const Answer& a)
{
    switch (a.kind) {
    case Kind::Tip:
        return ZUTipDlg::getInstance();
    case Kind::Input:
        return ZUInputDlg::getInstance();
    case Kind::AutoMsg:
        return ZUTAVAutoMsg::getInstance();
    case Kind::Modal:
        return QApplication::activeModalWidget();
    case Kind::Hold:
        break;
    }
    return nullptr;
}

bool isUp(const Answer& a, QWidget* box)
{
    if (!box || !box->isVisible())
        return false;
    // A passing notice is not the question the test wants to answer.
    if (a.kind == Kind::AutoMsg)
        return box->isModal();
    return true;
}

const char* buttonName(Kind kind, int button)
{
    if (kind == Kind::AutoMsg)
        return button == ZUTAVAutoMsg::Confirm ? "confirmBtn" : "cancelBtn";
    switch (button) {
    case ZUTipDlg::Yes:
        return "yesBtn";
    case ZUTipDlg::No:
        return "noBtn";
    default:
        return "closeBtn";
    }
}

void give(const Answer& a, QWidget* box)
{
    State& s = state();
    s.lastTitle = labelText(box, "titleLabel");
    s.lastText = labelText(box, "textLabel");
    ++s.answered;

    if (a.kind == Kind::Modal) {
        a.custom(box);
        return;
    }
    if (a.kind == Kind::Input) {
        if (auto* edit = box->findChild<QLineEdit*>(QStringLiteral("inputEdit")))
            edit->setText(a.text);
    }
    if (a.button == DialogAnswerer::CloseOtherwise) {
        box->close();
        return;
    }
    auto* button = box->findChild<QAbstractButton*>(QLatin1String(buttonName(a.kind, a.button)));
    if (!button || !button->isVisible() || !button->isEnabled()) {
        qWarning("****DialogAnswerer: the box does not offer button %d, closing it instead", a.button);
        ++s.failures;
        box->close();
        return;
    }
    button->click();
}

void tick();

void arm()
{
    State& s = state();
    if (!s.timer) {
        s.timer = new QTimer(qApp);
        s.timer->setSingleShot(true);
        s.timer->setInterval(10);
        QObject::connect(s.timer, &QTimer::timeout, tick);
    }
    if (!s.queue.isEmpty() && !s.timer->isActive())
        s.timer->start();
}

void tick()
{
    State& s = state();
    if (s.queue.isEmpty())
        return;
    const Answer& head = s.queue.head();
    QWidget* box = targetOf(head);
    if (head.kind == Kind::Hold) {
        if (head.ready()) {
            s.queue.dequeue();
        } else if (head.deadline.hasExpired()) {
            qWarning("****DialogAnswerer: what the answers waited for never came");
            ++s.failures;
            s.queue.dequeue();
        }
    } else if (isUp(head, box)) {
        const Answer a = s.queue.dequeue();
        give(a, box);
    } else if (head.deadline.hasExpired()) {
        qWarning("****DialogAnswerer: the expected box never showed");
        ++s.failures;
        s.queue.dequeue();
    }
    arm();
}

void enqueue(Answer a)
{
    State& s = state();
    a.deadline = QDeadlineTimer(s.timeoutMs);
    s.queue.enqueue(a);
    arm();
}

} // namespace

namespace DialogAnswerer {

void answerNextTipDlg(int button)
{
    enqueue(Answer { Kind::Tip, button, QString(), {}, {}, {} });
}

void answerNextInput(const QString& text, int button)
{
    enqueue(Answer { Kind::Input, button, text, {}, {}, {} });
}

void answerNextAutoMsg(int button)
{
    enqueue(Answer { Kind::AutoMsg, button, QString(), {}, {}, {} });
}

void answerNextModal(const std::function<void(QWidget*)>& answer)
{
    enqueue(Answer { Kind::Modal, 0, QString(), answer, {}, {} });
}

void holdUntil(const std::function<bool()>& ready)
{
    enqueue(Answer { Kind::Hold, 0, QString(), {}, {}, ready });
}

void setTimeout(int ms)
{
    state().timeoutMs = ms;
}

bool waitUntilAnswered(int timeoutMs)
{
    if (state().queue.isEmpty())
        return true;
    QEventLoop loop;
    QTimer poll;
    QDeadlineTimer deadline(timeoutMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (state().queue.isEmpty() || deadline.hasExpired())
            loop.quit();
    });
    poll.start(10);
    loop.exec();
    return state().queue.isEmpty();
}

int pendingCount()
{
    return state().queue.size();
}

int failures()
{
    return state().failures;
}

void clear()
{
    State& s = state();
    s.queue.clear();
    s.failures = 0;
    s.answered = 0;
    s.lastTitle.clear();
    s.lastText.clear();
}

QString lastTitle()
{
    return state().lastTitle;
}

QString lastText()
{
    return state().lastText;
}

int answeredCount()
{
    return state().answered;
}

} // namespace DialogAnswerer
