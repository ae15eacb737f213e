// The start-up data check: dangling lesson records, teachers not seen for ten days, the paper folder.
#include "ToolbarTestSupport.h"

#include "FullDisk.h"
#include "InterfaceWatch.h"
#include "OtherProgram.h"
#include "TavWriteBehind.h"
#include "TavWriteKinds.h"
#include "ZUSysCheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

using namespace ToolbarTestSupport;
using DbTestSupport::committedValue;
using DbTestSupport::runOutside;

namespace {

QString ago(qint64 seconds, int days = 0)
{
    return QDateTime::currentDateTime().addDays(-days).addSecs(-seconds).toString("yyyy-MM-dd HH:mm:ss");
}

int count(const QString& table, const QString& where, const QVariantList& values = {})
{
    return committedValue("select count(*) from " + table + " where " + where, values).toInt();
}

// Rows of the class in its three tables.
int classRows(int classID)
{
    return count("TAV_ClassInfo", "classID = ?", { classID }) + count("TAV_StudentInfo", "classID = ?", { classID })
        + count("TAV_StuSortInfo", "classID = ?", { classID });
}

bool addTeacher(const QString& user, const QString& loginDate, const QList<QPair<int, int>>& links)
{
    bool ok = runOutside("insert into TAV_TeacherInfo (username, password, name, mobile, email, avatar, loginDate) "
                         "values (?, 'p', ?, '', '', '', ?)",
                         { user, user, loginDate.isEmpty() ? QVariant() : QVariant(loginDate) });
    for (const auto& link : links)
        ok = ok && runOutside("insert into TAV_CSTeacherInfo values (?, ?, ?)", { user, link.first, link.second });
    return ok;
}

bool addClass(int classID, int subjectID)
{
    const QString student = QString("s%1").arg(classID);
    return runOutside("insert into TAV_ClassInfo (classID, className, stationSn) values (?, 'C', 'S')", { classID })
        && runOutside("insert into TAV_StudentInfo values (?, ?, 'n', '1', 'S')", { student, classID })
        && runOutside("insert into TAV_StuSortInfo values (?, ?, 1, 1)", { student, classID })
        && runOutside("insert into TAV_SubjectInfo values (?, 'S')", { subjectID });
}

} // namespace

