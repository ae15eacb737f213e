// The question-by-question service: time settings, the receiver command of a start, the states, the
// countdown, where each keypad answer goes, and saving at quit.
#include "DialogAnswerer.h"
#include "ExamTestSupport.h"
#include "ZUExamMem.h"
#include "ZUStepExamSer.h"
#include "ZUTAVAutoMsg.h"

using namespace ExamTestSupport;

class TestZUStepExamSer : public ServiceTest<ZUStepExamSer>
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(setUp()); }
    void init() { QVERIFY(prepare()); }
    void cleanup()
    {
        m_ser->stopExam();
        m_ser->quitExam();
        // The quiz it left goes in before the next test counts the rows.
        QVERIFY(writerIdle());
    }

    void timeSettings_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("duration");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("firstQuestionTime");
        const QStringList ten { "A|B|C|D|A|B|C|D|A|B" };
        QTest::newRow("4 s an item") << ten << 49 << QString("时间设置不合理，请重新设置") << 0;
        QTest::newRow("5 s an item") << ten << 50 << QString() << 50;
        QTest::newRow("remainder dropped") << QStringList({ "A|B|C", "D" }) << 130 << QString() << 96;
    }

    void timeSettings()
    {
        QFETCH(QStringList, answers);
        QFETCH(int, duration);
        QVERIFY(loadPaper(m_service, *m_ser, answers));
        ZUExamMem::getInstance()->m_examDuration = duration;
        QString error;
        const int result = m_ser->checkExamSettings(error);
        QCOMPARE(result == 0, error.isEmpty());
        QTEST(error, "error");
        QTEST(error.isEmpty() ? m_ser->getExamTimeByQIndex(0) : 0, "firstQuestionTime");
    }

    void startCommandsTheReceiver_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("command");
        QTest::newRow("single") << QString("B") << QString("startQuiz 2 -1 -1 1");
        QTest::newRow("multiple") << QString("BD") << QString("startQuiz 3 -1 -1 1");
        QTest::newRow("two singles") << QString("A|D") << QString("startQuiz 2 2 -1 1");
        QTest::newRow("a multiple among two") << QString("AC|B") << QString("startQuiz 3 2 -1 1");
    }

    void startCommandsTheReceiver()
    {
        QFETCH(QString, answer);
        start({ answer }, 0);
        QTEST(m_sim->commands().value(0), "command");
        QCOMPARE(m_view.times, QList<int>({ m_ser->getExamTimeByQIndex(0) }));
    }

    void answersAreFiledByItemAndState()
    {
        start({ "A|B|C", "D" }, 1);
        // One item takes every quiz number; letters are stored once each, in order.
        press(1, 7, "D");
        press(2, 0, "DAAB");
        QString error = "kept";
        QCOMPARE(m_ser->startExam(1, error), -1);
        QCOMPARE(error, QString("kept"));
        m_ser->pauseExam();
        const int left = m_ser->remainingTime();
        m_ser->__timeout();
        QCOMPARE(m_ser->remainingTime(), left);
        press(3, 1, "C"); // taken while paused
        m_ser->pauseToStart();
        m_ser->quitExam(); // running: nothing
        m_ser->stopExam();
        QCOMPARE(row(m_ser->state(), m_view.finished, m_view.times.last(), m_sim->commands().last()),
                 QString("3 1 0 stopQuiz"));
        press(1, 1, "A"); // stopped: dropped
        QCOMPARE(recorded(1).last() + recorded(2).last() + recorded(3).last(), QString("DABDC"));
        QCOMPARE(m_view.answered.value("S01"), 1);

        // Asked again, the question starts afresh.
        QCOMPARE(m_ser->startExam(1, error), 0);
        QCOMPARE(recorded(1).last() + recorded(2).last(), QString());
        m_ser->stopExam();
        QCOMPARE(m_ser->startExam(0, error), 0);
        DbTestSupport::LogCapture log;
        m_view.answered.clear();
        for (const StudentInfo& dropped : QList<StudentInfo> {
                 { 1, 4, 0, "A" }, { 1, 0, 0, "A" }, { 1, 2, 0, "Rush" }, { 9, 2, 0, "A" }, { 1, 2, 0, "" } })
            m_ser->__studentData(dropped);
        QVERIFY(m_view.answered.isEmpty() && log.contains("****the quiz number 0 names no item"));
        press(1, 2, "C");
        press(1, 2, "B");
        press(1, 3, "C");
        QCOMPARE(recorded(1), QStringList({ "", "B", "C", "" }));
        QCOMPARE(m_view.answered.value("S01"), 2);
        QCOMPARE(m_ser->m_answerRecords["S01"].answerHistory(1), QStringList({ "C", "B" }));
        m_ser->m_answerRecords.remove("S02");
        press(2, 1, "A");
        QVERIFY(log.contains("****no answer record for S02, the answer is dropped"));
        QVERIFY(!m_ser->m_answerRecords.contains("S02"));
    }

    void countdownStopsTheQuestionAtZero()
    {
        const QString quizzes = "select count(*) from TAV_ExamInfo";
        const int saved = DbTestSupport::committedValue(quizzes).toInt();
        start({ "A" }, 0, 6);
        for (int tick = 0; tick < 7; ++tick)
            m_ser->__timeout();
        QCOMPARE(m_view.times, QList<int>({ 6, 5, 4, 3, 2, 1, 0, 0 }));
        QCOMPARE(row(m_ser->state(), m_view.finished, m_sim->commands().last()), QString("3 1 stopQuiz"));
        m_ser->quitExam();
        m_ser->quitExam(); // idle: nothing more
        QVERIFY(writerIdle());
        QCOMPARE(DbTestSupport::committedValue(quizzes).toInt(), saved + 1);
    }

    // Each quit writes a quiz row of its own, and every student's rows under that row's new id.
    void quitWritesTheQuizUnderItsOwnId()
    {
        const QString rowsOf = "select (select count(*) from TAV_ExamStuInfo where examID = ?) || ' ' || "
                               "(select count(*) from TAV_ExamStuAnswer where examID = ?) || ' ' || "
                               "(select count(*) from TAV_ExamStuAnswer where examID <= 0)";
        for (int quiz = 0; quiz < 2; ++quiz) {
            start({ "A|B", "C" }, 0);
            press(2, 2, "B");
            m_ser->stopExam();
            const int before = DbTestSupport::committedValue("select max(examID) from TAV_ExamInfo").toInt();
            QVERIFY(m_ser->quitExam());
            QVERIFY(writerIdle());
            const int examID = DbTestSupport::committedValue("select max(examID) from TAV_ExamInfo").toInt();
            QVERIFY(examID > before);
            QCOMPARE(DbTestSupport::committedValue(rowsOf, { examID, examID }).toString(), QString("3 9 0"));
            QCOMPARE(DbTestSupport::committedValue("select answer from TAV_ExamStuAnswer where examID = ? and "
                                                   "dovaneID = 'S02' and mcsn = 2",
                                                   { examID })
                         .toString(),
                     QString("B"));
        }
    }

    // A row the file refuses takes the whole quiz back with it, try after try, without a box: the service is idle
    // at once, and the quiz goes in whole, once, as soon as the row is taken.
    void aQuizIsWrittenWholeOrNotAtAll_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("when");
        QTest::newRow("the quiz") << QString("TAV_ExamInfo") << QString("1");
        QTest::newRow("a student's time") << QString("TAV_ExamStuInfo") << QString("NEW.dovaneID = 'S02'");
        QTest::newRow("an answer") << QString("TAV_ExamStuAnswer") << QString("NEW.dovaneID = 'S03' and NEW.mcsn = 3");
        QTest::newRow("an answer's history") << QString("TAV_ExamStuAnswer_Pro") << QString("NEW.answer = 'D'");
    }

    void aQuizIsWrittenWholeOrNotAtAll()
    {
        QFETCH(QString, table);
        QFETCH(QString, when);
        const QString before = committedQuizRows();
        start({ "A|B", "C|D" }, 1);
        press(1, 1, "C");
        press(2, 2, "D");
        press(2, 2, "A");
        m_ser->stopExam();
        QVERIFY(failInserts(table, when));
        QSignalSpy failed(TavWriteBehind::getInstance(), &TavWriteBehind::failed);
        QVERIFY(m_ser->quitExam());
        QCOMPARE(m_ser->state(), 0);
        QVERIFY(failed.wait(30000));
        QCOMPARE(failed.first().at(0).toString(), QString("quiz"));
        QVERIFY(!TavWriteBehind::getInstance()->isIdle());
        QCOMPARE(committedQuizRows(), before);
        QVERIFY(failInserts(table, QString()));
        QVERIFY(writerIdle());
        QCOMPARE(committedQuizRows(), quizRowsAdded(before, 1, 3, 3 * 4, 3));
        QCOMPARE(DbTestSupport::committedValue("select group_concat(answer, '') from (select answer from "
                                               "TAV_ExamStuAnswer where examID = (select max(examID) from "
                                               "TAV_ExamInfo) order by dovaneID, mcsn)")
                     .toString(),
                 QString("CA"));
    }

    // Refused starts leave the service as it was, so the next question can still start.
    void refusedStartsChangeNothing()
    {
        QVERIFY(loadPaper(m_service, *m_ser, { "A", "B" }, { 1, 0 }));
        QString error, message;
        QCOMPARE(m_ser->startExam(5, error) + m_ser->startExam(1, error), -2);
        QCOMPARE(error, QString("无法获取试题信息"));
        m_sim->unplug();
        ZURf228Api::getInstance()->pollDevice(message);
        QCOMPARE(m_ser->startExam(0, error), -1);
        QCOMPARE(error, QString("无法获接收器信息，请检查接收器！"));
        QVERIFY(m_ser->state() == 0 && m_sim->commands().filter("startQuiz").isEmpty());
        m_sim->plug();
        ZURf228Api::getInstance()->pollDevice(message);
        QCOMPARE(m_ser->startExam(0, error), 0);
    }

private:
    // Loads the paper, gives each item the time and starts the question.
    void start(const QStringList& answers, int question, int itemTime = 600)
    {
        QVERIFY(loadPaper(m_service, *m_ser, answers));
        ZUExamMem::getInstance()->m_examDuration = itemTime * m_ser->m_totalQ;
        QString error;
        QCOMPARE(m_ser->checkExamSettings(error), 0);
        m_sim->clearCommands();
        m_view = RecordingView();
        QCOMPARE(m_ser->startExam(question, error), 0);
    }
};

TAV_DB_TEST_MAIN(TestZUStepExamSer)
#include "TestZUStepExamSer.moc"
