#include "ZUTAVPushbtn.h"

#include <QMouseEvent>

ZUTAVPushbtn::ZUTAVPushbtn(QWidget* parent)
    : QPushButton(parent)
{
}

// Mouse events are ignored so that they travel on to the window, which is dragged by them.
void ZUTAVPushbtn::mousePressEvent(QMouseEvent* e)
{
    m_pressed = true;
    m_moved = false;
    e->ignore();
}

void ZUTAVPushbtn::mouseMoveEvent(QMouseEvent* e)
{
    m_moved = true;
    e->ignore();
}

void ZUTAVPushbtn::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = m_pressed && !m_moved;
    m_pressed = false;
    e->ignore();
    if (click)
        emit zurelease();
}

void ZUTAVPushbtn::enterEvent(QEvent* e)
{
    QPushButton::enterEvent(e);
    emit zuenter();
}

void ZUTAVPushbtn::leaveEvent(QEvent* e)
{
    QPushButton::leaveEvent(e);
    emit zuleave();
}