class TestZUSysCheck : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        resetTeacherState();
        TAVMemInfo::getInstance()->currentTeacher.username = "me";
    }

    void cleanup() { TavWriteBehind::getInstance()->finish(0); }

    void danglingRecord_data()
    {
        QTest::addColumn<QString>("creator");
        QTest::addColumn<qint64>("age");
        QTest::addColumn<bool>("kept");
        QTest::newRow("own, 1 h 59 min") << "me" << qint64(2 * 3600 - 60) << true;
        QTest::newRow("own, exactly 2 h") << "me" << qint64(2 * 3600) << false;
        QTest::newRow("other teacher, 1 min") << "other" << qint64(60) << false;
    }

    void danglingRecord()
    {
        QFETCH(QString, creator);
        QFETCH(qint64, age);
        QFETCH(bool, kept);
        const QString start = ago(age);
        QVERIFY(runOutside("insert into TAV_SubjectInfo values (1, '数学')"));
        QVERIFY(runOutside("insert into TAV_ClassInfo (classID, className) values (7, '初一(3)班')"));
        QVERIFY(addOpenRecord(creator, 7, start));
        QVERIFY(runOutside("insert into TAV_InteractInfo (localRecordID, answerType, startTime, answer, status) "
                           "values (1, 0, ?, '-1', 0)",
                           { start }));
        ZUSysCheck::getInstance()->checkout();

        TAVMemInfo* mem = TAVMemInfo::getInstance();
        QCOMPARE(mem->currentRecord.localRecordID, kept ? 1 : -1);
        QCOMPARE(mem->currentSubjectName, kept ? QString("数学") : QString());
        // An ended record carries its name, its open interaction is closed and its pending answer cleared.
        const QString name
            = "数学-初一(3)班-" + QDateTime::fromString(start, "yyyy-MM-dd HH:mm:ss").toString("yyyyMMddHHmm");
        QCOMPARE(count("TAV_ClassRecord", "endTime is null"), int(kept));
        QCOMPARE(count("TAV_ClassRecord", "status = 0 and recordName = ?", { name }), int(!kept));
        QCOMPARE(count("TAV_InteractInfo", "endTime is not null and answer = ''"), int(!kept));
        QCOMPARE(count("TAV_InteractInfo", "endTime is null and answer = '-1'"), int(kept));
    }

    // A lesson of an earlier run is ended whole or not at all: ended with its round's answer still pending, it
    // would be sent without the round, and dropped once the rest is sent. Not ended, it stays the current one.
    void danglingRecordIsNotEndedInPart_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("full disk") << true;
        QTest::newRow("the pending answer cannot be cleared") << false;
    }

    void danglingRecordIsNotEndedInPart()
    {
        QFETCH(bool, fullDisk);
        const QString start = ago(3 * 3600);
        QVERIFY(addOpenRecord("me", 7, start));
        QVERIFY(runOutside("insert into TAV_InteractInfo (localRecordID, answerType, startTime, answer, status) "
                           "values (1, 0, ?, '-1', 0)",
                           { start }));
        if (fullDisk) {
            // The start's own notice of the failed commit, closed as the teacher would.
            NoticeWatch notice("提交数据库失败");
            FullDisk disk;
            QVERIFY(disk.isFull());
            ZUSysCheck::getInstance()->checkout();
        } else {
            QVERIFY(runOutside("create trigger refuseClear before update of answer on TAV_InteractInfo begin select "
                               "raise(abort, 'database or disk is full'); end"));
            ZUSysCheck::getInstance()->checkout();
            QVERIFY(runOutside("drop trigger refuseClear"));
        }
        TAVMemInfo* mem = TAVMemInfo::getInstance();
        QCOMPARE(mem->currentRecord.localRecordID, 1);
        QCOMPARE(count("TAV_ClassRecord", "endTime is null"), 1);
        QCOMPARE(count("TAV_InteractInfo", "endTime is null and answer = '-1'"), 1);

        // The next start, the file writable again, ends it whole.
        resetTeacherState();
        mem->currentTeacher.username = "me";
        ZUSysCheck::getInstance()->checkout();
        QCOMPARE(mem->currentRecord.localRecordID, -1);
        QCOMPARE(count("TAV_ClassRecord", "endTime is not null"), 1);
        QCOMPARE(count("TAV_InteractInfo", "endTime is not null and answer = ''"), 1);
    }

    // The teacher ended the lesson and logs in again before its end is in the file: it is over, not taken up.
    void lessonWhoseEndWaitsIsNotTakenUpAgain()
    {
        QVERIFY(addOpenRecord("me", 7, ago(60)));
        const QString uuid = committedValue("select UUID from TAV_ClassRecord").toString();
        {
            // The writer takes nothing in meanwhile.
            TavWriteBehind::Pause writerAside(30000);
            TavWriteBehind::getInstance()->hand(TavWriteKinds::lessonEnd(1, uuid, "已结束", ago(0)));
            ZUSysCheck::getInstance()->checkout();
            QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);
            QCOMPARE(count("TAV_ClassRecord", "endTime is null"), 1);
        }
        QTRY_COMPARE_WITH_TIMEOUT(count("TAV_ClassRecord", "recordName = '已结束' and endTime is not null"), 1, 30000);
    }

    // Another program holds the file as the tool bar shows: the check waits a moment at most and is made at the
    // next login.
    void checkWhileAnotherProgramHoldsTheFileWaitsAMomentAtMost()
    {
        QVERIFY(addOpenRecord("other", 7, ago(3 * 3600)));
        QVERIFY(addTeacher("old", ago(0, 30), {}));
        {
            OtherProgram other(OtherProgram::Write);
            QVERIFY(other.isHeld());
            DbTestSupport::LogCapture log;
            QElapsedTimer clock;
            clock.start();
            ZUSysCheck::getInstance()->checkout();
            // A hang's bound: ten times what the teacher may wait.
            QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
            QVERIFY(log.contains("****the start-up check is made at the next login: 数据库文件正被其他程序使用"));
        }
        QCOMPARE(count("TAV_ClassRecord", "endTime is null"), 1);
        QCOMPARE(count("TAV_TeacherInfo", "username = 'old'"), 1);
        ZUSysCheck::getInstance()->checkout();
        QCOMPARE(count("TAV_ClassRecord", "endTime is null"), 0);
        QCOMPARE(count("TAV_TeacherInfo", "username = 'old'"), 0);
    }

    void tenDayRule_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("days");
        QTest::addColumn<bool>("kept");
        QTest::newRow("10 days ago") << "old" << 10 << true;
        QTest::newRow("11 days ago") << "old" << 11 << false;
        QTest::newRow("never logged in online") << "old" << -1 << true;
        // An offline login long after the last online one must not lose what the tool bar shows next.
        QTest::newRow("logged in now, 30 days ago online") << "me" << 30 << true;
    }

    void tenDayRule()
    {
        QFETCH(QString, user);
        QFETCH(int, days);
        QFETCH(bool, kept);
        // Class 21 and subject 2 are the user's alone; class 22 and subject 1 are shared with a teacher who stays.
        QVERIFY(addClass(21, 2) && addClass(22, 1));
        QVERIFY(addTeacher(user, days < 0 ? QString() : ago(0, days), { { 21, 2 }, { 22, 1 } }));
        QVERIFY(addTeacher("stays", ago(0, 1), { { 22, 1 } }));
        QVERIFY(runOutside("insert into TAV_ClassRecord (UUID, creator, classID, subjectID, startTime, endTime, "
                           "status) values ('{u}', ?, 21, 2, ?, ?, 0)",
                           { user, ago(0, 20), ago(0, 20) }));
        ZUSysCheck::getInstance()->checkout();

        QCOMPARE(count("TAV_TeacherInfo", "username = ?", { user }), kept ? 1 : 0);
        QCOMPARE(count("TAV_CSTeacherInfo", "username = ?", { user }), kept ? 2 : 0);
        QCOMPARE(classRows(21), kept ? 3 : 0);
        QCOMPARE(count("TAV_SubjectInfo", "subjectID = 2"), kept ? 1 : 0);
        QCOMPARE(classRows(22), 3);
        QCOMPARE(count("TAV_SubjectInfo", "subjectID = 1"), 1);
        // Lesson records wait for their upload whoever made them.
        QCOMPARE(count("TAV_ClassRecord", "creator = ?", { user }), 1);
    }

    void paperFolderIsEmptiedAndKept()
    {
        const QString dir = QCoreApplication::applicationDirPath() + "/PaperData";
        QVERIFY(QDir().mkpath(dir + "/paper12/sub"));
        for (const QString& name : { dir + "/paper12/sub/q1.png", dir + "/q2.png" }) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        ZUSysCheck::getInstance()->checkout();
        QVERIFY(QFileInfo(dir).isDir());
        QVERIFY(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

        // Missing before: made, so the quiz can write into it.
        QVERIFY(QDir(dir).removeRecursively());
        ZUSysCheck::getInstance()->checkout();
        QVERIFY(QFileInfo(dir).isDir());
    }
};

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (OtherProgram::isChild(c, v))
            return OtherProgram::holdInChild(c, v);
        TestZUSysCheck test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZUSysCheck.moc"
