#include "DbTestSupport.h"
#include "ToolbarTestSupport.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "ZUSysCheck.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

using namespace ToolbarTestSupport;
using DbTestSupport::committedValue;
using DbTestSupport::runOutside;

namespace {

QString ago(qint64 seconds)
{
    return QDateTime::currentDateTime().addSecs(-seconds).toString("yyyy-MM-dd HH:mm:ss");
}

QString daysAgo(int days)
{
    return QDateTime::currentDateTime().addDays(-days).toString("yyyy-MM-dd HH:mm:ss");
}

bool addTeacher(const QString& user, const QString& loginDate, const QList<QPair<int, int>>& links)
{
    if (!runOutside("insert into TAV_TeacherInfo (username, password, name, mobile, email, avatar, loginDate) "
                    "values (?, 'p', ?, '', '', '', ?)",
                    { user, user, loginDate.isEmpty() ? QVariant() : QVariant(loginDate) }))
        return false;
    for (const auto& link : links) {
        if (!runOutside("insert into TAV_CSTeacherInfo values (?, ?, ?)", { user, link.first, link.second }))
            return false;
    }
    return true;
}

bool addClass(int classID)
{
    return runOutside("insert into TAV_ClassInfo (classID, phase, grade, classNum, className, stationSn) "
                      "values (?, 1, 1, 1, ?, 'S')",
                      { classID, QString("C%1").arg(classID) })
        && runOutside("insert into TAV_StudentInfo values (?, ?, 'n', '1', 'S')",
                      { QString("s%1").arg(classID), classID })
        && runOutside("insert into TAV_StuSortInfo values (?, ?, 1, 1)", { QString("s%1").arg(classID), classID });
}

int count(const QString& table, const QString& where, const QVariantList& values = {})
{
    return committedValue("select count(*) from " + table + " where " + where, values).toInt();
}

} // namespace

class TestZUSysCheck : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void danglingRecord_data();
    void danglingRecord();
    void tenDayRule_data();
    void tenDayRule();
    void sharedClassStaysWithRemainingTeacher();
    void paperFolderIsEmptiedAndKept();

private:
    void check();
};

void TestZUSysCheck::init()
{
    QVERIFY(DbTestSupport::freshDatabase());
    resetTeacherState();
    TAVMemInfo::getInstance()->currentTeacher.username = "me";
    QVERIFY(runOutside("insert into TAV_SubjectInfo values (1, '数学')"));
    QVERIFY(runOutside("insert into TAV_ClassInfo (classID, className) values (7, '初一(3)班')"));
}

void TestZUSysCheck::check()
{
    ZUSysCheck::getInstance()->checkout();
}

void TestZUSysCheck::danglingRecord_data()
{
    QTest::addColumn<QString>("creator");
    QTest::addColumn<qint64>("age");
    QTest::addColumn<bool>("kept");
    QTest::newRow("own, 1 h 59 min") << "me" << qint64(2 * 3600 - 60) << true;
    QTest::newRow("own, exactly 2 h") << "me" << qint64(2 * 3600) << false;
    QTest::newRow("other teacher, 1 min") << "other" << qint64(60) << false;
}

void TestZUSysCheck::danglingRecord()
{
    QFETCH(QString, creator);
    QFETCH(qint64, age);
    QFETCH(bool, kept);
    const QString start = ago(age);
    QVERIFY(runOutside("insert into TAV_ClassRecord (UUID, creator, classID, subjectID, startTime, status, "
                       "classStatus, stationSn, createDate) values ('{u}', ?, 7, 1, ?, 0, 1, 'S', ?)",
                       { creator, start, start }));
    QVERIFY(runOutside("insert into TAV_InteractInfo (localRecordID, answerType, startTime, answer, status) "
                       "values (1, 0, ?, '-1', 0)",
                       { start }));
    check();

    TAVMemInfo* mem = TAVMemInfo::getInstance();
    if (kept) {
        QCOMPARE(mem->currentRecord.localRecordID, 1);
        QCOMPARE(mem->currentSubjectName, QString("数学"));
        QVERIFY(committedValue("select endTime from TAV_ClassRecord").isNull());
        QCOMPARE(committedValue("select answer from TAV_InteractInfo").toString(), QString("-1"));
        return;
    }
    QCOMPARE(mem->currentRecord.localRecordID, -1);
    const QString name
        = "数学-初一(3)班-" + QDateTime::fromString(start, "yyyy-MM-dd HH:mm:ss").toString("yyyyMMddHHmm");
    QCOMPARE(committedValue("select recordName from TAV_ClassRecord").toString(), name);
    QCOMPARE(count("TAV_ClassRecord", "endTime is not null and status = 0"), 1);
    QCOMPARE(committedValue("select answer from TAV_InteractInfo").toString(), QString(""));
    QCOMPARE(count("TAV_InteractInfo", "endTime is not null"), 1);
}

