// Import of the online login's payload into the local tables and the teacher state.
#include "JsonHelper.h"
#include "LessonFixture.h"
#include "NetTestSupport.h"
#include "TAVDataParse.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAVNetEvent.h"
#include "TAV_ClassInfo.h"
#include "TavWebService.h"

#include <QJsonArray>

using DbTestSupport::committedValue;
using LessonFixture::rows;

namespace {

QJsonObject schoolClass(int classID, int subject, const QStringList& students)
{
    QJsonArray list;
    for (const QString& id : students)
        list.append(QJsonObject { { "username", id }, { "classID", classID }, { "name", id }, { "sn", "1" } });
    return QJsonObject { { "classID", classID }, { "subject", subject }, { "stuInfoList", list } };
}

QJsonObject student(const QString& id, int classID, const QString& name = QString())
{
    return { { "username", id }, { "classID", classID }, { "name", name.isEmpty() ? id : name }, { "sn", "1" } };
}

QJsonObject payload(const QString& teacher, const QJsonArray& classes)
{
    return { { "usernameMap", QJsonObject { { "userName", teacher }, { "teaName", teacher + " name" } } },
             { "classes", classes },
             { "subjectList", QJsonArray { QJsonObject { { "subjectID", 1 }, { "subjectName", "数学" } } } } };
}

bool import(const QJsonObject& result, const QString& password)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const bool stored = TAVDataParse::getInstance()->parseLoginData(db, result, password);
    TAV_ClassInfo::getInstance()->loadByUser(db, TAVMemInfo::getInstance()->currentTeacher.username);
    TAVDatabase::getInstance()->closeDbCon(db);
    return stored;
}

} // namespace

