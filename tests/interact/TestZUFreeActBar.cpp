#include "InteractTestSupport.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActBar_left.h"
#include "ZUFreeActBar_left_rush.h"
#include "ZUFreeActBar_right.h"
#include "ZUFreeFullWig.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTAVLPPushbtn.h"
#include "ZUTAVRandomStu.h"
#include "ZUTipDlg.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMovie>
#include <QScopedPointer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <unistd.h>

using namespace InteractTestSupport;

// The interaction bar's states under the centre button and every remote key, quick starts, the menu's
// defaults, and the random pick.
class TestZUFreeActBar : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void initTestCase();
    void init();
    void remoteKeyInEveryState_data();
    void remoteKeyInEveryState();
    void quickStarts_data();
    void quickStarts();
    void longPressSetsAndClearsTheDefault();
    void randomPickStoresTheDrawnStudent();
    void randomPickInAnEmptyClassDoesNothing();
    void randomPickEndsWhenItStartsThoughTheFileKeepsItWaiting();
    void noReceiverStartsNothing();
    void hostCoversOnlyItsVisibleChildren();
    void waitingInteractionWakesOnlyForItsClock();

private:
    void enterState(int state);
    void leaveRunningRounds();
    ZUFreeActBar* m_bar = nullptr;
};

void TestZUFreeActBar::initTestCase()
{
    QVERIFY(openReceiver());
    m_bar = ZUFreeActBar::getInstance();
    ZUTAVRandomStu::getInstance()->setIntervals(1, 1);
}

void TestZUFreeActBar::leaveRunningRounds()
{
    if (m_bar->freeState() == ZUFreeActSer::Running)
        ZUFreeActBar_left::getInstance()->stopRound();
    if (m_bar->freeState() == ZUFreeActSer::RushRunning)
        ZUFreeActBar_left_rush::getInstance()->on_end_clicked();
}

void TestZUFreeActBar::init()
{
    leaveRunningRounds();
    QVERIFY(freshLesson());
    m_bar->service()->setQuickStart(false);
    m_bar->showFreeBar();
    ZUFreeActBar_right::getInstance()->hide();
}

void TestZUFreeActBar::enterState(int state)
{
    ZUFreeActBar_right* menu = ZUFreeActBar_right::getInstance();
    if (state == ZUFreeActSer::Collapsed)
        return;
    m_bar->onCenterButton(false);
    if (state == ZUFreeActSer::Running || state == ZUFreeActSer::Ended)
        menu->simpleSelA_clicked();
    if (state == ZUFreeActSer::RushRunning || state == ZUFreeActSer::RushEnded)
        menu->rushA_clicked();
    if (state == ZUFreeActSer::Ended)
        ZUFreeActBar_left::getInstance()->stopRound();
    if (state == ZUFreeActSer::RushEnded)
        ZUFreeActBar_left_rush::getInstance()->on_end_clicked();
    if (state == ZUFreeActSer::Picking)
        m_bar->setFreeState(ZUFreeActSer::Picking);
    QCOMPARE(m_bar->freeState(), state);
}

void TestZUFreeActBar::remoteKeyInEveryState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("after");

    const QStringList keys { "power",       "mode", "question", "up",     "down", "ok",
                             "start/pause", "stop", "report",   "result", "f1" };
    // Where each key leads from each state; unlisted keys leave the state as it is.
    const QMap<int, QMap<QString, int>> moves {
        { 0, { { "power", 1 }, { "mode", 1 }, { "question", 1 } } },
        { 1, { { "power", 0 } } },
        { 2, { { "stop", 4 } } },
        { 3, { { "stop", 5 } } },
        { 4, { { "power", 1 }, { "start/pause", 2 } } },
        { 5, { { "power", 1 }, { "start/pause", 3 } } },
        { 6, {} },
    };
    for (int state = 0; state <= 6; ++state) {
        for (const QString& key : keys) {
            const QString name = QString("%1 %2").arg(state).arg(key);
            QTest::newRow(name.toUtf8().constData()) << state << key << moves.value(state).value(key, state);
        }
    }
}

