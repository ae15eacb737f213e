#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TAV_Config.h"
#include "TAV_ExamInfo.h"
#include "TAV_ExamStuAnswer.h"
#include "TAV_ExamStuAnswer_Pro.h"
#include "TAV_ExamStuInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_StuResult.h"
#include "ZUTAVAutoMsg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

#include <cstdio>

using namespace DbTestSupport;

// What survives a killed writer, a lock held by another process and a commit that fails.
class TestDbReliability : public QObject
{
    Q_OBJECT
private slots:
    void killedWriterLeavesOnlyCommittedLessons();
    void lockHeldLongerThanBusyTimeoutFailsTheStatement();
    void failedCommitIsRolledBackBeforeTheNextBorrower();

private:
    static bool startHelper(QProcess& child, const QString& mode);
};

namespace {
const int kInterruptedRows = 3000;

// One interaction with its results and one quiz with its students, answers and histories.
void writeLesson(QSqlDatabase db, int record, const QString& tag, int students)
{
    InteractInfoRow interaction;
    interaction.localRecordID = record;
    interaction.answer = tag;
    interaction.startTime = interaction.createDate = "2024-05-06 07:08:09";
    TAV_InteractInfo::getInstance()->insertInteractInfo(db, &interaction);
    for (int s = 0; s < students; ++s)
        TAV_StuResult::getInstance()->insertStuResult(
            db, { 0, interaction.interactID, QString("s%1").arg(s), "2024-05-06 07:08:10", tag, false });
    TAV_InteractInfo::getInstance()->closeOpenInteractions(db);

    ExamInfoRow quiz { 0, record, "2024-05-06 07:00:00", "2024-05-06 07:15:00", tag, 0 };
    TAV_ExamInfo::getInstance()->insertExamInfo(db, quiz);
    for (int s = 0; s < students; ++s) {
        TAV_ExamStuInfo::getInstance()->insertExamStuInfo(db, { QString("s%1").arg(s), quiz.examID, 60 });
        ExamStuAnswerRow answer;
        answer.examID = quiz.examID;
        answer.dovaneID = QString("s%1").arg(s);
        answer.answer = tag;
        answer.answerTime = "2024-05-06 07:01:00";
        TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(db, answer);
        TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(db, { 0, answer.id, 1, tag, "" });
    }
}

void say(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Child: commits one lesson, then is killed in the middle of writing a second, large one.
int crashWriter()
{
    TAVDatabase* database = TAVDatabase::getInstance();
    if (!database->openLocalDb())
        return 2;
    QSqlDatabase db = database->getDbCon();
    writeLesson(db, 1, "committed", 3);
    database->closeDbCon(db);

    db = database->getDbCon();
    // A small page cache makes SQLite write into the file before the commit, as a big lesson would.
    QSqlQuery(db).exec("PRAGMA cache_size = 5");
    writeLesson(db, 2, "interrupted", kInterruptedRows);
    say("writing");
    std::getchar();
    return 0;
}

// Child: holds a lock on the file until its input closes. "exclusive" keeps every other connection out;
// "reader" keeps a read open, so that no other connection can commit.
int lockHolder(const QString& mode)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "holder");
        db.setDatabaseName(TAVDatabase::databasePath());
        if (!db.open())
            return 2;
        QSqlQuery q(db);
        if (mode == "exclusive") {
            if (!q.exec("BEGIN EXCLUSIVE"))
                return 3;
        } else if (!q.exec("BEGIN") || !q.exec("select count(*) from TAV_Config") || !q.next()) {
            return 3;
        }
        say("locked");
        std::getchar();
        q.finish();
        q.exec("ROLLBACK");
    }
    QSqlDatabase::removeDatabase("holder");
    return 0;
}
} // namespace

bool TestDbReliability::startHelper(QProcess& child, const QString& mode)
{
    child.start(QCoreApplication::applicationFilePath(), { mode });
    if (!child.waitForStarted(10000))
        return false;
    while (child.canReadLine() || child.waitForReadyRead(30000)) {
        const QByteArray line = child.readLine().trimmed();
        if (line == "writing" || line == "locked")
            return true;
    }
    return false;
}

