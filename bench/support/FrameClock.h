#pragma once

// When the frames of one window reach the screen, found by the window's object name, so that a window that does
// not exist yet when the clock starts (one the click itself builds) is timed too. Each paint of a widget of that
// window is followed, once the update that caused it (every widget of the window painted, the result flushed) is
// done, by a round trip to the X server, which has then drawn the frame, and a note of the wall time and of the
// interface thread's CPU time since start().
#include "InterfaceClock.h"
#include "XRoundTrip.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>

class FrameClock : public QObject
{
public:
    explicit FrameClock(const QString& windowName)
        : m_windowName(windowName)
    {
        qApp->installEventFilter(this);
    }
    ~FrameClock() override { qApp->removeEventFilter(this); }

    void start()
    {
        m_lastEndNs = m_lastCpuNs = -1;
        m_started = true;
        m_clock.start();
    }

    // Runs the event loop until the window has been painted and nothing more of it was painted for quietMs, at
    // most timeoutMs in all; false when it was never painted.
    bool settle(int quietMs = 300, int timeoutMs = 10000)
    {
        QElapsedTimer idle;
        idle.start();
        qint64 seen = -2;
        while (m_clock.wallNs() < qint64(timeoutMs) * 1000000) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            if (m_lastEndNs != seen) {
                seen = m_lastEndNs;
                idle.restart();
            } else if (m_lastEndNs >= 0 && idle.elapsed() > quietMs) {
                break;
            }
        }
        return m_lastEndNs >= 0;
    }

    // From start() to the end of the window's last frame: wall time and the interface thread's CPU time, in ms.
    double wallMs() const { return m_lastEndNs / 1e6; }
    double cpuMs() const { return m_lastCpuNs / 1e6; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && !m_pending && m_started && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->window()->objectName() == m_windowName) {
            m_pending = true;
            QTimer::singleShot(0, this, [this] {
                m_pending = false;
                XRoundTrip::wait();
                m_lastEndNs = m_clock.wallNs();
                m_lastCpuNs = m_clock.cpuNs();
            });
        }
        return false;
    }

private:
    const QString m_windowName;
    InterfaceClock::Clock m_clock;
    bool m_started = false;
    bool m_pending = false;
    qint64 m_lastEndNs = -1;
    qint64 m_lastCpuNs = -1;
};
