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

void import(const QJsonObject& result, const QString& password)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    TAVDataParse::getInstance()->parseLoginData(db, result, password);
    TAV_ClassInfo::getInstance()->loadByUser(db, TAVMemInfo::getInstance()->currentTeacher.username);
    TAVDatabase::getInstance()->closeDbCon(db);
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
};

TAV_DB_TEST_MAIN(TestTAVDataParse)
#include "TestTAVDataParse.moc"