class TestTAVDataParse : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        DbTestSupport::resetTeacherState();
    }

    void demoTeacherLogsInOnline()
    {
        TavWebService service;
        QVERIFY(service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
        QVERIFY(service.start());
        QVERIFY(NetTestSupport::useServer("127.0.0.1", service.port()));
        const QString password = TavWebService::md5Hex("tav123456");
        const QString params = "username=teacher01&password=" + password;
        QByteArray reply;
        TAVNetEvent::getInstance()->post("/tav/fastenMachine/tokenLogin",
                                         (params + "&sign=" + TAVNetEvent::sign(params)).toUtf8(), -1, reply);
        const JsonReply parsed = JsonHelper::getInstance()->parseReply(reply);
        QVERIFY(parsed.success);
        import(parsed.result, password);

        QCOMPARE(committedValue("select name || ' ' || password from TAV_TeacherInfo where username = 'teacher01'"),
                 QVariant("王明 " + password));
        QCOMPARE(committedValue("select username from TAV_AppInfo").toString(), QString("teacher01"));
        QCOMPARE(TAVMemInfo::getInstance()->currentTeacher.mobile, QString("13800000001"));
        const QMap<int, ClassInfoRow> classes = TAVMemInfo::getInstance()->classMap;
        QCOMPARE(classes.keys(), QList<int>({ 101, 102 }));
        QCOMPARE(classes.value(101).className + " " + classes.value(101).stationSn, QString("初二(1)班 RF21X00001"));
        // Class 101 comes once per subject; its students are stored once.
        QCOMPARE(QList<int>({ rows("TAV_StudentInfo where classID = 101 and stationSn = 'RF21X00001'"),
                              rows("TAV_StudentInfo where classID = 102 and sn between 1 and 8"),
                              rows("TAV_CSTeacherInfo where username = 'teacher01'"), rows("TAV_SubjectInfo") }),
                 QList<int>({ 10, 8, 3, 2 }));
    }

    void tablesHoldWhatTheLatestLoginSent_data()
    {
        QTest::addColumn<QJsonArray>("first");
        QTest::addColumn<QJsonArray>("second"); // a later login; empty: none
        QTest::addColumn<QList<int>>("counts"); // classes, students, teacher-class-subject links
        QTest::newRow("later login, empty list drops the students")
            << QJsonArray { schoolClass(101, 1, { "s1", "s2" }) } << QJsonArray { schoolClass(101, 1, {}) }
            << QList<int> { 1, 0, 1 };
        QTest::newRow("later login replaces the links")
            << QJsonArray { schoolClass(101, 1, {}), schoolClass(102, 1, {}) } << QJsonArray { schoolClass(102, 2, {}) }
            << QList<int> { 2, 0, 1 };
        QTest::newRow("elements that are not objects")
            << QJsonArray { "101", 102, schoolClass(103, 1, { "s1" }) } << QJsonArray() << QList<int> { 1, 1, 1 };
    }
    void tablesHoldWhatTheLatestLoginSent()
    {
        QFETCH(QJsonArray, first);
        QFETCH(QJsonArray, second);
        QFETCH(QList<int>, counts);
        for (const QJsonArray& classes : { first, second }) {
            if (!classes.isEmpty())
                import({ { "usernameMap", QJsonObject { { "userName", "t01" } } }, { "classes", classes } }, "pw");
        }
        QCOMPARE(QList<int>({ rows("TAV_ClassInfo"), rows("TAV_StudentInfo"), rows("TAV_CSTeacherInfo") }), counts);
    }

    // Places in a good payload, named as the web service's Reshaped failure names them, and what goes there.
    void shapeCheck_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<bool>("accepted");
        const QJsonValue removed(QJsonValue::Undefined);
        auto row = [](const char* tag, const char* member, const QJsonValue& value, bool accepted) {
            QTest::newRow(tag) << QString(member) << value << accepted;
        };
        row("good payload", "usernameMap/email", "t@school", true);
        row("no usernameMap", "usernameMap", removed, false);
        row("usernameMap a list", "usernameMap", QJsonArray(), false);
        row("empty user name", "usernameMap/userName", "", false);
        row("teacher name of 10 MB", "usernameMap/teaName", QString(10 * 1024 * 1024, 'x'), false);
        row("classes null", "classes", QJsonValue::Null, true);
        row("classes an object", "classes", QJsonObject(), false);
        row("a class that is a text is skipped", "classes/1", "102", true);
        row("class id a text", "classes/0/classID", "101", false);
        row("class id a fraction", "classes/0/classID", 101.5, false);
        row("no subject", "classes/0/subject", removed, false);
        row("student list an object", "classes/0/stuInfoList", QJsonObject(), false);
        row("student id a number", "classes/0/stuInfoList/0/username", 5, false);
        row("student name null", "classes/0/stuInfoList/0/name", QJsonValue::Null, true);
        row("subject id a text", "subjectList/0/subjectID", "1", false);
    }
    void shapeCheck()
    {
        QFETCH(QString, member);
        QFETCH(QJsonValue, value);
        QFETCH(bool, accepted);
        const QJsonObject good = payload("t01", { schoolClass(101, 1, { "s1" }), schoolClass(102, 1, { "s2" }) });
        QString problem;
        QCOMPARE(TAVDataParse::checkLoginData(TavWebService::reshaped(good, member, value), &problem), accepted);
        QCOMPARE(problem.isEmpty(), accepted);
    }

    // A student filed under a class other than its own is stored under its own class, whose other
    // students (another teacher's class here) are not this login's to touch.
    void studentKeepsItsOwnClass()
    {
        QVERIFY(import(payload("t02", { schoolClass(103, 1, { "x9", "x10" }) }), "pw"));
        QJsonObject class101 = schoolClass(101, 1, { "s1" });
        class101["stuInfoList"] = QJsonArray { student("s1", 101), student("x9", 103, "新名字") };
        QVERIFY(import(payload("t01", { class101 }), "pw"));
        QCOMPARE(
            QList<int>({ rows("TAV_StudentInfo where classID = 101"), rows("TAV_StudentInfo where classID = 103") }),
            QList<int>({ 1, 2 }));
        QCOMPARE(committedValue("select name from TAV_StudentInfo where dovaneID = 'x9'").toString(),
                 QString("新名字"));
    }

    // Any statement that fails undoes the whole login's data, and the teacher state stays as it was.
    void failedImportChangesNothing()
    {
        QVERIFY(import(payload("t01", { schoolClass(101, 1, { "s1", "s2" }) }), "old"));
        QVERIFY(DbTestSupport::runOutside("create trigger refuse before insert on TAV_SubjectInfo "
                                          "begin select raise(abort, 'refused'); end"));
        QJsonObject later = payload("t02", { schoolClass(101, 2, { "s3" }), schoolClass(102, 2, {}) });
        later["subjectList"] = QJsonArray { QJsonObject { { "subjectID", 9 }, { "subjectName", "物理" } } };
        QVERIFY(!import(later, "new"));

        QCOMPARE(
            QList<int>({ rows("TAV_TeacherInfo"), rows("TAV_StudentInfo where classID = 101"), rows("TAV_ClassInfo"),
                         rows("TAV_CSTeacherInfo where username = 't01'"), rows("TAV_SubjectInfo") }),
            QList<int>({ 1, 2, 1, 1, 1 }));
        QCOMPARE(committedValue("select username from TAV_AppInfo").toString(), QString("t01"));
        QCOMPARE(TAVMemInfo::getInstance()->currentTeacher.username, QString("t01"));
        QCOMPARE(TAVMemInfo::getInstance()->userName, QString("t01"));
    }
};

TAV_DB_TEST_MAIN(TestTAVDataParse)
#include "TestTAVDataParse.moc"
