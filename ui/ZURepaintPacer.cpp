#include "ZURepaintPacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

ZURepaintPacer::ZURepaintPacer(QWidget* window, int intervalMs)
    : QObject(window)
    , m_window(window)
    , m_interval(intervalMs)
{
    m_due.setSingleShot(true);
    m_due.setTimerType(Qt::PreciseTimer);
    connect(&m_due, &QTimer::timeout, this, &ZURepaintPacer::repaintNow);
    window->installEventFilter(this);
}

bool ZURepaintPacer::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != m_window || e->type() != QEvent::UpdateRequest)
        return QObject::eventFilter(watched, e);
    if (!m_last.isValid() || m_last.elapsed() >= m_interval) {
        m_last.restart();
        return false;
    }
    // Held back: the window asks for no other repaint until this one has been delivered.
    if (!m_due.isActive())
        m_due.start(int(m_interval - m_last.elapsed()));
    return true;
}

void ZURepaintPacer::repaintNow()
{
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(m_window, &request);
}
