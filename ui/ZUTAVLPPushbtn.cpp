#include "ZUTAVLPPushbtn.h"

ZUTAVLPPushbtn::ZUTAVLPPushbtn(QWidget* parent)
    : QPushButton(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &ZUTAVLPPushbtn::timeout);
}

void ZUTAVLPPushbtn::mousePressEvent(QMouseEvent* e)
{
    m_ticks = 0;
    m_timer.start(longPressMs);
    QPushButton::mousePressEvent(e);
}

void ZUTAVLPPushbtn::timeout()
{
    ++m_ticks;
    if (m_ticks == 1) {
        m_timer.stop();
        emit zulpress(this);
    }
}

void ZUTAVLPPushbtn::mouseReleaseEvent(QMouseEvent* e)
{
    if (m_timer.isActive()) {
        m_timer.stop();
        emit zupress();
    }
    QPushButton::mouseReleaseEvent(e);
}
