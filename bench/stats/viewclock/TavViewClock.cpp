// Loaded into a TAV started by hand (QT_PLUGIN_PATH=build/bench-bin/plugins QT_QPA_GENERIC_PLUGINS=tavviewclock)
// to time its quiz result views as a teacher meets them: from the release of the button that opens a view to
// the end of the view's first paint, and to the end of its last one once nothing more comes (a sliding window
// paints until its slide ends), each end taken once the X server has handled the frame (a round trip after the
// paint). One line per opening on standard error, e.g.
//   view clock: TestAnalyBtn -> ZUPaperAnalyDlg first: painted 71.2 ms, settled 73.0 ms
// The program itself is not changed: the clock only watches its events.
#include "XRoundTrip.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QGenericPlugin>
#include <QMap>
#include <QMouseEvent>
#include <QPointer>
#include <QSet>
#include <QTextStream>
#include <QTimer>

namespace {
// The buttons that open result windows, with the object names of the windows each may open: the run screens'
// six, the paper analysis's details buttons and the detail popup's tabs.
const QMap<QString, QStringList> kOpeners {
    { "TestAnalyBtn", { "ZUPaperAnalyDlg" } },
    { "StuInteractBtn", { "ZUStuRankingDlg" } },
    { "ChartBtn", { "ZUExamSGraphDlg", "ZUExamMGraphDlg" } },
    { "TableBtn", { "ZUExamSTableDlg", "ZUExamMTableDlg" } },
    { "PersonBtn", { "ZUTAVStatisticalTableDialog" } },
    { "ExplanationBtn", { "ZUExplanationDlg" } },
    { "detailsBtn", { "ZUSubjectDlg" } },
    { "AnyBtn", { "ZUSubjectDlg" } },
    { "DetBtn", { "ZUSubjectDlg" } },
    { "ExpBtn", { "ZUSubjectDlg" } },
};

// The window among views that the object belongs to, by object name; empty when none.
QString viewOf(QObject* object, const QStringList& views)
{
    for (QObject* o = object; o; o = o->parent()) {
        if (views.contains(o->objectName()))
            return o->objectName();
    }
    return QString();
}
} // namespace

class ViewClock : public QObject
{
public:
    ViewClock()
    {
        m_quiet.setSingleShot(true);
        m_quiet.setInterval(400);
        connect(&m_quiet, &QTimer::timeout, this, &ViewClock::report);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonRelease && qobject_cast<QAbstractButton*>(watched)
            && kOpeners.contains(watched->objectName())) {
            m_button = watched->objectName();
            m_views = kOpeners.value(m_button);
            m_view.clear();
            m_firstEnd = m_lastEnd = -1;
            m_clock.start();
        } else if (e->type() == QEvent::Paint && m_clock.isValid() && !m_pending) {
            const QString view = viewOf(watched, m_views);
            if (!view.isEmpty() && (m_view.isEmpty() || view == m_view)) {
                m_view = view;
                m_pending = true;
                // Once the update that paints it (every widget of the window, then the flush) is done.
                QTimer::singleShot(0, this, [this] {
                    m_pending = false;
                    XRoundTrip::wait();
                    m_lastEnd = m_clock.nsecsElapsed();
                    if (m_firstEnd < 0)
                        m_firstEnd = m_lastEnd;
                    m_quiet.start();
                });
            }
        }
        return false;
    }

private:
    void report()
    {
        // First: the first time this button opened this window in the process.
        const QString opening = m_button + m_view;
        const bool first = !m_opened.contains(opening);
        m_opened.insert(opening);
        QTextStream(stderr) << "view clock: " << m_button << " -> " << m_view << (first ? " first" : " again")
                            << ": painted " << QString::number(m_firstEnd / 1e6, 'f', 1) << " ms, settled "
                            << QString::number(m_lastEnd / 1e6, 'f', 1) << " ms\n";
        m_clock.invalidate();
    }

    QElapsedTimer m_clock;
    QTimer m_quiet;
    QString m_button;
    QStringList m_views;
    QString m_view;
    QSet<QString> m_opened;
    bool m_pending = false;
    qint64 m_firstEnd = -1;
    qint64 m_lastEnd = -1;
};

class TavViewClock : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "TavViewClock.json")
public:
    QObject* create(const QString&, const QString&) override
    {
        auto* clock = new ViewClock;
        qApp->installEventFilter(clock);
        return clock;
    }
};

#include "TavViewClock.moc"
