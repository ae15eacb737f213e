// The binding screen's road through set-id replies and key presses of the simulated receiver.
#include "RosterTestSupport.h"

#include "ZUStuLinkDlg.h"
#include "ZUStuLinkFlow.h"
#include "ZUStuLinkSer.h"
#include "ZUTipDlg.h"

#include <QLabel>
#include <QPushButton>

using namespace RosterTestSupport;
using Flow = ZUStuLinkFlow;

namespace {
// Waits for the simulated receiver's threads, which a busy machine may hold up for a while.
const int kWaitMs = 20000;
// The flow's timers do not tick by themselves within a test: a test that needs a tile to run out of time ticks
// it on (runOutOfTime), so no step races a timer.
const int kManualTicks = 600000;
} // namespace

class TestZUStuLinkFlow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TavWebService m_service;
    Rf21xSimulator* m_sim = Rf21xSimulator::instance();
    Flow m_flow;

    // The first n students of class 101, without keypads, are the roster.
    void unboundRoster(int n)
    {
        QVector<StudentInfoRow>& list = TAVMemInfo::getInstance()->studentList;
        list.resize(n);
        for (StudentInfoRow& student : list)
            student.sn.clear();
        m_flow.loadTiles(101);
    }

    bool armed(int index) const
    {
        return QTest::qWaitFor(
            [this, index] { return m_flow.state() == Flow::SettingId && m_flow.currentIndex() == index; }, kWaitMs);
    }

    bool commandSent(const QString& command) const { return m_sim->commands().contains(command); }

    // The receiver was told to take keys again (single choice: any key binds) after the command.
    bool listensAfter(const QString& command) const
    {
        const QStringList sent = m_sim->commands();
        const int at = sent.lastIndexOf(command);
        return at >= 0 && sent.indexOf("startQuiz 2 -1 -1 1", at) > at;
    }

    // The key-press step's ticks run out now, as its timer would let them.
    void runOutOfTime()
    {
        for (int i = 0;
             i <= Flow::kStartTicks && (m_flow.state() == Flow::WaitingKey || m_flow.state() == Flow::Requesting); ++i)
            m_flow.pushTick();
    }

    QList<int> looks() const
    {
        QList<int> list;
        for (const Flow::Tile& tile : m_flow.tiles())
            list << tile.look;
        return list;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(startDemoService(m_service));
        QVERIFY(startSimulatedReceiver(m_dir));
        ZUHdManager* hd = ZUHdManager::getInstance();
        connect(hd, &ZUHdManager::sendSetIdData, &m_flow, &Flow::setIdReceived);
        connect(hd, &ZUHdManager::sendStudentData, &m_flow, &Flow::keyReceived);
    }

    void init()
    {
        QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
        QVERIFY(demoLesson(m_service, "rf228"));
        TAVMemInfo::getInstance()->configMap.clear();
        m_sim->clearCommands();
        m_flow.setActive(true);
        m_flow.setTickInterval(kManualTicks);
        m_flow.setKeypadBinder([](const QString& user, const QString& id, const QString& station, const QString& sn) {
            return ZUStuLinkSer::getInstance()->bindStuSn(user, id, station, sn);
        });
        QVERIFY(m_flow.reset());
        m_flow.loadTiles(101);
        QVERIFY(m_flow.isMatch());
        QCOMPARE(m_flow.boundCount(), 10);
    }

    void cleanup()
    {
        if (m_flow.state() != Flow::Idle)
            m_flow.reset();
        QVERIFY(dialogsAnswered());
    }

    void fastBinding_data()
    {
        QTest::addColumn<QStringList>("replies"); // per tile: "key" (Success, then a key), "Fail", "silent"
        QTest::addColumn<QList<int>>("looks");
        QTest::newRow("every keypad answers")
            << QStringList({ "key", "key", "key" }) << QList<int> { Flow::Suc, Flow::Suc, Flow::Suc };
        QTest::newRow("second refuses its number")
            << QStringList({ "key", "Fail", "key" }) << QList<int> { Flow::Suc, Flow::Default, Flow::Suc };
        QTest::newRow("second never presses")
            << QStringList({ "key", "silent", "key" }) << QList<int> { Flow::Suc, Flow::Default, Flow::Suc };
    }

    void fastBinding()
    {
        QFETCH(QStringList, replies);
        QFETCH(QList<int>, looks);
        unboundRoster(3);
        QCOMPARE(m_flow.firstUnbound(), 0);
        m_flow.startBinding(0, true);
        for (int i = 0; i < replies.size(); ++i) {
            QVERIFY2(armed(i), qPrintable(QString::number(i)));
            const QString id = m_flow.tiles().at(i).dovaneID;
            QVERIFY(commandSent("setKeypadId " + id));
            QCOMPARE(m_flow.tiles().at(i).look, int(Flow::Fn));
            m_sim->pushSetIdReply(replies.at(i) == "Fail" ? "Fail" : "Success");
            if (replies.at(i) == "Fail")
                continue;
            QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::WaitingKey), kWaitMs);
            QCOMPARE(m_flow.tiles().at(i).look, int(Flow::Sign));
            QVERIFY(listensAfter("setKeypadId " + id));
            if (replies.at(i) == "silent")
                runOutOfTime();
            else
                m_sim->pushKey(60 + i, "A");
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::Idle), kWaitMs);
        QCOMPARE(this->looks(), looks);
        QCOMPARE(m_flow.boundCount(), looks.count(Flow::Suc));
        // Bound or not, the local tables and the web service hold the same keypad for each student.
        const QMap<QString, QString> service = serviceKeypads(m_service);
        for (int i = 0; i < replies.size(); ++i) {
            const QString id = m_flow.tiles().at(i).dovaneID;
            QCOMPARE(localKeypad(id), service.value(id));
            if (looks.at(i) == Flow::Suc)
                QCOMPARE(localKeypad(id), QString("%1@%2").arg(60 + i).arg(kStation));
        }
    }

    // The binding's sounds go through the program's one player: they play where there is a sound output, and
    // where there is none they do not reach Qt's audio at all.
    void bindingSoundsGoThroughTheOnePlayer_data()
    {
        QTest::addColumn<bool>("output");
        QTest::addColumn<QString>("reply"); // to the keypad's new number: "Success" (then a key) or "Fail"
        QTest::addColumn<QStringList>("heard");
        QTest::newRow("bound") << true << "Success" << QStringList({ "FN+5.wav", "Success.wav" });
        QTest::newRow("number refused") << true << "Fail" << QStringList("Fault.wav");
        QTest::newRow("bound, no sound output") << false << "Success" << QStringList();
        QTest::newRow("number refused, no sound output") << false << "Fail" << QStringList();
    }

    void bindingSoundsGoThroughTheOnePlayer()
    {
        QFETCH(bool, output);
        QFETCH(QString, reply);
        QFETCH(QStringList, heard);
        QVERIFY(soundOn("ISBinding", "FN+5.wav"));
        QVERIFY(soundOn("BindingSuc", "Success.wav"));
        QVERIFY(soundOn("Bindingfai", "Fault.wav"));
        HeardSounds sounds(output);
        unboundRoster(1);
        m_flow.startBinding(0, false);
        QVERIFY(armed(0));
        m_sim->pushSetIdReply(reply.toLatin1());
        if (reply == "Success") {
            QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::WaitingKey), kWaitMs);
            m_sim->pushKey(33, "B");
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::Idle), kWaitMs);
        QCOMPARE(sounds.files(), heard);
        QCOMPARE(HeardSounds::qtPlayers(), 0);
    }

    // During the key-press step any keypad is taken, also one a classmate holds.
    void classmatesKeypadMovesToTheStudent()
    {
        m_flow.startBinding(0, false);
        QVERIFY(armed(0));
        QCOMPARE(m_flow.boundCount(), 9); // the armed tile is not counted
        m_sim->pushSetIdReply("Success");
        QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::WaitingKey), kWaitMs);
        m_sim->pushKey(5, "C");
        QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::Idle), kWaitMs);
        QCOMPARE(m_flow.tiles().at(0).sn, QString("5"));
        QCOMPARE(m_flow.tiles().at(0).look, int(Flow::Suc));
        QCOMPARE(m_flow.tiles().at(4).sn, QString());
        QCOMPARE(m_flow.tiles().at(4).look, int(Flow::Default));
        QCOMPARE(m_flow.boundCount(), 9);
        QCOMPARE(localKeypad("2024080105"), QString("@"));
        QCOMPARE(serviceKeypads(m_service).value("2024080105"), QString("@"));
        QCOMPARE(localKeypad("2024080101"), serviceKeypads(m_service).value("2024080101"));
    }

    // The tile runs out of time while the web service is asked. Meanwhile a fast binding goes on with the next
    // tile, whose keypad takes its number: the late reply records its own binding and leaves the next tile's
    // key-press step as it is, running to a key or to its own time-out.
    void replyAfterTheTileTimedOut_data()
    {
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("then"); // "" (single binding), "key" or "time-out" of the next tile
        for (const bool taken : { false, true }) {
            const QString reply = taken ? "taken, " : "refused, ";
            QTest::newRow(qPrintable(reply + "single")) << taken << "";
            QTest::newRow(qPrintable(reply + "next tile pressed")) << taken << "key";
            QTest::newRow(qPrintable(reply + "next tile runs out")) << taken << "time-out";
        }
    }

    void replyAfterTheTileTimedOut()
    {
        QFETCH(bool, taken);
        QFETCH(QString, then);
        const bool autoNext = !then.isEmpty();
        unboundRoster(2);
        auto calls = std::make_shared<int>(0);
        m_flow.setKeypadBinder(
            [this, calls, taken, autoNext](const QString&, const QString&, const QString&, const QString&) {
                if (++*calls > 1)
                    return int(ZUStuLinkSer::Success);
                runOutOfTime();
                if (autoNext && m_flow.state() == Flow::SettingId)
                    m_flow.setIdReceived(SetIdInfo { "Success" });
                return taken ? int(ZUStuLinkSer::Success) : int(ZUStuLinkSer::Failure);
            });
        m_flow.startBinding(0, autoNext);
        QVERIFY(armed(0));
        m_sim->pushSetIdReply("Success");
        QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::WaitingKey), kWaitMs);
        m_sim->pushKey(33, "B");
        QTRY_COMPARE_WITH_TIMEOUT(*calls, 1, kWaitMs);
        QCOMPARE(m_flow.tiles().at(0).look, taken ? int(Flow::Suc) : int(Flow::Default));
        QCOMPARE(localKeypad("2024080101"), taken ? QString("33@RF21X00001") : QString("1@RF21X00001"));
        QCOMPARE(m_flow.boundCount(), taken ? 1 : 0);
        if (!autoNext) {
            QCOMPARE(m_flow.state(), int(Flow::Idle)); // the screen can close again
            return;
        }
        QCOMPARE(m_flow.state(), int(Flow::WaitingKey));
        QCOMPARE(m_flow.currentIndex(), 1);
        QCOMPARE(m_flow.tiles().at(1).look, int(Flow::Sign));
        if (then == "key") {
            m_sim->pushKey(34, "B");
            QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::Idle), kWaitMs);
            QCOMPARE(m_flow.tiles().at(1).sn, QString("34"));
            QCOMPARE(m_flow.tiles().at(1).look, int(Flow::Suc));
        } else {
            // The next tile's own timer still counts its key-press step down.
            const int countdown = m_flow.tiles().at(1).countdown;
            m_flow.setTickInterval(5);
            QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::Idle), kWaitMs);
            QVERIFY(countdown > 0);
            QCOMPARE(m_flow.tiles().at(1).look, int(Flow::Default));
            QCOMPARE(m_flow.tiles().at(1).sn, QString());
        }
    }

    // The receiver went and the screen closed while the web service was asked: the reply still records the
    // binding, and the teacher state keeps the roster of the class in use, not the bound one's.
    void replyAfterTheScreenClosed()
    {
        TAVMemInfo* mem = TAVMemInfo::getInstance();
        mem->currentClass = mem->classMap.value(102);
        m_flow.setKeypadBinder([this](const QString&, const QString&, const QString&, const QString&) {
            m_flow.reset();
            m_flow.setActive(false);
            return int(ZUStuLinkSer::Success);
        });
        m_flow.startBinding(0, false);
        QVERIFY(armed(0));
        m_sim->pushSetIdReply("Success");
        QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::WaitingKey), kWaitMs);
        m_sim->pushKey(33, "B");
        QTRY_COMPARE_WITH_TIMEOUT(localKeypad("2024080101"), QString("33@RF21X00001"), kWaitMs);
        QCOMPARE(m_flow.state(), int(Flow::Idle));
        QVERIFY(!mem->studentList.isEmpty());
        for (const StudentInfoRow& student : mem->studentList)
            QCOMPARE(student.classID, 102);
    }

    void studentIdThatIsNoKeypadNumber_data()
    {
        QTest::addColumn<QString>("id");
        for (const char* id : { "abc", "0", "-3", "99999999999", "" })
            QTest::newRow(id[0] ? id : "empty") << QString(id);
    }

    void studentIdThatIsNoKeypadNumber()
    {
        QFETCH(QString, id);
        TAVMemInfo::getInstance()->studentList[0].dovaneID = id;
        unboundRoster(2);
        m_flow.startBinding(0, true);
        QVERIFY(armed(1));
        QCOMPARE(m_flow.tiles().at(0).look, int(Flow::Default));
        QVERIFY(commandSent("setKeypadId 2024080102"));
        for (const QString& command : m_sim->commands())
            QVERIFY2(!command.startsWith("setKeypadId") || command == "setKeypadId 2024080102", qPrintable(command));
        m_flow.requestStop();
        m_sim->pushSetIdReply("Fail");
        QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::Idle), kWaitMs);
    }

    void teacherKeypad_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::newRow("bound") << "Success";
        QTest::newRow("refused") << "Fail";
        QTest::newRow("no reply") << "";
    }

    void teacherKeypad()
    {
        QFETCH(QString, reply);
        QSignalSpy finished(&m_flow, &Flow::teacherBindFinished);
        QCOMPARE(m_flow.bindTeacher(), Flow::TeacherStarted);
        QVERIFY(commandSent("setKeypadId 0"));
        QCOMPARE(m_flow.state(), int(Flow::TeacherId));
        if (reply.isEmpty()) {
            // The teacher closed the prompt: the screen is not left waiting for ever.
            m_flow.teacherPromptClosed();
            QCOMPARE(m_flow.state(), int(Flow::Idle));
            return;
        }
        m_sim->pushSetIdReply(reply.toLatin1());
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(finished.first().first().toBool(), reply == "Success");
        QCOMPARE(m_flow.state(), int(Flow::Idle));
    }

    void teacherKeypadWaitsForTheStudentBinding()
    {
        m_flow.startBinding(0, false);
        QVERIFY(armed(0));
        QCOMPARE(m_flow.bindTeacher(), Flow::Busy);
        QVERIFY(!commandSent("setKeypadId 0"));
    }

    void stopInTheKeypadIdStep_data()
    {
        QTest::addColumn<bool>("reply");
        QTest::newRow("the receiver replies") << true;
        QTest::newRow("the receiver stays silent") << false;
    }

    void stopInTheKeypadIdStep()
    {
        QFETCH(bool, reply);
        m_flow.startBinding(2, false);
        QVERIFY(armed(2));
        if (!reply)
            m_flow.setTickInterval(10); // the stop waits 15 ticks for the reply
        m_flow.requestStop();
        QCOMPARE(m_flow.state(), int(Flow::Stopping));
        if (reply)
            m_sim->pushSetIdReply("Success");
        QTRY_COMPARE_WITH_TIMEOUT(m_flow.state(), int(Flow::Idle), kWaitMs);
        QCOMPARE(m_flow.tiles().at(2).look, int(Flow::Suc));
        QCOMPARE(m_flow.boundCount(), 10);
        QVERIFY(!commandSent("startQuiz 2 -1 -1 1"));
    }

    void classOfAnotherReceiver()
    {
        TAVMemInfo::getInstance()->classMap[101].stationSn = "RF-OLD";
        m_flow.loadTiles(101);
        QVERIFY(!m_flow.isMatch());
        QCOMPARE(m_flow.boundCount(), 0);
        QCOMPARE(looks().count(Flow::Default), 10);
        QVERIFY(m_flow.bindClass());
        QCOMPARE(m_flow.boundCount(), 10);
        QCOMPARE(looks().count(Flow::Suc), 10);
        QCOMPARE(m_service.requestsTo("/tav/fastenMachine/tavClasReceiverBinding").size(), 1);
    }

    // In demo mode the simulated keypad confirms its number, presses a key, and answers under that number later.
    void demoKeypadBindsItselfAndKeepsItsNumber()
    {
        m_sim->setAutoKeypads(1);
        unboundRoster(1);
        m_flow.startBinding(0, false);
        QTRY_COMPARE_WITH_TIMEOUT(m_flow.tiles().at(0).look, int(Flow::Suc), kWaitMs);
        QCOMPARE(m_flow.tiles().at(0).sn, QString("2024080101"));
        QCOMPARE(serviceKeypads(m_service).value("2024080101"), QString("2024080101@RF21X00001"));

        m_sim->setAutoAnswerDelay(0, 10);
        QSignalSpy keys(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData);
        QVERIFY(ZURf228Api::getInstance()->startSingleQuiz(-1));
        QTRY_COMPARE_WITH_TIMEOUT(keys.size(), 2, kWaitMs);
        QSet<int> keypads;
        for (const QList<QVariant>& key : keys)
            keypads.insert(key.first().value<StudentInfo>().keypadId);
        QCOMPARE(keypads, QSet<int>({ 1, 2024080101 }));
        m_sim->setAutoKeypads(0);
    }

    // The screen: closing waits for the binding, and gives the roster of the class in use back.
    void screenRefusesToCloseWhileBinding()
    {
        ZUStuLinkDlg* screen = ZUStuLinkDlg::getInstance();
        screen->flow()->setTickInterval(kManualTicks);
        screen->onShow();
        QVERIFY(screen->isVisible());
        QCOMPARE(screen->items().size(), 10);
        QCOMPARE(screen->findChild<QLabel*>("BindingdNumLbl")->text(), QString("10"));
        QVERIFY(!screen->findChild<QPushButton*>("StuBindingBtn")->isEnabled());

        screen->onItemClicked(screen->items().at(1));
        QTRY_COMPARE_WITH_TIMEOUT(screen->flow()->state(), int(Flow::SettingId), kWaitMs);
        QCOMPARE(screen->findChild<QPushButton*>("StuBindingBtn")->text(), QString("学生机绑定停止"));
        QVERIFY(screen->findChild<QPushButton*>("StuBindingBtn")->isEnabled()); // the binding can be stopped
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_sim->pushTeacherKey("power");
        QVERIFY(DialogAnswerer::waitUntilAnswered(kWaitMs));
        QCOMPARE(DialogAnswerer::lastText(), QString("正在绑定，请停止绑定后再关闭。"));
        QVERIFY(screen->isVisible());

        m_sim->pushSetIdReply("Fail");
        QTRY_COMPARE_WITH_TIMEOUT(screen->flow()->state(), int(Flow::Idle), kWaitMs);
        TAVMemInfo::getInstance()->studentList.clear();
        screen->on_StuLinkCloseBtn_clicked();
        QVERIFY(!screen->isVisible());
        QCOMPARE(TAVMemInfo::getInstance()->studentList.size(), 10);
    }
};

TAV_DB_TEST_MAIN(TestZUStuLinkFlow)
#include "TestZUStuLinkFlow.moc"
