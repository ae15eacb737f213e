#include "ZUTAVDialogBase.h"

#include <QKeyEvent>
#include <QMouseEvent>

ZUTAVDialogBase::ZUTAVDialogBase(QWidget* parent)
    : QDialog(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
}

bool ZUTAVDialogBase::event(QEvent* e)
{
    // Our windows have no title bar, so Escape would make them vanish with no way back.
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
        return true;
    return QDialog::event(e);
}

void ZUTAVDialogBase::mousePressEvent(QMouseEvent* e)
{
    m_dragging = true;
    m_windowPos = pos();
    m_pressGlobalPos = e->globalPos();
    m_offset = m_pressGlobalPos - m_windowPos;
}

void ZUTAVDialogBase::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

void ZUTAVDialogBase::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_dragging)
        return;
    move(e->globalPos() - m_offset);
    emit dlgMove();
}