void TestDbReliability::killedWriterLeavesOnlyCommittedLessons()
{
    QVERIFY(freshDatabase());
    QProcess child;
    QVERIFY(startHelper(child, "--crash-writer"));
    QVERIFY(QFile::exists(TAVDatabase::databasePath() + "-journal"));
    child.kill();
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    QVERIFY(TAVDatabase::getInstance()->openLocalDb());
    QCOMPARE(committedValue("PRAGMA integrity_check").toString(), QString("ok"));
    QCOMPARE(committedValue("select count(*) from TAV_InteractInfo where answer = 'committed'").toInt(), 1);
    QCOMPARE(committedValue("select count(*) from TAV_StuResult where result = 'committed'").toInt(), 3);
    QCOMPARE(committedValue("select count(*) from TAV_ExamStuAnswer where answer = 'committed'").toInt(), 3);
    QCOMPARE(committedValue("select count(*) from TAV_ExamStuAnswer_Pro").toInt(), 3);
    const QString interrupted = "select (select count(*) from TAV_InteractInfo where localRecordID = 2)"
                                " + (select count(*) from TAV_StuResult where result = 'interrupted')"
                                " + (select count(*) from TAV_ExamInfo where localRecordID = 2)"
                                " + (select count(*) from TAV_ExamStuInfo where useTime = 60 and examID > 1)"
                                " + (select count(*) from TAV_ExamStuAnswer where answer = 'interrupted')";
    QCOMPARE(committedValue(interrupted).toInt(), 0);

    // The file goes on working for the next lesson.
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    writeLesson(db, 3, "after", 2);
    TAVDatabase::getInstance()->closeDbCon(db);
    QCOMPARE(committedValue("select count(*) from TAV_StuResult where result = 'after'").toInt(), 2);
}

void TestDbReliability::lockHeldLongerThanBusyTimeoutFailsTheStatement()
{
    QVERIFY(freshDatabase());
    QProcess holder;
    QVERIFY(startHelper(holder, "--hold-exclusive"));

    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    LogCapture log;
    QElapsedTimer waited;
    waited.start();
    QVERIFY(!TAV_Config::getInstance()->setValue(db, "TimeLimit", "45"));
    QVERIFY(waited.elapsed() >= 4500);
    QVERIFY(log.contains("****database error: "));
    QVERIFY(log.contains("database is locked"));
    database->closeDbCon(db);

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    db = database->getDbCon();
    QVERIFY(TAV_Config::getInstance()->setValue(db, "TimeLimit", "45"));
    database->closeDbCon(db);
    QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = 'TimeLimit'").toString(), QString("45"));
}

void TestDbReliability::failedCommitIsRolledBackBeforeTheNextBorrower()
{
    QVERIFY(freshDatabase());
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    QCOMPARE(db.connectionName(), QString("tav0"));
    QVERIFY(TAV_Config::getInstance()->setValue(db, "TimeLimit", "45"));

    QProcess reader;
    QVERIFY(startHelper(reader, "--hold-reader"));
    {
        LogCapture log;
        database->closeDbCon(db);
        QVERIFY(log.contains("****closeDbCon database error: "));
    }
    QVERIFY(ZUTAVAutoMsg::getInstance()->isVisible());
    QVERIFY(ZUTAVAutoMsg::getInstance()->isCounting());
    ZUTAVAutoMsg::getInstance()->hide();
    reader.closeWriteChannel();
    QVERIFY(reader.waitForFinished(10000));

    // Go round the pool to the same connection: it must start a clean transaction of its own.
    for (int i = 0; i < 9; ++i)
        database->closeDbCon(database->getDbCon());
    LogCapture log;
    db = database->getDbCon();
    QCOMPARE(db.connectionName(), QString("tav0"));
    QVERIFY(!log.contains("****getDbCon database error: "));
    QSqlQuery q(db);
    QVERIFY(q.exec("select keyNalue from TAV_Config where keyName = 'TimeLimit'") && q.next());
    QCOMPARE(q.value(0).toString(), QString("30"));
    q.finish();
    QVERIFY(TAV_Config::getInstance()->setValue(db, "TestTime", "600"));
    database->closeDbCon(db);
    QVERIFY(!log.contains("****closeDbCon"));
    QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = 'TestTime'").toString(), QString("600"));
    QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = 'TimeLimit'").toString(), QString("30"));
}

int main(int argc, char* argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--crash-writer") == 0) {
        QCoreApplication app(argc, argv);
        return crashWriter();
    }
    if (argc == 2 && qstrncmp(argv[1], "--hold-", 7) == 0) {
        QCoreApplication app(argc, argv);
        return lockHolder(QString::fromLatin1(argv[1] + 7));
    }
    return runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestDbReliability test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestDbReliability.moc"
