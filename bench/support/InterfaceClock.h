#pragma once

// What the interface benchmarks share: the interface thread's CPU time with everything counted (queued calls,
// timers and the animations they drive, layout, painting), the classroom screen they must run on, and waiting
// for the screen to settle.
#include "BenchSupport.h"
#include "ZUFormFrame.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPixmap>
#include <QScreen>
#include <QSize>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <functional>
#include <time.h>

namespace InterfaceClock {

// A classroom's projected screen; smaller screens paint less and would flatter every figure.
const QSize kClassroomScreen(1920, 1080);

// CPU time the calling thread has used so far, in nanoseconds.
inline qint64 threadCpuNs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The interface thread's CPU time and the wall time since start(); read it from the interface thread only.
class Clock
{
public:
    void start()
    {
        Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
        m_cpu = threadCpuNs();
        m_wall.start();
    }
    qint64 cpuNs() const { return threadCpuNs() - m_cpu; }
    qint64 wallNs() const { return m_wall.nsecsElapsed(); }

private:
    qint64 m_cpu = 0;
    QElapsedTimer m_wall;
};

// Before the application object: a benchmark without a display would fall back to Qt's small offscreen screen.
// False, having said how to run the program on one, when there is none.
inline bool hasDisplay(QTextStream& out, const char* program)
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    out << "No display: run it as bench/on-xvfb.sh " << program << "\n";
    return false;
}

// True on a primary screen of at least 1920 x 1080; otherwise says how to get one, on the given stream.
inline bool onClassroomScreen(QTextStream& out)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize();
    if (screen && size.width() >= kClassroomScreen.width() && size.height() >= kClassroomScreen.height())
        return true;
    out << "This benchmark measures what a teacher gets and needs a screen of at least " << kClassroomScreen.width()
        << " x " << kClassroomScreen.height() << "; the primary screen here is " << size.width() << " x "
        << size.height() << " (platform " << QGuiApplication::platformName() << ").\n"
        << "Run it on a private Xvfb: bench/on-xvfb.sh " << QCoreApplication::applicationFilePath() << " ...\n";
    out.flush();
    return false;
}

// The program's look: its pictures, which the screens name as "images:..." or relative to the working folder,
// and its style sheet, which every widget then paints through. Both lie beside the benchmark as beside the
// program. False without the style sheet.
inline bool useTheProgramsLook()
{
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    ZUFormFrame::usePictureFolder(QCoreApplication::applicationDirPath());
    QFile file(QCoreApplication::applicationDirPath() + "/ZUTAVApplication.qss");
    if (!file.open(QIODevice::ReadOnly))
        return false;
    qApp->setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}

// After the application object: the program's debug lines kept out of the report, the classroom screen and the
// program's look; false, having said why, when one of them is missing.
inline bool readyToMeasure(QTextStream& out)
{
    BenchSupport::hideDebugLines();
    if (!onClassroomScreen(out))
        return false;
    if (!useTheProgramsLook()) {
        out << "the program's style sheet is missing beside the benchmark\n";
        return false;
    }
    return true;
}

// Saves what the primary screen shows; false when it could not be written.
inline bool saveScreen(const QString& fileName)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->grabWindow(0).save(fileName, "PNG");
}

// Runs the event loop until done() holds, looking every 20 ms, or until timeoutMs has passed; false on the
// time-out. Looking more often would itself cost the interface thread time.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done() || t.elapsed() > timeoutMs)
            loop.quit();
    });
    look.start(20);
    if (!done())
        loop.exec();
    return done();
}

// Runs the event loop for ms milliseconds, as an idle interface would.
inline void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace InterfaceClock