void TestZUFreeActBar::remoteKeyInEveryState()
{
    QFETCH(int, state);
    QFETCH(QString, key);
    enterState(state);
    remote(key.toLatin1());
    QFETCH(int, after);
    QCOMPARE(m_bar->freeState(), after);
    if (state == ZUFreeActSer::Picking)
        m_bar->setFreeState(ZUFreeActSer::Menu);
}

void TestZUFreeActBar::quickStarts_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("title"); // of the running panel

    QTest::newRow("single") << "mode"
                            << "1" << 2 << "单项选择";
    QTest::newRow("multiple") << "mode"
                              << "2" << 2 << "多项选择";
    QTest::newRow("digit") << "mode"
                           << "3" << 2 << "数字作答";
    QTest::newRow("rush") << "mode"
                          << "4" << 3 << "";
    QTest::newRow("random picks nobody") << "mode"
                                         << "5" << 0 << "";
    QTest::newRow("unknown method") << "mode"
                                    << "9" << 0 << "";
    QTest::newRow("vote") << "question"
                          << "1" << 2 << "表决";
    QTest::newRow("evaluation") << "question"
                                << "3" << 2 << "评价";
}

void TestZUFreeActBar::quickStarts()
{
    QFETCH(QString, key);
    QFETCH(QString, setting);
    QFETCH(int, state);
    TAVMemInfo::getInstance()->configMap[key == "mode" ? "AnswerMethod" : "FeedbackType"] = setting;
    remote(key.toLatin1());
    QCOMPARE(m_bar->freeState(), state);
    QVERIFY(m_bar->service()->quickStart());
    QVERIFY(m_bar->isExpanded());
    QFETCH(QString, title);
    if (state == ZUFreeActSer::Running)
        QCOMPARE(ZUFreeActBar_left::getInstance()->title(), title);
    if (setting == "5")
        QVERIFY(qAbs(m_bar->window()->windowOpacity() - 0.85) < 0.01);
    QCOMPARE(count("select count(*) from TAV_InteractInfo where answerType = 4"), 0);
    if (state == ZUFreeActSer::Collapsed)
        return;

    // A quick start closes straight back to the small button.
    remote("stop");
    remote("power");
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Collapsed));
    QVERIFY(!m_bar->service()->quickStart());
    QVERIFY(!ZUFreeActBar_right::getInstance()->isVisible());
}

void TestZUFreeActBar::longPressSetsAndClearsTheDefault()
{
    enterState(ZUFreeActSer::Menu);
    ZUFreeActBar_right* menu = ZUFreeActBar_right::getInstance();
    QLabel* mark = menu->findChild<QLabel*>("start_t_label");
    QVERIFY(mark);
    emit menu->typeButton(2)->zulpress(menu->typeButton(2));
    QCOMPARE(text("select keyNalue from TAV_Config where keyName = 'AnswerMethod'"), QString("2"));
    QVERIFY(mark->isVisible());
    QCOMPARE(mark->geometry().right(), menu->typeButton(2)->geometry().right());
    emit menu->typeButton(2)->zulpress(menu->typeButton(2));
    QCOMPARE(text("select keyNalue from TAV_Config where keyName = 'AnswerMethod'"), QString("0"));
    QVERIFY(!mark->isVisible());
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Menu)); // a long press starts nothing
    remote("up");
    QCOMPARE(menu->focusIndex(), 8);
    remote("down");
    QCOMPARE(menu->focusIndex(), 1);
}

