#include "DbTestSupport.h"
#include "DialogAnswerer.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
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

namespace {
// One interaction with its results and one quiz with its students, answers and histories.
void writeLesson(QSqlDatabase db, int record, const QString& tag, int students)
{
    InteractInfoRow interaction { -1, record, 0, "2024-05-06 07:08:09", "", tag, false, "", "" };
    TAV_InteractInfo::getInstance()->insertInteractInfo(db, &interaction);
    ExamInfoRow quiz { 0, record, "2024-05-06 07:00:00", "2024-05-06 07:15:00", tag, 0 };
    TAV_ExamInfo::getInstance()->insertExamInfo(db, quiz);
    for (int s = 0; s < students; ++s) {
        const QString student = QString("%1-%2").arg(tag).arg(s);
        TAV_StuResult::getInstance()->insertStuResult(db, { 0, interaction.interactID, student, "", tag, false });
        TAV_ExamStuInfo::getInstance()->insertExamStuInfo(db, { student, quiz.examID, 60 });
        ExamStuAnswerRow answer { 0, quiz.examID, student, tag, 0, 0, "", 0, 0, "2024-05-06 07:01:00" };
        TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(db, answer);
        TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(db, { 0, answer.id, 1, tag, "" });
    }
}

// Tells the parent the child is in place, then waits until it is killed or its input closes.
int readyThenWait()
{
    std::puts("ready");
    std::fflush(stdout);
    std::getchar();
    return 0;
}

// Child: commits one lesson, then waits to be killed in the middle of writing a second, large one.
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
    writeLesson(db, 2, "interrupted", 3000);
    return readyThenWait();
}

// Child: until its input closes, "exclusive" keeps every other connection out; "reader" keeps a read open,
// so that no other connection can commit.
int lockHolder(const QString& mode)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "holder");
    db.setDatabaseName(TAVDatabase::databasePath());
    if (!db.open())
        return 2;
    QSqlQuery q(db);
    if (mode == "exclusive" ? !q.exec("BEGIN EXCLUSIVE")
                            : !q.exec("BEGIN") || !q.exec("select count(*) from TAV_Config") || !q.next())
        return 3;
    return readyThenWait();
}

bool startHelper(QProcess& child, const QString& mode)
{
    child.start(QCoreApplication::applicationFilePath(), { mode });
    QByteArray out;
    while (!out.contains("ready") && child.waitForReadyRead(30000))
        out += child.readAll();
    return out.contains("ready");
}

// Rows of every lesson table written under the tag.
int rowsOf(const QString& tag)
{
    return committedValue("select (select count(*) from TAV_InteractInfo where answer = ?)"
                          " + (select count(*) from TAV_StuResult where result = ?)"
                          " + (select count(*) from TAV_ExamInfo where paperID = ?)"
                          " + (select count(*) from TAV_ExamStuInfo where dovaneID like ?)"
                          " + (select count(*) from TAV_ExamStuAnswer where answer = ?)"
                          " + (select count(*) from TAV_ExamStuAnswer_Pro where answer = ?)",
                          { tag, tag, tag, tag + "-%", tag, tag })
        .toInt();
}
} // namespace

// What survives a killed writer, a lock held by another process and a commit that fails.
class TestDbReliability : public QObject
{
    Q_OBJECT
private slots:
    void killedWriterLeavesOnlyCommittedLessons()
    {
        QVERIFY(freshDatabase());
        QProcess child;
        QVERIFY(startHelper(child, "--crash-writer"));
        QVERIFY(QFile::exists(TAVDatabase::databasePath() + "-journal"));
        child.kill();
        QVERIFY(child.waitForFinished(30000) && child.exitStatus() == QProcess::CrashExit);

        QVERIFY(TAVDatabase::getInstance()->openLocalDb());
        QCOMPARE(committedValue("PRAGMA integrity_check").toString(), QString("ok"));
        QCOMPARE(rowsOf("committed"), 2 + 4 * 3);
        QCOMPARE(rowsOf("interrupted"), 0);

        // The file goes on working for the next lesson.
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        writeLesson(db, 3, "after", 2);
        TAVDatabase::getInstance()->closeDbCon(db);
        QCOMPARE(rowsOf("after"), 2 + 4 * 2);
    }

    void lockHeldLongerThanBusyTimeoutFailsTheStatement()
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
        QVERIFY(log.contains("****database error: ") && log.contains("database is locked"));
        database->closeDbCon(db);

        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(30000));
        db = database->getDbCon();
        QVERIFY(TAV_Config::getInstance()->setValue(db, "TimeLimit", "45"));
        database->closeDbCon(db);
    }

    void failedCommitIsRolledBackBeforeTheNextBorrower()
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
            DialogAnswerer::answerNextAutoMsg(ZUTAVAutoMsg::Cancel);
            QVERIFY(!database->closeDbCon(db)); // callers tell the teacher it was not saved
            QVERIFY(log.contains("****closeDbCon database error: "));
        }
        QVERIFY(DialogAnswerer::waitUntilAnswered() && DialogAnswerer::lastText() == "提交数据库失败");
        reader.closeWriteChannel();
        QVERIFY(reader.waitForFinished(30000));

        // Round the pool to the same connection: it must start a clean transaction of its own.
        for (int i = 0; i < 9; ++i)
            database->closeDbCon(database->getDbCon());
        LogCapture log;
        db = database->getDbCon();
        QCOMPARE(db.connectionName(), QString("tav0"));
        QVERIFY(TAV_Config::getInstance()->setValue(db, "TestTime", "600"));
        QCOMPARE(TAVMemInfo::getInstance()->configMap.value("TimeLimit"), QString("30"));
        QVERIFY(database->closeDbCon(db));
        QVERIFY(!log.contains("****"));
        QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = 'TestTime'").toString(),
                 QString("600"));
    }
};

int main(int argc, char* argv[])
{
    if (argc == 2 && qstrncmp(argv[1], "--", 2) == 0) {
        QCoreApplication app(argc, argv);
        return qstrcmp(argv[1], "--crash-writer") == 0 ? crashWriter() : lockHolder(QString(argv[1] + 7));
    }
    return runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestDbReliability test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestDbReliability.moc"
