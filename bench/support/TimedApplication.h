#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

// Adds up, while timing is on, the time the interface thread spends in queued calls (callNs), in painting
// (paintNs), in timer events, which drive the animations (timerNs), and in laying out (layoutNs). An event sent
// while another is handled counts with the outer one, so nothing is counted twice. Whatever else the thread does
// (the window system's events, the event loop itself) is in none of them: InterfaceClock counts everything.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* e) override
    {
        qint64* bucket = timing && m_depth == 0 ? bucketOf(e->type()) : nullptr;
        if (!bucket) {
            ++m_depth;
            const bool done = QApplication::notify(receiver, e);
            --m_depth;
            return done;
        }
        QElapsedTimer t;
        t.start();
        ++m_depth;
        const bool done = QApplication::notify(receiver, e);
        --m_depth;
        *bucket += t.nsecsElapsed();
        if (e->type() == QEvent::UpdateRequest)
            ++repaints;
        return done;
    }

    void resetCounts()
    {
        callNs = paintNs = timerNs = layoutNs = 0;
        repaints = 0;
    }

    bool timing = false;
    qint64 callNs = 0;
    qint64 paintNs = 0;
    qint64 timerNs = 0;
    qint64 layoutNs = 0;
    int repaints = 0; // windows repainted, each a frame handed to the window system

private:
    qint64* bucketOf(QEvent::Type type)
    {
        switch (type) {
        case QEvent::MetaCall:
            return &callNs;
        case QEvent::UpdateRequest:
        case QEvent::Paint:
            return &paintNs;
        case QEvent::Timer:
        case QEvent::ZeroTimerEvent:
            return &timerNs;
        case QEvent::LayoutRequest:
            return &layoutNs;
        default:
            return nullptr;
        }
    }

    int m_depth = 0;
};
