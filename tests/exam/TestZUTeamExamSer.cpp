// The all-at-once service: the countdown lengthened and shortened, the states with their refusals, answers
// filed by quiz number, and a stop at 0 seconds that the receiver refuses.
#include "DialogAnswerer.h"
#include "ExamTestSupport.h"
#include "TavSideRecord.h"
#include "ZUExamMem.h"
#include "ZUTeamExamSer.h"
#include "ZUTipDlg.h"

#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace ExamTestSupport;

namespace {

// Child: once the parent holds the file, a class of three answers a quiz which the teacher stops and leaves; says
// when the quiz is recorded beside the file, and waits to be killed.
int quitAndWait(int lesson, const QString& uuid)
{
    QTemporaryDir receiver;
    qputenv("TAV_RF21X_SOCKET", receiver.filePath("rf21x.sock").toUtf8());
    TavWebService service;
    if (!TAVDatabase::getInstance()->openLocalDb() || !TAVDatabase::getInstance()->waitForFileCheck()
        || !startService(service))
        return 2;
    useClass(3);
    TAVMemInfo::getInstance()->currentRecord.localRecordID = lesson;
    TAVMemInfo::getInstance()->currentRecord.UUID = uuid;
    openReceiver();
    ZUTeamExamSer* ser = ZUTeamExamSer::getInstance();
    if (!loadPaper(service, *ser, { "A|B|C", "D" }))
        return 3;
    ZUExamMem::getInstance()->m_examDuration = 600;
    ser->resetExamTime();
    std::puts("open");
    std::fflush(stdout);
    std::getchar();
    QString error;
    if (ser->startExam(error) != 0)
        return 4;
    ser->__studentData({ 1, 1, 0, "B" });
    ser->__studentData({ 1, 1, 0, "C" });
    ser->__studentData({ 2, 4, 0, "D" });
    if (ser->stopExam(error) != 0 || !ser->quitExam())
        return 5;
    if (!QTest::qWaitFor([] { return TavSideRecord::getInstance()->pendingCount() == 1; }, 30000))
        return 6;
    std::puts("recorded");
    std::fflush(stdout);
    std::getchar();
    return 0;
}

} // namespace

