// Loaded into a TAV started by a test (QT_PLUGIN_PATH to this folder's build, QT_QPA_GENERIC_PLUGINS=tavboxanswerer):
// confirms every modal box the program shows, as a teacher would, and writes its title and text into the
// program's own log, so the test reads them in order with the start-up lines. Once a file "test-quit" appears in
// the program's folder it ends the program as the teacher's exit does.
#include <QAbstractButton>
#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QGenericPlugin>
#include <QLabel>
#include <QTimer>

namespace {
QString labelText(const QWidget* box, const char* name)
{
    const auto* label = box->findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QString();
}

void answerModalBox()
{
    // Asked again at every tick: a quit that meets a nested event loop only ends that loop.
    if (QFile::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/test-quit")))
        QCoreApplication::quit();
    QWidget* box = QApplication::activeModalWidget();
    if (!box || !box->isVisible())
        return;
    qDebug().noquote() << QStringLiteral("test answered box: ") + labelText(box, "titleLabel") + QStringLiteral(" / ")
            + labelText(box, "textLabel");
    auto* yes = box->findChild<QAbstractButton*>(QStringLiteral("yesBtn"));
    if (yes && yes->isVisible())
        yes->click();
    else
        box->close();
}
} // namespace

class TavBoxAnswerer : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "TavBoxAnswerer.json")
public:
    QObject* create(const QString&, const QString&) override
    {
        auto* timer = new QTimer;
        timer->setInterval(20);
        QObject::connect(timer, &QTimer::timeout, answerModalBox);
        timer->start();
        return timer;
    }
};

#include "TavBoxAnswerer.moc"