void TestZUFreeActBar::randomPickStoresTheDrawnStudent()
{
    useClass(8);
    enterState(ZUFreeActSer::Menu);
    ZUTAVRandomStu* window = ZUTAVRandomStu::getInstance();
    window->seed(1);
    // Pick until somebody other than the first student is drawn; every pick stores the student it showed.
    QStringList shown;
    QStringList stored;
    while (shown.size() < 20 && (shown.isEmpty() || shown.last() == "S1")) {
        ZUFreeActBar_right::getInstance()->randomA_clicked();
        QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Menu));
        QVERIFY(ZUFreeActBar_right::getInstance()->isVisible());
        QVERIFY(!window->isVisible());
        shown << window->shownName();
        const QString id = text("select dovaneID from TAV_StuResult order by stuResultID desc limit 1");
        stored << TAVMemInfo::getInstance()->studentMap.value(id).name;
    }
    QVERIFY(shown.last() != "S1");
    QCOMPARE(stored, shown);
    // Closed as it is stored; a starved machine may pass a second's turn between the two.
    QCOMPARE(count("select count(*) from TAV_InteractInfo where answerType = 4 and answer = '' and "
                   "endTime >= startTime and localRecordID = ?",
                   { kRecord }),
             shown.size());
    QCOMPARE(count("select count(*) from TAV_StuResult where result = ''"), shown.size());
    QVERIFY(Rf21xSimulator::instance()->commands().filter("startQuiz").isEmpty());
}

// Another program holds the file for a second and a half while the pick is stored: the pick is kept, not lost,
// and still ends when it starts.
void TestZUFreeActBar::randomPickEndsWhenItStartsThoughTheFileKeepsItWaiting()
{
    useClass(3);
    enterState(ZUFreeActSer::Menu);
    QSemaphore held;
    QSemaphore letGo;
    QScopedPointer<QThread> other(QThread::create([&held, &letGo] {
        DbTestSupport::FileLock lock;
        held.release();
        if (lock.isHeld())
            letGo.tryAcquire(1, kEventBoundMs);
    }));
    other->start();
    held.acquire();
    QElapsedTimer clock;
    clock.start();
    ZUFreeActBar_right::getInstance()->randomA_clicked();
    // The screen does not wait for the other program: the writer keeps the pick until the file takes it.
    QVERIFY2(!other->isFinished() && clock.elapsed() < kClickBoundMs, qPrintable(QString::number(clock.elapsed())));
    letGo.release();
    QVERIFY(other->wait(kEventBoundMs));
    QTRY_COMPARE_WITH_TIMEOUT(count("select count(*) from TAV_InteractInfo where answerType = 4"), 1, 30000);
    QCOMPARE(count("select count(*) from TAV_StuResult r join TAV_InteractInfo i on r.interactID = i.interactID "
                   "where i.answerType = 4"),
             1);
    QCOMPARE(text("select endTime from TAV_InteractInfo where answerType = 4"),
             text("select startTime from TAV_InteractInfo where answerType = 4"));
}

void TestZUFreeActBar::randomPickInAnEmptyClassDoesNothing()
{
    useClass(0);
    enterState(ZUFreeActSer::Menu);
    ZUFreeActBar_right::getInstance()->randomA_clicked();
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Menu));
    QVERIFY(ZUTAVAutoMsg::getInstance()->isVisible());
    QCOMPARE(count("select count(*) from TAV_InteractInfo"), 0);
    ZUTAVAutoMsg::getInstance()->hide();
}

void TestZUFreeActBar::noReceiverStartsNothing()
{
    enterState(ZUFreeActSer::Menu);
    Rf21xSimulator::instance()->unplug();
    QString message;
    ZURf228Api::getInstance()->pollDevice(message);
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    ZUFreeActBar_right::getInstance()->simpleSelA_clicked();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::lastText(), QString("无法获接收器信息，请检查接收器"));
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Menu));
    QCOMPARE(count("select count(*) from TAV_InteractInfo"), 0);
    Rf21xSimulator::instance()->plug();
    ZURf228Api::getInstance()->pollDevice(message);
}

void TestZUFreeActBar::hostCoversOnlyItsVisibleChildren()
{
    ZUFreeFullWig* host = ZUFreeFullWig::getInstance();
    const QRect collapsed = m_bar->geometry();
    m_bar->showFreeBar(); // entering again must not walk the small button across the screen
    QCOMPARE(m_bar->geometry(), collapsed);
    QCOMPARE(collapsed.size(), QSize(54, 54));
    QCOMPARE(host->childrenRegion(), QRegion(collapsed));
    enterState(ZUFreeActSer::Menu);
    QVERIFY(host->childrenRegion().contains(ZUFreeActBar_right::getInstance()->geometry().center()));
    QVERIFY(!host->childrenRegion().contains(QPoint(2, 2)));
}