class TestZUTeamExamSer : public ServiceTest<ZUTeamExamSer>
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(setUp()); }
    void init()
    {
        QVERIFY(prepare());
        QVERIFY(loadPaper(m_service, *m_ser, { "A|B|C", "D" }));
        setTime(600);
    }
    void cleanup()
    {
        QString error;
        m_ser->stopExam(error);
        m_ser->quitExam();
        // The quiz it left goes in before the next test counts the rows.
        QVERIFY(writerIdle());
    }

    void minutesAddedAndTakenAway_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("add");
        QTest::addColumn<int>("to");
        QTest::newRow("up to two hours") << 7140 << true << 7200;
        QTest::newRow("not beyond") << 7141 << true << 7141;
        QTest::newRow("down to a second") << 61 << false << 1;
        QTest::newRow("never to nothing") << 60 << false << 60;
    }

    void minutesAddedAndTakenAway()
    {
        QFETCH(int, from);
        QFETCH(bool, add);
        QFETCH(int, to);
        setTime(from);
        add ? m_ser->addExamTime() : m_ser->decExamTime();
        QCOMPARE(m_ser->remainingTime(), to);
        QCOMPARE(m_view.times, to == from ? QList<int>() : QList<int>({ to }));
    }

    void statesAndAnswers()
    {
        QString error;
        QCOMPARE(m_ser->pauseToStart(error) + m_ser->stopExam(error) + m_ser->stopToStart(error), -3);
        QCOMPARE(error, QString("考试状态错误！"));
        QCOMPARE(m_ser->startExam(error), 0);
        QCOMPARE(m_sim->commands(), QStringList("startQuiz 3 4 -1 1"));
        error.clear();
        QCOMPARE(m_ser->startExam(error), -1);
        QCOMPARE(error, QString("考试状态错误！"));

        DbTestSupport::LogCapture log;
        press(1, 5, "A"); // beyond the paper
        press(1, 0, "A");
        press(1, 4, "CAB");
        press(1, 1, "B");
        QVERIFY(log.contains("****the quiz number 0 names no item") && m_view.answered.value("S01") == 2);
        QCOMPARE(recorded(1), QStringList({ "B", "", "", "ABC" }));

        m_ser->pauseExam();
        press(2, 2, "D"); // taken while paused
        QCOMPARE(m_ser->pauseToStart(error) + m_ser->stopExam(error), 0);
        QCOMPARE(row(m_ser->state(), m_view.finished, m_sim->commands().last()), QString("3 1 stopQuiz"));
        press(2, 3, "A"); // stopped: dropped
        QCOMPARE(recorded(2), QStringList({ "", "D", "", "" }));
        // A restart goes on with the same answers.
        QCOMPARE(m_ser->stopToStart(error), 0);
        QCOMPARE(m_sim->commands().filter("startQuiz 3 4").size(), 2);
        QCOMPARE(recorded(1), QStringList({ "B", "", "", "ABC" }));
    }

    // Choice letters are held once each, in order; a number is held as the keypad sent it, so a digit answer can
    // be marked right. Nothing is kept of a press that answers nothing or is longer than any answer.
    void keypadTextIsFiledAsMeant_data()
    {
        QTest::addColumn<QString>("rightAnswer");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<QString>("held");
        QTest::addColumn<int>("right");
        QTest::newRow("letters in order") << "ABD"
                                          << "DBAB"
                                          << "ABD" << 1;
        QTest::newRow("decimal") << "3.5"
                                 << "3.5"
                                 << "3.5" << 1;
        QTest::newRow("negative") << "-21"
                                  << "-21"
                                  << "-21" << 1;
        QTest::newRow("digits in their order") << "21"
                                               << "21"
                                               << "21" << 1;
        QTest::newRow("a repeated digit") << "100"
                                          << "100"
                                          << "100" << 1;
        QTest::newRow("wrong number") << "3.5"
                                      << "35"
                                      << "35" << 0;
        QTest::newRow("longest number") << QString(32, '9') << QString(32, '9') << QString(32, '9') << 1;
        QTest::newRow("too long") << "1" << QString(33, '1') << "" << 0;
        QTest::newRow("nothing") << "1"
                                 << ""
                                 << "" << 0;
    }

    void keypadTextIsFiledAsMeant()
    {
        QFETCH(QString, rightAnswer);
        QFETCH(QString, pressed);
        QVERIFY(loadPaper(m_service, *m_ser, { rightAnswer }));
        setTime(600);
        QString error;
        QCOMPARE(m_ser->startExam(error), 0);
        press(2, 1, pressed);
        QTEST(recorded(2).value(0), "held");
        QCOMPARE(m_view.answered.contains("S02"), !recorded(2).value(0).isEmpty());
        StuRankingInfo score;
        m_ser->computeStudentScore("S02", score);
        QTEST(score.rightCount, "right");
        QCOMPARE(score.score, score.rightCount * 100);
    }

    // A student's time is the whole seconds from the quiz's first start to his latest answer: never below 0, and
    // not added up over stops and restarts.
    void usedTimeRunsFromTheStartToTheLatestAnswer()
    {
        QString error;
        const QDateTime before = QDateTime::currentDateTime();
        QCOMPARE(m_ser->startExam(error), 0);
        const QDateTime after = QDateTime::currentDateTime();
        // The answer's seconds lie between those from the start's end to the press's start, and those from the
        // start's start to the press's end, however busy the machine.
        const auto pressAt = [&](int afterMs, int item) {
            QTRY_VERIFY_WITH_TIMEOUT(after.msecsTo(QDateTime::currentDateTime()) >= afterMs, 60000);
            const int low = int(after.secsTo(QDateTime::currentDateTime()));
            press(1, item, "A");
            const int high = int(before.secsTo(QDateTime::currentDateTime()));
            const int used = m_ser->m_answerRecords["S01"].usedTime();
            QVERIFY2(used >= low && used <= high, qPrintable(QString("%1 not in %2..%3").arg(used).arg(low).arg(high)));
        };
        pressAt(2100, 1);
        QCOMPARE(m_ser->stopExam(error) + m_ser->stopToStart(error), 0);
        pressAt(3100, 2);
    }

    void stopAtZeroThatTheReceiverRefuses()
    {
        setTime(6);
        QString error;
        QCOMPARE(m_ser->startExam(error), 0);
        press(3, 2, "B");
        m_sim->setResult("stopQuiz", 0);
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        for (int tick = 0; tick < 6; ++tick)
            m_ser->__timeout();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastTitle() + DialogAnswerer::lastText(), QString("信息调用硬件接口失败！"));
        QCOMPARE(row(m_ser->state(), m_view.finished), QString("3 1")); // the screen learns that it stopped
        QCOMPARE(m_view.times, QList<int>({ 5, 4, 3, 2, 1, 0 }));

        m_sim->setResult("stopQuiz", 1);
        QCOMPARE(m_ser->stopToStart(error), -1);
        QCOMPARE(error, QString("时间设置不合理，请重新设置!"));
        m_ser->addExamTime();
        QCOMPARE(m_ser->stopToStart(error) + m_ser->remainingTime(), 60);
        QCOMPARE(recorded(3), QStringList({ "", "B", "", "" }));
    }

    // The program killed while its quiz waits for the file (another program holds it) loses none of it: the next
    // start writes the quiz, whole, once.
    void killWhileTheQuizWaitsLosesNothing()
    {
        const QString before = committedQuizRows();
        const ClassRecordRow lesson = TAVMemInfo::getInstance()->currentRecord;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    { "--quit-and-wait", QString::number(lesson.localRecordID), lesson.UUID });
        QByteArray out;
        while (!out.contains("open") && child.waitForReadyRead(60000))
            out += child.readAll();
        QVERIFY2(out.contains("open"), out.constData());
        {
            DbTestSupport::FileLock lock;
            QVERIFY(lock.isHeld());
            child.write("\n");
            while (!out.contains("recorded") && child.waitForReadyRead(60000))
                out += child.readAll();
            QVERIFY2(out.contains("recorded"), out.constData());
            child.kill();
            QVERIFY(child.waitForFinished(30000));
        }
        QCOMPARE(committedQuizRows(), before);
        // The next start.
        QVERIFY(TAVDatabase::getInstance()->openLocalDb());
        QVERIFY(writerIdle());
        QCOMPARE(committedQuizRows(), quizRowsAdded(before, 1, 3, 3 * 4, 3));
        QCOMPARE(DbTestSupport::committedValue("select group_concat(a, ' ') from (select dovaneID || ':' || mcsn || "
                                               "':' || answer as a from TAV_ExamStuAnswer where examID = (select "
                                               "max(examID) from TAV_ExamInfo) and answer <> '' order by id)")
                     .toString(),
                 QString("S01:1:C S02:4:D"));
        QCOMPARE(TavSideRecord::getInstance()->pendingCount(), 0);
    }

private:
    void setTime(int seconds)
    {
        ZUExamMem::getInstance()->m_examDuration = seconds;
        m_ser->resetExamTime();
        m_view = RecordingView();
    }
};

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (c == 4 && QByteArray(v[1]) == "--quit-and-wait")
            return quitAndWait(QByteArray(v[2]).toInt(), QString::fromUtf8(v[3]));
        TestZUTeamExamSer test;
        return QTest::qExec(&test, c, v);
    });
}
#include "TestZUTeamExamSer.moc"
