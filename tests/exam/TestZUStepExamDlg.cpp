// The question-by-question run screen driven as a teacher does, with the mouse and the remote, over a paper
// of three questions (B; A|B|C; AC) and a class of four: its states and controls, navigation, zoom, the counts
// of answering students, the receiver checks, every result button with the data it hands over, and the quiz
// saved when the teacher leaves.
#include "DialogAnswerer.h"
#include "ExamTestSupport.h"
#include "FullDisk.h"
#include "InterfaceWatch.h"
#include "PaperPictureStore.h"
#include "TavSideRecord.h"
#include "ToolbarTestSupport.h"
#include "ZUExamMem.h"
#include "ZUHdManager.h"
#include "ZUStepExamDlg.h"
#include "ZUStepExamSer.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QScreen>

using namespace ExamTestSupport;
using DbTestSupport::committedValue;

namespace {
const QStringList kControls { "StartExamBtn",   "SuspendExamBtn", "StopExamBtn", "ExitExamBtn", "TestAnalyBtn",
                              "StuInteractBtn", "ExplanationBtn", "ChartBtn",    "TableBtn",    "PersonBtn" };
} // namespace

class TestZUStepExamDlg : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    RecordingViews m_views;
    Rf21xSimulator* m_sim = nullptr;
    ZUStepExamSer* m_ser = ZUStepExamSer::getInstance();
    ZUStepExamDlg* m_dlg = nullptr;

    void actAll(const QStringList& steps) { QCOMPARE(ExamTestSupport::act(m_dlg, m_ser, steps), QString()); }
    void act(const QString& step) { actAll({ step }); }
    // What the file holds once the writer has written what was handed to it.
    QString savedAnswer(const QString& dovaneID, int mcsn) const
    {
        if (!writerIdle())
            return "not written";
        return committedValue("select answer from TAV_ExamStuAnswer where dovaneID = ? and mcsn = ? order by id desc",
                              { dovaneID, mcsn })
            .toString();
    }

    QStringList recorded(int s) const { return m_ser->m_answerRecords.value(student(s)).answers().toList(); }
    // A class large enough that its rows need more room than a full disk leaves, on the screen's first question.
    void openLargeClass()
    {
        ZUToolBarDlg::getInstance()->hide();
        useScreenClass(60);
        QVERIFY(openLessonRow());
        QVERIFY(loadPaper(m_service, *m_ser, { "B", "A|B|C", "AC" }));
        QString error;
        QCOMPARE(m_ser->checkExamSettings(error), 0);
        m_dlg->showExam();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        QVERIFY(startService(m_service));
        ZUExamResultViews::install(&m_views);
        m_dlg = ZUStepExamDlg::getInstance();
    }

    void init()
    {
        useScreenClass(4);
        QVERIFY(openLessonRow());
        m_sim = openReceiver();
        ZUExamMem* exam = ZUExamMem::getInstance();
        exam->m_examDuration = 600; // 120 seconds an item
        exam->m_questionNum = 3;
        exam->m_allScores = 500;
        exam->m_paperName = "第一单元";
        exam->m_examSer = m_ser;
        QVERIFY(loadPaper(m_service, *m_ser, { "B", "A|B|C", "AC" }));
        QString error;
        QCOMPARE(m_ser->checkExamSettings(error), 0);
        m_dlg->showExam();
    }

    void cleanup()
    {
        DialogAnswerer::clear();
        if (m_ser->state() == 1 || m_ser->state() == 2)
            m_ser->stopExam();
        m_ser->quitExam();
        m_dlg->hide();
        m_views.hideAll();
        QVERIFY(ToolbarTestSupport::dialogsAnswered());
        DialogAnswerer::clear();
    }

    void controlsFollowTheQuestion_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown");
        const QString idle = "0 00:02:00 red 1-01111110";
        const QString running = "1 00:02:00 green -110000001";
        const QString paused = "2 00:02:00 yellow 1-10000001";
        const QString stopped = "3 00:00:00 red 1-11111110";
        QTest::newRow("shown") << QStringList {} << idle;
        QTest::newRow("started by mouse") << QStringList { "StartExamBtn" } << running;
        QTest::newRow("started by remote") << QStringList { "key:start/pause" } << running;
        QTest::newRow("paused by mouse") << QStringList { "StartExamBtn", "SuspendExamBtn" } << paused;
        QTest::newRow("paused by remote") << QStringList { "key:start/pause", "key:start/pause" } << paused;
        QTest::newRow("resumed") << QStringList { "StartExamBtn", "SuspendExamBtn", "key:start/pause" } << running;
        QTest::newRow("stopped by mouse") << QStringList { "StartExamBtn", "StopExamBtn" } << stopped;
        QTest::newRow("stopped by remote") << QStringList { "key:start/pause", "key:stop" } << stopped;
        QTest::newRow("stopped while paused")
            << QStringList { "StartExamBtn", "SuspendExamBtn", "key:stop" } << stopped;
        QTest::newRow("time ran out") << QStringList { "StartExamBtn", "timeout" } << stopped;
        QTest::newRow("started again") << QStringList { "StartExamBtn", "StopExamBtn", "StartExamBtn" } << running;
        QTest::newRow("stop before start") << QStringList { "key:stop" } << idle;
        QTest::newRow("power while running") << QStringList { "StartExamBtn", "key:power" } << running;
        QTest::newRow("keys that do nothing") << QStringList { "key:ok", "key:mode", "key:f1" } << idle;
    }

    void controlsFollowTheQuestion()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        actAll(steps);
        QCOMPARE(QString("%1 %2 %3").arg(m_dlg->state()).arg(countdown(m_dlg), buttons(m_dlg, kControls)), shown);
        QCOMPARE(m_ser->state(), m_dlg->state());
    }

    void navigationWaitsForTheQuestionToEnd()
    {
        DbTestSupport::LogCapture log;
        act("key:up");
        QCOMPARE(text(m_dlg, "subNameLbl"), QString("1."));
        act("NextBtn");
        QCOMPARE(text(m_dlg, "subNameLbl") + text(m_dlg, "StructNameLbl"), QString("2.一.单项选择题"));
        QCOMPARE(countdown(m_dlg), QString("00:06:00 red"));
        actAll({ "key:down", "NextBtn" });
        QCOMPARE(m_dlg->currentQuestion(), 2);
        QVERIFY(!log.contains("****the exam state is start or pause"));
        actAll({ "PrevioursBtn", "StartExamBtn", "NextBtn", "key:up" });
        QCOMPARE(m_dlg->currentQuestion(), 1);
        QCOMPARE(log.count("****the exam state is start or pause"), 2);
        actAll({ "StopExamBtn", "key:up" });
        QCOMPARE(text(m_dlg, "subNameLbl"), QString("1."));
    }

    void countdownAndZoom()
    {
        m_dlg->setTimeLabels(3725);
        QCOMPARE(countdown(m_dlg), QString("01:02:05 red"));
        const int own = m_ser->getQuestionPixmapByQuestion(0).width();
        QVERIFY(own >= 100);
        QCOMPARE(m_dlg->pictureWidth(), own);
        act("EnlargeBtn");
        act("EnlargeBtn");
        QCOMPARE(m_dlg->pictureWidth(), int(own * 0.1 + int(own * 0.1 + own)));
        QCOMPARE(m_dlg->findChild<QLabel*>("QuestionLbl")->pixmap(Qt::ReturnByValue).width(), m_dlg->pictureWidth());
        for (int i = 0; i < 12; ++i)
            act("NarrowBtn");
        QVERIFY(m_dlg->pictureWidth() <= 0);
        QVERIFY(m_dlg->findChild<QLabel*>("QuestionLbl")->pixmap(Qt::ReturnByValue).isNull());
    }

    // Each step costs time and memory by the size it reaches: it stops at the largest picture a screen can use.
    void zoomStopsAtWhatAScreenCanUse()
    {
        const QLabel* shown = m_dlg->findChild<QLabel*>("QuestionLbl");
        const int own = m_ser->getQuestionPixmapByQuestion(0).width();
        for (int i = 0; i < 100; ++i)
            act("EnlargeBtn");
        const QSize largest = shown->pixmap(Qt::ReturnByValue).size();
        QVERIFY2(PaperPictureStore::fitsScreen(largest),
                 qPrintable(QString("%1x%2").arg(largest.width()).arg(largest.height())));
        QCOMPARE(m_dlg->pictureWidth(), largest.width());
        // Within one step of the bound.
        const QSize next = largest * (double(largest.width() + own / 10) / largest.width());
        QVERIFY(!PaperPictureStore::fitsScreen(next));
        act("NarrowBtn");
        QCOMPARE(m_dlg->pictureWidth(), int(largest.width() - own * 0.1));
    }

    // The class keeps reading the question while the teacher looks who has answered.
    void answeringPanelLeavesTheQuestionInView()
    {
        // As the program's panel: a window higher than the bar above the question, see-through above its card.
        QWidget* panel = m_views.windows[ZUExamResultViews::AnsweringPanel];
        panel->resize(300, 400);
        QWidget card(panel);
        card.setGeometry(0, 300, 300, 100);
        const QWidget* area = m_dlg->findChild<QWidget*>("scrollArea");
        const auto areaShown = [&] { return QRect(area->mapTo(m_dlg, QPoint()), area->size()); };
        const auto cardShown = [&] { return QRect(card.mapTo(m_dlg, QPoint()), card.size()); };
        const QRect whole = areaShown();
        const int height = m_dlg->height();
        actAll({ "StartExamBtn", "PersonBtn" });
        QVERIFY(panel->isVisible() && panel->parentWidget() == m_dlg);
        // Once it stands at its place on an edge of the screen.
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QTRY_VERIFY_WITH_TIMEOUT(panel->geometry().top() == 0 || panel->geometry().bottom() == available.bottom(),
                                 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!areaShown().intersects(cardShown()), 20000);
        // The question gave the room; the window did not grow past the screen for it.
        QVERIFY(areaShown().height() > 0 && m_dlg->height() == height);
        act("key:f1");
        QTRY_VERIFY_WITH_TIMEOUT(panel->isHidden() && areaShown() == whole, 20000);
        panel->resize(300, 200);
    }

    void studentsMoveFromAnsweringToFinished()
    {
        actAll({ "NextBtn", "StartExamBtn", "1:1:A", "2:2:B" });
        QCOMPARE(text(m_dlg, "AnswerPerLbl") + text(m_dlg, "IsAnPerNumLbl"), QString("0人2人"));
        act("PersonBtn");
        QCOMPARE(m_views.last.value(ZUExamResultViews::AnsweringPanel), QString("|N01,N02|N03,N04|3"));
        actAll({ "1:2:B", "1:3:C", "1:3:D" });
        QCOMPARE(text(m_dlg, "AnswerPerLbl") + text(m_dlg, "IsAnPerNumLbl"), QString("1人1人"));
        QCOMPARE(m_views.last.value(ZUExamResultViews::AnsweringPanel), QString("N01|N02|N03,N04|3"));
        // Started again, the question is asked afresh.
        actAll({ "StopExamBtn", "StartExamBtn" });
        QCOMPARE(text(m_dlg, "AnswerPerLbl") + text(m_dlg, "IsAnPerNumLbl"), QString("0人0人"));
        QCOMPARE(m_ser->m_answerRecords.value(student(1)).answerAt(3), QString());
    }

    void receiverChecks()
    {
        TAVMemInfo::getInstance()->currentClass.stationSn = "RF21X09999";
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        act("StartExamBtn");
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("接收器与当前班级不匹配,\n无法进行考试!"));
        QCOMPARE(m_dlg->state(), 0);

        TAVMemInfo::getInstance()->currentClass.stationSn = QString::fromLatin1(Rf21xSimulator::defaultSerial());
        actAll({ "StartExamBtn", "3:1:C" });
        QString message;
        m_sim->unplug();
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        ZURf228Api::getInstance()->pollDevice(message);
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("硬件异常已停止考试，\n请检查硬件状态!"));
        QCOMPARE(m_dlg->state() * 10 + m_ser->state(), 33);
        m_sim->plug();
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        ZURf228Api::getInstance()->pollDevice(message);
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("接收器连接成功,\n请点击\"开始考试\"!"));
        QCOMPARE(m_ser->m_answerRecords.value(student(3)).answerAt(0), QString("C"));
    }

    void resultButtonsShowTheQuestion_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("shown");
        const QStringList one { "StartExamBtn", "1:1:B", "2:1:B", "3:1:A", "StopExamBtn" };
        const QStringList three { "NextBtn", "StartExamBtn", "1:1:A", "1:2:B",      "1:3:C",
                                  "2:1:A",   "2:2:C",        "3:1:D", "StopExamBtn" };
        QTest::newRow("option chart") << one + QStringList { "ChartBtn" } << int(ZUExamResultViews::OptionChart)
                                      << "B|未作答:1:#e7e7e7 A:1:#54cf79 B:2:#f9ce61";
        QTest::newRow("option chart by remote")
            << one + QStringList { "key:result" } << int(ZUExamResultViews::OptionChart)
            << "B|未作答:1:#e7e7e7 A:1:#54cf79 B:2:#f9ce61";
        QTest::newRow("option names") << one + QStringList { "key:report" } << int(ZUExamResultViews::OptionList)
                                      << "B|未作答:N04 A:N03 B:N01,N02";
        QTest::newRow("plain answer") << one + QStringList { "key:question" } << int(ZUExamResultViews::Explanation)
                                      << "B|picture";
        QTest::newRow("item bars") << three + QStringList { "ChartBtn" } << int(ZUExamResultViews::ItemBars)
                                   << "A,B,C|2/1/1 1/1/2 1/0/3";
        QTest::newRow("item table") << three + QStringList { "TableBtn" } << int(ZUExamResultViews::ItemTable)
                                    << "A,B,C|0:A=2,D=1,未作答=1 1:B=1,C=1,未作答=2 2:C=1,未作答=3";
        QTest::newRow("numbered answers") << three + QStringList { "ExplanationBtn" }
                                          << int(ZUExamResultViews::Explanation) << "1、A  2、B  3、C|picture";
        QTest::newRow("paper analysis") << three + QStringList { "TestAnalyBtn" }
                                        << int(ZUExamResultViews::PaperAnalysis) << "3 2 1 5 4";
        QTest::newRow("ranking") << three + QStringList { "StuInteractBtn" } << int(ZUExamResultViews::Ranking)
                                 << "N01:3 N02:1 ";
    }

    void resultButtonsShowTheQuestion()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, view);
        QFETCH(QString, shown);
        actAll(steps);
        QVERIFY(m_views.last.value(view).startsWith(shown));
        QVERIFY(m_views.windows[view]->isVisible());
    }

    void oneResultWindowAtATime()
    {
        QWidget* explanation = m_views.windows[ZUExamResultViews::Explanation];
        QWidget* list = m_views.windows[ZUExamResultViews::OptionList];
        actAll({ "ExplanationBtn", "TableBtn" });
        QVERIFY(explanation->isHidden() && list->isVisible());
        act("TableBtn");
        QTRY_VERIFY_WITH_TIMEOUT(list->isHidden(), 20000);
        // While a question runs the reports stay shut, also when asked for directly.
        act("StartExamBtn");
        m_views.last.clear();
        m_dlg->on_TestAnalyBtn_clicked();
        m_dlg->on_StuInteractBtn_clicked();
        QVERIFY(m_views.last.isEmpty());
        // An open report keeps the remote away from the screen.
        actAll({ "StopExamBtn", "TestAnalyBtn", "key:down" });
        QCOMPARE(m_dlg->currentQuestion(), 0);
    }

    // Shown again, a report would stay below the screen raised since; it comes to the front, and goes with the
    // screen.
    void reportsOpenInFrontAndCloseWithTheScreen()
    {
        QWidget* analysis = m_views.windows[ZUExamResultViews::PaperAnalysis];
        QWidget* ranking = m_views.windows[ZUExamResultViews::Ranking];
        RaiseCounter analysisRaised(analysis), rankingRaised(ranking);
        act("TestAnalyBtn");
        QVERIFY(analysis->isVisible() && analysisRaised.raised == 1);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), analysis, 20000);
        act("StuInteractBtn");
        QVERIFY(ranking->isVisible() && rankingRaised.raised == 1);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), ranking, 20000);
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        act("ExitExamBtn");
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QVERIFY(!m_dlg->isVisible() && analysis->isHidden() && ranking->isHidden());
    }

    void leavingSavesTheQuizAndBringsBackTheToolBar()
    {
        const int quizzes = committedValue("select count(*) from TAV_ExamInfo").toInt();
        actAll({ "StartExamBtn", "1:1:B", "StopExamBtn" });
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::No);
        act("ExitExamBtn");
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("确认要结束本次考试并退出?"));
        QVERIFY(m_dlg->isVisible());
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        act("key:power");
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QVERIFY(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible());
        QCOMPARE(savedAnswer(student(1), 1), QString("B"));
        QCOMPARE(committedValue("select count(*) from TAV_ExamInfo").toInt(), quizzes + 1);
    }

    // On a disk that takes nothing, however the teacher leaves, the one question is whether to leave: the tool bar
    // is back at once, a notice that closes by itself says why the results are not in the file yet and that they
    // are kept, and the quiz goes in whole, once, as soon as the disk has room.
    void leavingOnAFullDiskKeepsTheQuiz_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("exit button") << "ExitExamBtn";
        QTest::newRow("remote's power key") << "power";
        QTest::newRow("window closed") << "close";
    }

    void leavingOnAFullDiskKeepsTheQuiz()
    {
        QFETCH(QString, how);
        const QString before = committedQuizRows();
        openLargeClass();
        actAll({ "StartExamBtn", "1:1:B", "2:1:D", "2:1:C", "StopExamBtn" });
        // The stop's own notice has closed by itself: the next one comes up anew.
        QTRY_VERIFY_WITH_TIMEOUT(!ZUTAVAutoMsg::getInstance()->isVisible(), 10000);
        NoticeWatch notice("本次考试的结果暂未写入数据库");
        // The question whether to leave is answered below; any other modal window is closed and noted.
        InterfaceWatch watch({}, [] { return QApplication::activeModalWidget() != ZUTipDlg::getInstance(); });
        {
            FullDisk disk;
            QVERIFY(disk.isFull());
            QSignalSpy failed(TavWriteBehind::getInstance(), &TavWriteBehind::failed);
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
            QVERIFY(leaveBy(m_dlg, how));
            QVERIFY(DialogAnswerer::waitUntilAnswered());
            QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible(), 5000);
            QCOMPARE(m_ser->state(), 0);
            // The writer tries again every second: the teacher is told once.
            QTRY_VERIFY_WITH_TIMEOUT(failed.size() >= 3, 30000);
            QCOMPARE(committedQuizRows(), before);
        }
        QCOMPARE(row(DialogAnswerer::answeredCount(), DialogAnswerer::lastText()),
                 QString("1 确认要结束本次考试并退出?"));
        QCOMPARE(row(notice.count(), notice.modalCount()), row(1, 0));
        QVERIFY2(watch.modals().filter(QRegularExpression("^(?!ZUTipDlg )")).isEmpty(),
                 qPrintable(watch.modals().join('|')));
        QVERIFY2(watch.longestGapMs() < 2500, qPrintable(QString::number(watch.longestGapMs())));
        QVERIFY(writerIdle());
        QCOMPARE(committedQuizRows(), quizRowsAdded(before, 1, 60, 60 * 5, 3));
        QCOMPARE(savedAnswer(student(1), 1) + savedAnswer(student(2), 1), QString("BC"));
    }

    // When even the record beside the file cannot take the quiz (here a folder stands in its place), the notice
    // says that the results are only in the running program, and that quitting it before the file can be written
    // loses them; leaving the screen loses nothing, and the quiz goes in once the file is free.
    void quizTheSideRecordCannotTakeIsToldToBeInMemoryOnly()
    {
        const QString before = committedQuizRows();
        QVERIFY(QFile::remove(TavSideRecord::path()) || !QFile::exists(TavSideRecord::path()));
        QVERIFY(QDir().mkpath(TavSideRecord::path()));
        QVERIFY(TAVDatabase::getInstance()->openLocalDb());
        QVERIFY(TAVDatabase::getInstance()->waitForFileCheck());
        openLargeClass();
        actAll({ "StartExamBtn", "1:1:B", "StopExamBtn" });
        QTRY_VERIFY_WITH_TIMEOUT(!ZUTAVAutoMsg::getInstance()->isVisible(), 10000);
        NoticeWatch notice(
            "数据库文件正被其他程序使用，本次考试的结果暂未写入数据库。\n考试结果只保留在运行中的程序里");
        {
            DbTestSupport::FileLock lock;
            QVERIFY(lock.isHeld());
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
            QVERIFY(leaveBy(m_dlg, "ExitExamBtn"));
            QVERIFY(DialogAnswerer::waitUntilAnswered());
            QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible(), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(notice.count(), 1, 30000);
            QVERIFY(!TavWriteBehind::getInstance()->recordedAll());
        }
        QVERIFY(writerIdle());
        QCOMPARE(committedQuizRows(), quizRowsAdded(before, 1, 60, 60 * 5, 1));
        QVERIFY(QDir(TavSideRecord::path()).removeRecursively());
        QVERIFY(TAVDatabase::getInstance()->openLocalDb());
    }

    // While the teacher answers whether to leave, the remote's keys and the window manager's close do not start a
    // second leave, nor anything else; the quiz goes in once.
    void keysDuringTheQuestionDoNotLeaveTwice()
    {
        const QString before = committedQuizRows();
        openLargeClass();
        actAll({ "StartExamBtn", "1:1:B", "StopExamBtn" });
        int heard = 0;
        const QMetaObject::Connection counter
            = connect(ZUHdManager::getInstance(), &ZUHdManager::sendTeacherData, this, [&heard] { ++heard; });
        DialogAnswerer::answerNextModal([this](QWidget*) {
            m_sim->pushTeacherKey("power");
            m_sim->pushTeacherKey("start/pause");
            WindowInput::requestClose(m_dlg);
        });
        DialogAnswerer::holdUntil([&heard] { return heard == 2; });
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        // A second leave would ask again and take this answer.
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::No);
        QVERIFY(leaveBy(m_dlg, "ExitExamBtn"));
        QTRY_COMPARE_WITH_TIMEOUT(DialogAnswerer::pendingCount(), 1, 20000);
        disconnect(counter);
        QCOMPARE(row(DialogAnswerer::failures(), heard, m_dlg->isVisible(), m_ser->state()), row(0, 2, false, 0));
        DialogAnswerer::clear();
        QVERIFY(writerIdle());
        QCOMPARE(committedQuizRows(), quizRowsAdded(before, 1, 60, 60 * 5, 1));
    }

    void closingMidQuestionKeepsWhatArrived()
    {
        actAll({ "NextBtn", "StartExamBtn", "2:3:C" });
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_dlg->close();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QVERIFY(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible());
        QCOMPARE(m_ser->state(), 0);
        QCOMPARE(savedAnswer(student(2), 4), QString("C"));
        // Keys do not close the screen.
        m_dlg->showExam();
        QTest::keyClick(m_dlg, Qt::Key_Escape);
        QVERIFY(m_dlg->isVisible());
    }
};

TAV_DB_TEST_MAIN(TestZUStepExamDlg)
#include "TestZUStepExamDlg.moc"
