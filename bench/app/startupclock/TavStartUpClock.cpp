// Loaded into a TAV started by BenchStartUp (QT_PLUGIN_PATH to this folder's build, QT_QPA_GENERIC_PLUGINS=
// tavstartupclock, TAV_BENCH_CLOCK naming a file): appends "painted <ms since the epoch>" to that file when the
// login dialog is first painted, and quits the program once a file of the same name with ".quit" appears, as the
// teacher's exit would, so that the run ends cleanly.
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QGenericPlugin>
#include <QTimer>
#include <QWidget>

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
        });
        timer->start();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_painted && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->window()->inherits("ZULoginDlg")) {
            m_painted = true;
            QFile file(m_file);
            if (file.open(QIODevice::WriteOnly | QIODevice::Append))
                file.write("painted " + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '\n');
        }
        return false;
    }

private:
    QString m_file;
    bool m_painted = false;
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
