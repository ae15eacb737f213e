#include "ZUFreeActSer.h"

ZUFreeActSer::ZUFreeActSer(QObject* parent)
    : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &ZUFreeActSer::__resetTimeOut);
}

void ZUFreeActSer::setState(int state)
{
    m_state = state;
    if (state == Menu) {
        m_countdown = 3;
        m_timer.start(collapseTickMs);
    } else {
        m_timer.stop();
    }
}

void ZUFreeActSer::__resetTimeOut()
{
    if (--m_countdown > 0)
        return;
    m_timer.stop();
    emit collapseDue();
}

ZUFreeActSer::Centre ZUFreeActSer::centreAction() const
{
    switch (m_state) {
    case Collapsed:
        return Centre::OpenMenu;
    case Menu:
        return Centre::CloseMenu;
    case Ended:
    case RushEnded:
        return m_quick ? Centre::CloseQuick : Centre::CloseToMenu;
    default:
        return Centre::Nothing;
    }
}

ZUFreeActSer::Quick ZUFreeActSer::quickAnswer(const QString& answerMethod)
{
    static const Quick kByValue[]
        = { Quick::OpenMenu, Quick::Single, Quick::Multiple, Quick::Digit, Quick::Rush, Quick::Random };
    bool ok = false;
    const int value = answerMethod.toInt(&ok);
    return ok && QString::number(value) == answerMethod && value >= 0 && value <= 5 ? kByValue[value] : Quick::Nothing;
}

ZUFreeActSer::Quick ZUFreeActSer::quickFeedback(const QString& feedbackType)
{
    static const Quick kByValue[] = { Quick::OpenMenu, Quick::Vote, Quick::YesNo, Quick::Evaluate };
    bool ok = false;
    const int value = feedbackType.toInt(&ok);
    return ok && QString::number(value) == feedbackType && value >= 0 && value <= 3 ? kByValue[value] : Quick::Nothing;
}
