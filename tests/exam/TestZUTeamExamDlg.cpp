// The all-at-once run screen over a paper of three questions and four answer items (A|B, C, D): the seat grid
// (automatic, stored, refused plans, an empty class), the finished marks, dragging seats, the controls under
// mouse and remote, the receiver pulled out, and the quiz saved however the teacher leaves.
#include "DialogAnswerer.h"
#include "ExamTestSupport.h"
#include "InterfaceWatch.h"
#include "OtherProgram.h"
#include "TAVDatabase.h"
#include "TAV_StuSortInfo.h"
#include "ToolbarTestSupport.h"
#include "ZUExamMem.h"
#include "ZUFormFrame.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTeamExamDlg.h"
#include "ZUTeamExamItemDlg.h"
#include "ZUTeamExamSer.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTableWidget>

using namespace ExamTestSupport;
using DbTestSupport::committedValue;

namespace {
const QStringList kControls { "StartExamBtn", "SuspendExamBtn", "StopExamBtn",
                              "TestAnalyBtn", "StuInteractBtn", "ExitExamBtn" };
} // namespace

class TestZUTeamExamDlg : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    RecordingViews m_views;
    Rf21xSimulator* m_sim = nullptr;
    ZUTeamExamSer* m_ser = ZUTeamExamSer::getInstance();
    ZUTeamExamDlg* m_dlg = nullptr;

    void actAll(const QStringList& steps) { QCOMPARE(ExamTestSupport::act(m_dlg, m_ser, steps), QString()); }
    void act(const QString& step) { actAll({ step }); }
    // The grid row by row ("/" between rows), a blank seat as ".".
    QString seating() const
    {
        QStringList rows;
        for (int r = 0; r < m_dlg->grid().rows(); ++r) {
            QStringList names;
            for (int c = 0; c < m_dlg->grid().cols(); ++c) {
                QString id, name;
                m_dlg->tileAt(r, c)->getStudent(id, name);
                names << (id.isEmpty() ? "." : name);
            }
            rows << names.join(' ');
        }
        return rows.join('/');
    }
    QString answered(int s) const
    {
        bool finished = false;
        int count = 0;
        m_dlg->tileOf(student(s))->getAnswerState(finished, count);
        return finished ? "done" : QString::number(count);
    }
    // What the pencils of a seat show: "still" or "writing" or "none" (neither drawn).
    QString pencil(int s) const
    {
        const ZUTeamExamItemDlg* tile = m_dlg->tileOf(student(s));
        const auto* still = tile->findChild<QLabel*>("PenLbl");
        const auto* moving = tile->findChild<QLabel*>("MovePenLbl");
        const bool stillShown = still->isVisibleTo(tile) && !still->pixmap(Qt::ReturnByValue).isNull();
        const bool movingShown = moving->isVisibleTo(tile) && !moving->pixmap(Qt::ReturnByValue).isNull();
        return QString(stillShown ? "still" : "") + (movingShown ? "writing" : "") + (tile->isWriting() ? "!" : "")
            + (!stillShown && !movingShown ? "none" : "");
    }

    QTableWidget* table() const { return m_dlg->findChild<QTableWidget*>("StuTableWidget"); }
    void drop(const QByteArray& payload, int row, int col)
    {
        QMimeData data;
        data.setData("custom/sign_drag", payload);
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_dlg->tileAt(row, col), &enter);
        QDropEvent event(QPointF(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_dlg->tileAt(row, col), &event);
    }
    void open(int students, const QMap<QString, SeatPos>& seats = {}, int rows = 0, int cols = 0)
    {
        useScreenClass(students);
        QVERIFY(openLessonRow());
        TAVMemInfo::getInstance()->currentClass.row = rows;
        TAVMemInfo::getInstance()->currentClass.col = cols;
        // Stored seats count for students the database holds in the class.
        QVERIFY(DbTestSupport::runOutside("delete from TAV_StudentInfo"));
        for (int s = 1; s <= students; ++s)
            QVERIFY(DbTestSupport::runOutside("insert into TAV_StudentInfo (dovaneID, classID) values (?, 101)",
                                              { student(s) }));
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        TAV_StuSortInfo::getInstance()->saveSeats(db, seats, 101);
        TAVDatabase::getInstance()->closeDbCon(db);
        QVERIFY(loadPaper(m_service, *m_ser, { "A|B", "C", "D" }));
        m_ser->resetExamTime();
        m_dlg->showExam();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        QVERIFY(startService(m_service));
        ZUExamResultViews::install(&m_views);
        m_dlg = ZUTeamExamDlg::getInstance();
        ZUExamMem* exam = ZUExamMem::getInstance();
        exam->m_examDuration = 600;
        exam->m_questionNum = 3; // questions: the paper has four answer items
        exam->m_examSer = m_ser;
    }

    void init()
    {
        m_sim = openReceiver();
        open(8);
    }

    void cleanup()
    {
        DialogAnswerer::clear();
        QString error;
        if (m_ser->state() == 1 || m_ser->state() == 2)
            m_ser->stopExam(error);
        m_ser->quitExam();
        m_dlg->hide();
        m_views.hideAll();
        QVERIFY(ToolbarTestSupport::dialogsAnswered());
        DialogAnswerer::clear();
    }

    // The offscreen screen leaves the table room for six columns of 87 pixels.
    void seatsTheClass_data()
    {
        QTest::addColumn<int>("students");
        QTest::addColumn<QString>("seats");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("columnWidth"); // -1: the table's width shared out
        QTest::newRow("in order") << 8 << ""
                                  << "N01 N02 N03 N04 N05 N06/N07 N08 . . . ." << 87;
        QTest::newRow("stored plan") << 4 << "2x3 S01=1,1 S02=0,0 S03=0,2 S04=1,0"
                                     << "N02 . N03/N04 N01 ." << -1;
        QTest::newRow("plan wider than the table") << 2 << "1x8 S01=0,0 S02=0,7"
                                                   << "N01 . . . . . . N02" << 87;
        QTest::newRow("a student without a seat") << 4 << "2x3 S01=1,1 S02=0,0 S03=0,2"
                                                  << "N01 N02 N03 N04" << 87;
        QTest::newRow("a seat outside the plan") << 4 << "2x3 S01=1,1 S02=0,0 S03=0,2 S04=2,0"
                                                 << "N01 N02 N03 N04" << 87;
        QTest::newRow("two on one seat") << 4 << "2x3 S01=1,1 S02=0,0 S03=0,2 S04=0,0"
                                         << "N01 N02 N03 N04" << 87;
        QTest::newRow("nobody in the class") << 0 << ""
                                             << "" << 0;
    }

    void seatsTheClass()
    {
        QFETCH(int, students);
        QFETCH(QString, seats);
        QFETCH(QString, shown);
        QFETCH(int, columnWidth);
        QCOMPARE((table()->width() - 10) / 87, 6);
        QMap<QString, SeatPos> plan;
        QStringList parts = seats.split(' ', Qt::SkipEmptyParts);
        const QStringList size = parts.isEmpty() ? QStringList { "0", "0" } : parts.takeFirst().split('x');
        for (const QString& part : parts) {
            const QStringList seat = part.split(QRegularExpression("[=,]"));
            plan.insert(seat[0], SeatPos { seat[1].toInt(), seat[2].toInt() });
        }
        open(students, plan, size[0].toInt(), size[1].toInt());
        QCOMPARE(seating(), shown);
        QCOMPARE(table()->rowCount(), m_dlg->grid().rows());
        if (columnWidth < 0)
            columnWidth = (table()->width() - 10) / m_dlg->grid().cols();
        QCOMPARE(table()->columnCount() ? table()->columnWidth(0) : 0, columnWidth);
        QCOMPARE(text(m_dlg, "TotPerNumLbl"), QString("%1人").arg(students));
        QCOMPARE(m_dlg->tileOf(student(1)) != nullptr, students > 0);
    }

    void finishedMeansEveryItem()
    {
        actAll({ "StartExamBtn", "1:1:B", "1:2:A", "1:3:C", "2:1:A" });
        QCOMPARE(answered(1) + answered(2) + text(m_dlg, "AnswerPerLbl"), QString("310人"));
        actAll({ "1:4:D", "1:4:A", "1:9:A" });
        QCOMPARE(answered(1) + text(m_dlg, "AnswerPerLbl"), QString("done1人"));
    }

    // What a seat paints: its name, the card blue with the count once the quiz runs, green without a count once
    // every item is answered; a blank seat only the page.
    void aSeatPaintsItsState()
    {
        const auto look = [](ZUTeamExamItemDlg* tile) {
            const QImage image = tile->grab().toImage();
            const QColor foot = image.pixelColor(4, 88); // the card's foot, clear of the count and the pencil
            const QString card = foot.green() > foot.blue() + 40 ? "green"
                : foot.blue() > foot.red() + 80                  ? "blue"
                                                                 : "page";
            int nameInk = 0, countInk = 0;
            for (int y = 4; y < 24; ++y)
                for (int x = 0; x < 40; ++x)
                    nameInk += qGray(image.pixel(x, y)) < 160 ? 1 : 0;
            // The count: white where the bare card is not.
            const QImage bare(ZUFormFrame::imagePath(QString("teamExam/teamExam_item_%1.png").arg(card)));
            for (int y = 4; y < 38 && !bare.isNull(); ++y)
                for (int x = 4; x < 36; ++x)
                    countInk += qGray(image.pixel(x, 30 + y)) > 235 && qGray(bare.pixel(x, y)) < 200 ? 1 : 0;
            return QString("%1%2%3").arg(nameInk > 20 ? "name " : "", card, countInk > 20 ? " count" : "");
        };
        ZUTeamExamItemDlg* first = m_dlg->tileOf(student(1));
        QCOMPARE(look(first), QString("name blue"));
        actAll({ "StartExamBtn", "1:1:B", "1:2:A" });
        QCOMPARE(look(first), QString("name blue count"));
        actAll({ "1:3:C", "1:4:D" });
        QCOMPARE(look(first), QString("name green"));
        QCOMPARE(look(m_dlg->tileAt(1, 5)), QString("page"));
        // The count is the seat's, not a picture left from before.
        act("2:1:A");
        const QImage one = m_dlg->tileOf(student(2))->grab().toImage();
        act("2:2:A");
        QVERIFY(m_dlg->tileOf(student(2))->grab().toImage() != one);
    }

    void pencilWritesOnceForAnswersCloseTogether()
    {
        QCOMPARE(pencil(1), QString("none"));
        act("StartExamBtn");
        QCOMPARE(pencil(1), QString("still"));
        act("1:1:A");
        QCOMPARE(pencil(1), QString("writing!"));
        const auto* moving = m_dlg->tileOf(student(1))->findChild<QLabel*>("MovePenLbl");
        const qint64 first = moving->pixmap(Qt::ReturnByValue).cacheKey();
        QTRY_VERIFY_WITH_TIMEOUT(moving->pixmap(Qt::ReturnByValue).cacheKey() != first, 30000);
        const qint64 later = moving->pixmap(Qt::ReturnByValue).cacheKey();
        // Another answer while it writes: it writes on, not from the start again.
        act("1:2:B");
        QCOMPARE(answered(1), QString("2"));
        QCOMPARE(pencil(1), QString("writing!"));
        QCOMPARE(moving->pixmap(Qt::ReturnByValue).cacheKey(), later);
        // Put down once the writing is done, and away when the quiz stops.
        QTRY_COMPARE_WITH_TIMEOUT(pencil(1), QString("still"), 30000);
        act("1:3:C");
        QCOMPARE(pencil(1), QString("writing!"));
        act("StopExamBtn");
        QCOMPARE(pencil(1), QString("none"));
        QCOMPARE(pencil(2), QString("none"));
    }

    void draggingSwapsSeats_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("shown");
        const QString unchanged = "N01 N02 N03 N04 N05 N06/N07 N08 . . . .";
        QTest::newRow("two students") << QByteArray("0,0") << 0 << 1 << "N02 N01 N03 N04 N05 N06/N07 N08 . . . .";
        QTest::newRow("onto a blank seat") << QByteArray("0,1") << 1 << 3 << "N01 . N03 N04 N05 N06/N07 N08 . N02 . .";
        QTest::newRow("onto itself") << QByteArray("1,1") << 1 << 1 << unchanged;
        QTest::newRow("from a blank seat") << QByteArray("1,4") << 0 << 0 << unchanged;
        QTest::newRow("from outside the grid") << QByteArray("5,9") << 0 << 0 << unchanged;
        QTest::newRow("not a seat") << QByteArray("1;2") << 0 << 0 << unchanged;
    }

    void draggingSwapsSeats()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, shown);
        actAll({ "StartExamBtn", "1:1:A", "1:2:B" });
        drop(payload, row, col);
        QCOMPARE(seating(), shown);
        // The answers go with the student.
        QCOMPARE(answered(1), QString("2"));
        act("2:1:C");
        QCOMPARE(answered(2), QString("1"));
    }

    void controlsFollowTheQuiz_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown");
        QTest::newRow("shown") << QStringList {} << "0 00:10:00 red 1-0111";
        QTest::newRow("started by mouse") << QStringList { "StartExamBtn" } << "1 00:10:00 green -11000";
        QTest::newRow("started by remote") << QStringList { "key:start/pause" } << "1 00:10:00 green -11000";
        QTest::newRow("paused") << QStringList { "StartExamBtn", "key:start/pause" } << "2 00:10:00 yellow 1-1000";
        QTest::newRow("resumed") << QStringList { "StartExamBtn", "SuspendExamBtn", "StartExamBtn" }
                                 << "1 00:10:00 green -11000";
        QTest::newRow("stopped") << QStringList { "StartExamBtn", "StopExamBtn" } << "3 00:10:00 red 1-0111";
        QTest::newRow("stopped by remote") << QStringList { "key:start/pause", "key:stop" } << "3 00:10:00 red 1-0111";
        QTest::newRow("started again") << QStringList { "StartExamBtn", "StopExamBtn", "key:start/pause" }
                                       << "1 00:10:00 green -11000";
        QTest::newRow("time ran out") << QStringList { "StartExamBtn", "timeout" } << "3 00:00:00 red 1-0111";
        QTest::newRow("a minute more") << QStringList { "key:up", "TimeAddBtn" } << "0 00:12:00 red 1-0111";
        QTest::newRow("a minute less") << QStringList { "StartExamBtn", "key:down" } << "1 00:09:00 green -11000";
        QTest::newRow("power while running")
            << QStringList { "StartExamBtn", "key:power" } << "1 00:10:00 green -11000";
    }

    void controlsFollowTheQuiz()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        actAll(steps);
        QCOMPARE(QString("%1 %2 %3").arg(m_dlg->state()).arg(countdown(m_dlg), buttons(m_dlg, kControls)), shown);
        QCOMPARE(m_ser->state(), m_dlg->state());
    }

    void remoteOpensAndClosesTheReports()
    {
        QWidget* ranking = m_views.windows[ZUExamResultViews::Ranking];
        QWidget* analysis = m_views.windows[ZUExamResultViews::PaperAnalysis];
        actAll({ "StartExamBtn", "1:1:A", "1:2:B", "2:3:C", "3:1:B", "StopExamBtn", "key:report" });
        QVERIFY(ranking->isVisible());
        QVERIFY(m_views.last.value(ZUExamResultViews::Ranking).startsWith("N01:2 N02:1 "));
        actAll({ "key:up", "key:result" });
        QCOMPARE(countdown(m_dlg), QString("00:10:00 red"));
        QVERIFY(ranking->isVisible() && analysis->isHidden());
        actAll({ "key:report", "key:result" });
        QVERIFY(ranking->isHidden() && analysis->isVisible());
        QCOMPARE(m_views.last.value(ZUExamResultViews::PaperAnalysis), QString("1 4 2 3"));
        act("StuInteractBtn");
        QVERIFY(ranking->isVisible() && analysis->isHidden());
    }

    // Shown again, a report would stay below the screen raised since; it comes to the front, and goes with the
    // screen however the screen is left.
    void reportsOpenInFrontAndCloseWithTheScreen()
    {
        QWidget* analysis = m_views.windows[ZUExamResultViews::PaperAnalysis];
        QWidget* ranking = m_views.windows[ZUExamResultViews::Ranking];
        RaiseCounter analysisRaised(analysis), rankingRaised(ranking);
        actAll({ "key:result", "key:result", "StuInteractBtn" });
        QVERIFY(ranking->isVisible() && rankingRaised.raised == 1 && analysisRaised.raised == 1);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), ranking, 20000);
        analysis->show();
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_dlg->close();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QVERIFY(!m_dlg->isVisible() && analysis->isHidden() && ranking->isHidden());
    }

    void pulledReceiverStopsTheQuizWhichIsSaved()
    {
        QString message;
        actAll({ "StartExamBtn", "3:2:B" });
        m_sim->unplug();
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        ZURf228Api::getInstance()->pollDevice(message);
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("硬件异常已停止考试，\n请检查硬件状态!"));
        QCOMPARE(m_dlg->state() * 10 + m_ser->state(), 33);
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        act("StartExamBtn");
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("接收器与当前班级不匹配,\n无法进行考试!"));
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        act("ExitExamBtn");
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QVERIFY(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible());
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select answer from TAV_ExamStuAnswer where dovaneID = ? and mcsn = 2 order by id desc",
                                { student(3) })
                     .toString(),
                 QString("B"));
        m_sim->plug();
        ZURf228Api::getInstance()->pollDevice(message);
    }

    // While another program holds the file (a database browser left in a transaction) the teacher leaves as ever,
    // with a click and a yes: the tool bar is back at once, a notice that closes by itself says that the file is in
    // use and the results are kept, and once the other program lets go the quiz is in the file, whole, once,
    // without the teacher doing anything more.
    void leavingWhileAnotherProgramHoldsTheFile()
    {
        const QString before = committedQuizRows();
        ZUToolBarDlg::getInstance()->hide();
        open(60);
        actAll({ "StartExamBtn", "4:4:D", "5:1:A", "5:1:B", "StopExamBtn" });
        // The stop's own notice has closed by itself: the next one comes up anew.
        QTRY_VERIFY_WITH_TIMEOUT(!ZUTAVAutoMsg::getInstance()->isVisible(), 10000);
        NoticeWatch notice("数据库文件正被其他程序使用，本次考试的结果暂未写入数据库。\n考试结果已保留");
        // The question whether to leave is answered below; any other modal window is closed and noted.
        InterfaceWatch watch({}, [] { return QApplication::activeModalWidget() != ZUTipDlg::getInstance(); });
        QSignalSpy failed(TavWriteBehind::getInstance(), &TavWriteBehind::failed);
        {
            OtherProgram other(OtherProgram::Write);
            QVERIFY(other.isHeld());
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
            QVERIFY(WindowInput::click(m_dlg->findChild<QPushButton*>("ExitExamBtn")));
            QVERIFY(DialogAnswerer::waitUntilAnswered());
            QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible(), 2500);
            // Held well past the five seconds a write of the interface once waited, through many tries.
            QVERIFY(QTest::qWaitFor([&other] { return other.heldMs() > 15000; }, 60000));
            QVERIFY(!TavWriteBehind::getInstance()->isIdle());
        }
        QCOMPARE(DialogAnswerer::lastText(), QString("确认要结束本次考试并退出?"));
        QVERIFY2(failed.size() >= 5, qPrintable(QString::number(failed.size())));
        QCOMPARE(row(notice.count(), notice.modalCount()), row(1, 0));
        QVERIFY2(watch.modals().filter(QRegularExpression("^(?!ZUTipDlg )")).isEmpty(),
                 qPrintable(watch.modals().join('|')));
        QVERIFY2(watch.longestGapMs() < 2500, qPrintable(QString::number(watch.longestGapMs())));
        QVERIFY(writerIdle());
        QCOMPARE(committedQuizRows(), quizRowsAdded(before, 1, 60, 60 * 4, 3));
        QCOMPARE(
            committedValue("select group_concat(a, ' ') from (select dovaneID || ':' || mcsn || ':' || answer as a "
                           "from TAV_ExamStuAnswer where examID = (select max(examID) from TAV_ExamInfo) and "
                           "answer <> '' order by id)")
                .toString(),
            QString("S04:4:D S05:1:B"));
    }

    void closingMidQuizKeepsWhatArrived()
    {
        actAll({ "StartExamBtn", "4:4:D" });
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_dlg->close();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QVERIFY(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible());
        QCOMPARE(m_ser->state(), 0);
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select answer from TAV_ExamStuAnswer where dovaneID = ? and mcsn = 4 order by id desc",
                                { student(4) })
                     .toString(),
                 QString("D"));
    }
};

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (c == 3 && QByteArray(v[1]) == "--hold-file")
            return OtherProgram::holdInChild(QString::fromLatin1(v[2]));
        TestZUTeamExamDlg test;
        return QTest::qExec(&test, c, v);
    });
}
#include "TestZUTeamExamDlg.moc"
