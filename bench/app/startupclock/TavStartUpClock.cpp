// Loaded into a TAV started by BenchStartUp (QT_PLUGIN_PATH to this folder's build, QT_QPA_GENERIC_PLUGINS=
// tavstartupclock, TAV_BENCH_CLOCK naming a file): appends "painted <ms since the epoch>" to that file when the
// login dialog is first painted, "toolbar <ms since the epoch>" when the tool bar shows, and "freeze <ms>" once the
// tool bar has been painted and the interface thread has come back to its event loop: the longest time from the
// first paint of the login dialog in which the interface thread took nothing from its event loop (a timer of its
// own that asks every few milliseconds goes unserved). With the slowed fsync preloaded (libtav-slow-fsync.so) it
// adds "fsyncs <count> <ms>": the fsyncs the interface thread made in that time, and how long they took. It answers
// the question whether to log in offline with yes, as the teacher would. It quits the program once a file of the
// same name with ".quit" appears, as the teacher's exit would, so that the run ends cleanly.
#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QGenericPlugin>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <dlfcn.h>

namespace {
class StartUpClock : public QObject
{
public:
    explicit StartUpClock(const QString& file)
        : m_file(file)
    {
        auto* timer = new QTimer(this);
        timer->setInterval(20);
        connect(timer, &QTimer::timeout, this, [this] {
            if (QFile::exists(m_file + QStringLiteral(".quit")))
                QCoreApplication::quit();
            answerOfflineQuestion();
        });
        timer->start();
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(kTickMs);
        connect(&m_tick, &QTimer::timeout, this, [this] {
            m_longest = qMax(m_longest, m_sinceTick.restart());
            if (m_toolbarPainted)
                finish();
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_painted && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->window()->inherits("ZULoginDlg")) {
            m_painted = true;
            note("painted " + QByteArray::number(QDateTime::currentMSecsSinceEpoch()));
            m_fsyncsBefore = fsyncCalls();
            m_fsyncNsBefore = fsyncNs();
            m_sinceTick.start();
            m_tick.start();
        }
        if (m_painted && !m_shown && event->type() == QEvent::Show && watched->isWidgetType()
            && watched->inherits("ZUToolBarDlg")) {
            m_shown = true;
            note("toolbar " + QByteArray::number(QDateTime::currentMSecsSinceEpoch()));
        }
        if (m_shown && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->window()->inherits("ZUToolBarDlg"))
            m_toolbarPainted = true;
        return false;
    }

private:
    static constexpr int kTickMs = 5;

    using Counter = long long (*)();
    static long long fsyncCalls() { return call("tavSlowFsyncMainThreadCalls"); }
    static long long fsyncNs() { return call("tavSlowFsyncMainThreadNs"); }
    static long long call(const char* name)
    {
        const auto counter = reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, name));
        return counter ? counter() : -1;
    }

    static void answerOfflineQuestion()
    {
        QWidget* box = QApplication::activeModalWidget();
        const auto* text = box ? box->findChild<QLabel*>(QStringLiteral("textLabel")) : nullptr;
        auto* yes = box ? box->findChild<QAbstractButton*>(QStringLiteral("yesBtn")) : nullptr;
        if (text && yes && box->isVisible() && text->text().contains(QStringLiteral("离线方式登录")))
            yes->click();
    }

    void finish()
    {
        m_tick.stop();
        m_toolbarPainted = false;
        QByteArray lines = "freeze " + QByteArray::number(m_longest);
        if (fsyncCalls() >= 0)
            lines += "\nfsyncs " + QByteArray::number(fsyncCalls() - m_fsyncsBefore) + ' '
                + QByteArray::number((fsyncNs() - m_fsyncNsBefore) / 1000000);
        note(lines);
    }

    void note(const QByteArray& line)
    {
        QFile file(m_file);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(line + '\n');
    }

    QString m_file;
    bool m_painted = false;
    bool m_shown = false;
    bool m_toolbarPainted = false;
    long long m_fsyncsBefore = 0;
    long long m_fsyncNsBefore = 0;
    QTimer m_tick;
    QElapsedTimer m_sinceTick;
    qint64 m_longest = 0;
};
} // namespace

class TavStartUpClock : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "TavStartUpClock.json")
public:
    QObject* create(const QString&, const QString&) override
    {
        auto* clock = new StartUpClock(QFile::decodeName(qgetenv("TAV_BENCH_CLOCK")));
        qApp->installEventFilter(clock);
        return clock;
    }
};

#include "TavStartUpClock.moc"