void TestZUSysCheck::tenDayRule_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("loginDate");
    QTest::addColumn<bool>("kept");
    QTest::newRow("10 days ago") << "old" << daysAgo(10) << true;
    QTest::newRow("11 days ago") << "old" << daysAgo(11) << false;
    QTest::newRow("never logged in online") << "old" << QString() << true;
    // An offline login long after the last online one must not lose what the tool bar shows next.
    QTest::newRow("logged in now, 30 days ago online") << "me" << daysAgo(30) << true;
}

void TestZUSysCheck::tenDayRule()
{
    QFETCH(QString, user);
    QFETCH(QString, loginDate);
    QFETCH(bool, kept);
    QVERIFY(addClass(21));
    QVERIFY(runOutside("insert into TAV_SubjectInfo values (2, '物理')"));
    QVERIFY(addTeacher(user, loginDate, { { 21, 2 } }));
    check();

    const int expected = kept ? 1 : 0;
    QCOMPARE(count("TAV_TeacherInfo", "username = ?", { user }), expected);
    QCOMPARE(count("TAV_CSTeacherInfo", "username = ?", { user }), expected);
    QCOMPARE(count("TAV_ClassInfo", "classID = 21"), expected);
    QCOMPARE(count("TAV_StudentInfo", "classID = 21"), expected);
    QCOMPARE(count("TAV_StuSortInfo", "classID = 21"), expected);
    QCOMPARE(count("TAV_SubjectInfo", "subjectID = 2"), expected);
}

void TestZUSysCheck::sharedClassStaysWithRemainingTeacher()
{
    QVERIFY(addClass(21));
    QVERIFY(addClass(22));
    QVERIFY(runOutside("insert into TAV_SubjectInfo values (2, '物理')"));
    QVERIFY(addTeacher("old", daysAgo(20), { { 21, 1 }, { 22, 2 } }));
    QVERIFY(addTeacher("stays", daysAgo(1), { { 21, 1 } }));
    QVERIFY(runOutside("insert into TAV_ClassRecord (UUID, creator, classID, subjectID, startTime, endTime, "
                       "status) values ('{u}', 'old', 22, 2, ?, ?, 0)",
                       { daysAgo(20), daysAgo(20) }));
    check();

    QCOMPARE(count("TAV_TeacherInfo", "username = 'old'"), 0);
    QCOMPARE(count("TAV_CSTeacherInfo", "username = 'old'"), 0);
    QCOMPARE(count("TAV_ClassInfo", "classID = 21"), 1);
    QCOMPARE(count("TAV_StudentInfo", "classID = 21"), 1);
    QCOMPARE(count("TAV_StuSortInfo", "classID = 21"), 1);
    QCOMPARE(count("TAV_SubjectInfo", "subjectID = 1"), 1);
    QCOMPARE(count("TAV_ClassInfo", "classID = 22"), 0);
    QCOMPARE(count("TAV_StudentInfo", "classID = 22"), 0);
    QCOMPARE(count("TAV_SubjectInfo", "subjectID = 2"), 0);
    // Lesson records wait for their upload whoever made them.
    QCOMPARE(count("TAV_ClassRecord", "creator = 'old'"), 1);
}

void TestZUSysCheck::paperFolderIsEmptiedAndKept()
{
    const QString dir = QCoreApplication::applicationDirPath() + "/PaperData";
    QVERIFY(QDir().mkpath(dir + "/paper12/sub"));
    QFile file(dir + "/paper12/sub/q1.png");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("png");
    file.close();
    QFile top(dir + "/q2.png");
    QVERIFY(top.open(QIODevice::WriteOnly));
    top.close();

    check();
    QVERIFY(QFileInfo(dir).isDir());
    QVERIFY(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    // Missing before: made, so the quiz can write into it.
    QVERIFY(QDir(dir).removeRecursively());
    check();
    QVERIFY(QFileInfo(dir).isDir());
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestZUSysCheck test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZUSysCheck.moc"
