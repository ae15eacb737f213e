#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

// Adds up, while timing is on, the time the interface thread spends in queued calls (callNs) and in painting
// (paintNs).
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* e) override
    {
        const bool call = e->type() == QEvent::MetaCall;
        const bool paint = e->type() == QEvent::UpdateRequest || e->type() == QEvent::Paint;
        if (!timing || (!call && !paint))
            return QApplication::notify(receiver, e);
        QElapsedTimer t;
        t.start();
        const bool done = QApplication::notify(receiver, e);
        (call ? callNs : paintNs) += t.nsecsElapsed();
        return done;
    }

    bool timing = false;
    qint64 callNs = 0;
    qint64 paintNs = 0;
};