// The writer thread ends with its connection before the test program does.
void TestZUFreeActBar::cleanupTestCase()
{
    TavWriteBehind::getInstance()->finish();
}

namespace {

// Timer and paint-request events the program receives, by the class of their receiver.
class WakeUpCounter : public QObject
{
public:
    WakeUpCounter() { qApp->installEventFilter(this); }
    ~WakeUpCounter() override { qApp->removeEventFilter(this); }
    int total() const
    {
        int sum = 0;
        for (int n : m_counts)
            sum += n;
        return sum;
    }
    QString byReceiver() const
    {
        QStringList parts;
        for (auto it = m_counts.begin(); it != m_counts.end(); ++it)
            parts << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
        return parts.join(QStringLiteral(", "));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Timer || event->type() == QEvent::UpdateRequest)
            ++m_counts[QStringLiteral("%1/%2").arg(QLatin1String(watched->metaObject()->className()),
                                                   event->type() == QEvent::Timer ? QStringLiteral("timer")
                                                                                  : QStringLiteral("paint"))];
        return false;
    }

private:
    QMap<QString, int> m_counts;
};

// This process's user and system CPU time in clock ticks, from /proc/self/stat.
qint64 processTicks()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

} // namespace

// Wake-ups a second and this process's share of one core over the given time, as an idle screen costs them.
struct Idle
{
    double wakeUps = 0;
    double cpuPercent = 0;
    QString receivers;
};

Idle idleFor(int ms)
{
    WakeUpCounter counter;
    const qint64 ticks = processTicks();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(ms);
    const double seconds = clock.elapsed() / 1000.0;
    return { counter.total() / seconds, (processTicks() - ticks) / double(sysconf(_SC_CLK_TCK)) / seconds * 100,
             counter.byReceiver() };
}

void TestZUFreeActBar::waitingInteractionWakesOnlyForItsClock()
{
    QMovie* act = nullptr;
    for (QMovie* movie : m_bar->findChildren<QMovie*>()) {
        if (movie->fileName().endsWith(QLatin1String("act.gif")))
            act = movie;
    }
    QVERIFY(act);
    const Idle floor = idleFor(3000); // the bar alone, collapsed
    QSignalSpy frames(act, &QMovie::frameChanged);
    // A whole turn shown: its last frame, then its first again.
    const auto turned = [&] {
        bool last = false;
        for (const QList<QVariant>& frame : frames) {
            if (frame.at(0).toInt() == act->frameCount() - 1)
                last = true;
            else if (last && frame.at(0).toInt() == 0)
                return true;
        }
        return false;
    };

    enterState(ZUFreeActSer::Running);
    // After its start the answering animation turns once, and rests when no answer came.
    QTRY_VERIFY_WITH_TIMEOUT(turned(), kEventBoundMs);
    QVERIFY2(act->state() == QMovie::Paused, "the answering animation turns on with no answer coming");
    QCOMPARE(act->currentFrameNumber(), 0);
    const Idle waiting = idleFor(3000);
    qInfo("collapsed bar: %.1f wake-ups/s, %.2f %% of a core; waiting interaction: %.1f wake-ups/s, %.2f %% of a "
          "core (%s)",
          floor.wakeUps, floor.cpuPercent, waiting.wakeUps, waiting.cpuPercent, qPrintable(waiting.receivers));
    // The clock's second and its repaint; the animation alone woke the program 26 times a second.
    QVERIFY2(waiting.wakeUps <= 3, qPrintable(waiting.receivers));

    // An answer turns it again.
    frames.clear();
    QVERIFY(press({ { 1, "A" } }));
    QCOMPARE(act->state(), QMovie::Running);
    QTRY_VERIFY_WITH_TIMEOUT(turned(), kEventBoundMs);
    QCOMPARE(act->state(), QMovie::Paused);
    ZUFreeActBar_left::getInstance()->on_end_clicked();
    QCOMPARE(act->state(), QMovie::NotRunning);
}

TAV_DB_TEST_MAIN(TestZUFreeActBar)
#include "TestZUFreeActBar.moc"
