// Loaded into a TAV started by a test (QT_PLUGIN_PATH to this folder's build, QT_QPA_GENERIC_PLUGINS=tavboxanswerer):
// confirms every modal box the program shows, as a teacher would, and writes its title and text into the
// program's own log, so the test reads them in order with the start-up lines. Once a file "test-quit" appears in
// the program's folder it ends the program as the teacher's exit does; once "test-close" appears it clicks the
// login dialog's × through the window system's input queue. It also logs the texts of the login dialog's
// "fileInUseLabel" as it is shown and hidden, and the longest time the interface thread took nothing from its
// event loop from the login dialog's first paint to the login's input panel, the tool bar or the end, and the
// longest while that label was shown.
#include "WindowInput.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDebug>
#include <QElapsedTimer>
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

bool asked(const char* name)
{
    return QFile::exists(QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name));
}

QWidget* loginDialog()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->inherits("ZULoginDlg") && window->isVisible())
            return window;
    }
    return nullptr;
}

void answerModalBox()
{
    // Asked again at every tick: a quit that meets a nested event loop only ends that loop.
    if (asked("test-quit"))
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

class LoginWatch : public QObject
{
public:
    LoginWatch()
    {
        auto* timer = new QTimer(this);
        timer->setInterval(20);
        connect(timer, &QTimer::timeout, this, [this] {
            answerModalBox();
            clickCloseWhenAsked();
        });
        timer->start();
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(kTickMs);
        connect(&m_tick, &QTimer::timeout, this, [this] {
            const qint64 gap = m_sinceTick.restart();
            m_longest = qMax(m_longest, gap);
            if (m_labelShown)
                m_longestWaiting = qMax(m_longestWaiting, gap);
        });
        connect(qApp, &QCoreApplication::aboutToQuit, this, &LoginWatch::stopWatch);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (!m_painted && event->type() == QEvent::Paint && widget->window()->inherits("ZULoginDlg")) {
            m_painted = true;
            m_sinceTick.start();
            m_tick.start();
        }
        if (event->type() == QEvent::Show
            && (widget->objectName() == QLatin1String("inputPanel") || widget->inherits("ZUToolBarDlg")))
            stopWatch();
        // The label is hidden once as it is made, before anyone saw it.
        if (widget->objectName() == QLatin1String("fileInUseLabel")) {
            if (event->type() == QEvent::ShowToParent) {
                m_labelShown = true;
                qDebug().noquote() << QStringLiteral("test shown: ") + static_cast<QLabel*>(widget)->text();
            } else if (event->type() == QEvent::HideToParent && m_labelShown) {
                m_labelShown = false;
                qDebug().noquote() << QStringLiteral("test hidden: fileInUseLabel");
                noteWaiting();
            }
        }
        return false;
    }

private:
    static constexpr int kTickMs = 5;

    void noteWaiting()
    {
        qDebug().noquote() << QStringLiteral("test longest freeze while waiting: %1 ms").arg(m_longestWaiting);
    }

    void stopWatch()
    {
        if (m_labelShown) {
            m_longestWaiting = qMax(m_longestWaiting, m_sinceTick.elapsed());
            noteWaiting();
        }
        if (!m_tick.isActive())
            return;
        m_tick.stop();
        m_longest = qMax(m_longest, m_sinceTick.elapsed());
        qDebug().noquote() << QStringLiteral("test longest freeze: %1 ms").arg(m_longest);
    }

    void clickCloseWhenAsked()
    {
        if (m_closeClicked || !asked("test-close"))
            return;
        QWidget* dialog = loginDialog();
        auto* close = dialog ? dialog->findChild<QAbstractButton*>(QStringLiteral("cancelBtn")) : nullptr;
        m_closeClicked = close && WindowInput::click(close);
        if (m_closeClicked)
            qDebug() << "test clicked ×";
    }

    bool m_painted = false;
    bool m_closeClicked = false;
    bool m_labelShown = false;
    QTimer m_tick;
    QElapsedTimer m_sinceTick;
    qint64 m_longest = 0;
    qint64 m_longestWaiting = 0; // while the label says why the start waits
};
} // namespace

class TavBoxAnswerer : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "TavBoxAnswerer.json")
public:
    QObject* create(const QString&, const QString&) override
    {
        auto* watch = new LoginWatch;
        qApp->installEventFilter(watch);
        return watch;
    }
};

#include "TavBoxAnswerer.moc"
