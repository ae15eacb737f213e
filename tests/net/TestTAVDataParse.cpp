// Import of the online login's payload into the local tables and the teacher state.
#include "DbTestSupport.h"
#include "JsonHelper.h"
#include "NetTestSupport.h"
#include "TAVDataParse.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAVNetEvent.h"
#include "TAV_ClassInfo.h"
#include "TavWebService.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using DbTestSupport::committedValue;

namespace {

QJsonObject student(const QString& id, int classID, const QString& sn = QString())
{
    return QJsonObject { { "username", id },
                         { "classID", classID },
                         { "name", "学生" + id },
                         { "sn", sn },
                         { "baseStationID", "RF21X00001" } };
}

QJsonObject schoolClass(int classID, int subject, const QJsonArray& students)
{
    return QJsonObject { { "classID", classID },
                         { "phase", 2 },
                         { "grade", 8 },
                         { "classNum", classID % 100 },
                         { "className", QString("班%1").arg(classID) },
                         { "baseStationID", "RF21X00001" },
                         { "subject", subject },
                         { "stuInfoList", students } };
}

QJsonObject payload(const QJsonArray& classes)
{
    const QJsonObject profile { { "userName", "t01" },
                                { "teaName", "O'Brien 王" },
                                { "mobile", "13800000001" },
                                { "email", "t01@example.com" },
                                { "avatar", "http://img/t01.png" } };
    const QJsonArray subjects { QJsonObject { { "subjectID", 1 }, { "subjectName", "数学" } },
                                QJsonObject { { "subjectID", 2 }, { "subjectName", "物理" } } };
    return QJsonObject { { "usernameMap", profile }, { "classes", classes }, { "subjectList", subjects } };
}

void import(const QJsonObject& result, const QString& password = "pw-md5")
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    TAVDataParse::getInstance()->parseLoginData(db, result, password);
    TAVDatabase::getInstance()->closeDbCon(db);
}

int count(const QString& sql, const QVariantList& values = {})
{
    return committedValue("select count(*) from " + sql, values).toInt();
}

} // namespace

class TestTAVDataParse : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void importFillsTheTablesAndTheTeacherState();
    void classWithAnEmptyListLosesItsStudents();
    void studentIsStoredUnderItsOwnClass();
    void twoClassesWithOneSubjectMakeTwoLinks();
    void elementsThatAreNotObjectsAreIgnored();
    void classListedOncePerSubjectIsStoredOnce();
    void demoTeacherLogsInOnline();
};

void TestTAVDataParse::init()
{
    QVERIFY(DbTestSupport::freshDatabase());
    DbTestSupport::resetTeacherState();
}

void TestTAVDataParse::importFillsTheTablesAndTheTeacherState()
{
    import(payload({ schoolClass(101, 1, { student("s1", 101, "1"), student("s2", 101) }) }));
    QCOMPARE(committedValue("select name from TAV_TeacherInfo where username = 't01'").toString(),
             QString("O'Brien 王"));
    QCOMPARE(committedValue("select password from TAV_TeacherInfo").toString(), QString("pw-md5"));
    QCOMPARE(committedValue("select avatar from TAV_TeacherInfo").toString(), QString("http://img/t01.png"));
    QCOMPARE(committedValue("select username from TAV_AppInfo").toString(), QString("t01"));
    QCOMPARE(TAVMemInfo::getInstance()->currentTeacher.mobile, QString("13800000001"));
    QCOMPARE(committedValue("select className from TAV_ClassInfo where classID = 101").toString(), QString("班101"));
    QCOMPARE(committedValue("select sn from TAV_StudentInfo where dovaneID = 's1'").toString(), QString("1"));
    QCOMPARE(count("TAV_StudentInfo"), 2);
    QCOMPARE(count("TAV_CSTeacherInfo where username = 't01' and classID = 101 and subjectID = 1"), 1);
    QCOMPARE(count("TAV_SubjectInfo"), 2);
}

void TestTAVDataParse::classWithAnEmptyListLosesItsStudents()
{
    import(payload({ schoolClass(101, 1, { student("s1", 101), student("s2", 101) }) }));
    import(payload({ schoolClass(101, 1, {}) }));
    QCOMPARE(count("TAV_StudentInfo"), 0);
    QCOMPARE(count("TAV_ClassInfo"), 1);
}

void TestTAVDataParse::studentIsStoredUnderItsOwnClass()
{
    import(payload({ schoolClass(101, 1, { student("s1", 205) }) }));
    QCOMPARE(count("TAV_StudentInfo where dovaneID = 's1' and classID = 205"), 1);
}

void TestTAVDataParse::twoClassesWithOneSubjectMakeTwoLinks()
{
    import(payload({ schoolClass(101, 1, {}), schoolClass(102, 1, {}) }));
    QCOMPARE(count("TAV_CSTeacherInfo where subjectID = 1"), 2);
    // A second login replaces the links.
    import(payload({ schoolClass(102, 2, {}) }));
    QCOMPARE(count("TAV_CSTeacherInfo"), 1);
    QCOMPARE(count("TAV_ClassInfo"), 2);
}

void TestTAVDataParse::elementsThatAreNotObjectsAreIgnored()
{
    QJsonObject result = payload({ "101", 102, schoolClass(103, 1, { "s9", student("s1", 103) }) });
    import(result);
    QCOMPARE(count("TAV_ClassInfo"), 1);
    QCOMPARE(count("TAV_StudentInfo"), 1);
    QCOMPARE(count("TAV_CSTeacherInfo"), 1);
}

void TestTAVDataParse::classListedOncePerSubjectIsStoredOnce()
{
    const QJsonArray students101 { student("s1", 101, "1"), student("s2", 101, "2") };
    import(payload({ schoolClass(101, 1, students101), schoolClass(101, 2, students101),
                     schoolClass(102, 1, { student("s3", 102, "1") }) }));
    QCOMPARE(count("TAV_ClassInfo"), 2);
    QCOMPARE(count("TAV_StudentInfo where classID = 101"), 2);
    QCOMPARE(count("TAV_StudentInfo where classID = 102"), 1);
    QCOMPARE(count("TAV_CSTeacherInfo"), 3);
}

void TestTAVDataParse::demoTeacherLogsInOnline()
{
    TavWebService service;
    QVERIFY(service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
    QVERIFY(service.start());
    QVERIFY(NetTestSupport::useServer("127.0.0.1", service.port()));
    const QString password = NetTestSupport::md5("tav123456");
    const QString params = "username=teacher01&password=" + password;
    QByteArray reply;
    QCOMPARE(TAVNetEvent::getInstance()->post("/tav/fastenMachine/tokenLogin",
                                              (params + "&sign=" + TAVNetEvent::sign(params)).toUtf8(), 10000, reply),
             200);
    const JsonReply parsed = JsonHelper::getInstance()->parseReply(reply);
    QVERIFY(parsed.success);

    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    TAVDataParse::getInstance()->parseLoginData(db, parsed.result, password);
    TAV_ClassInfo::getInstance()->loadByUser(db, TAVMemInfo::getInstance()->currentTeacher.username);
    TAVDatabase::getInstance()->closeDbCon(db);

    const QMap<int, ClassInfoRow> classes = TAVMemInfo::getInstance()->classMap;
    QCOMPARE(classes.keys(), QList<int>({ 101, 102 }));
    QCOMPARE(classes.value(101).stationSn, QString("RF21X00001"));
    QCOMPARE(count("TAV_StudentInfo where classID = 101 and stationSn = 'RF21X00001'"), 10);
    QCOMPARE(committedValue("select group_concat(sn) from (select sn from TAV_StudentInfo where classID = 102 "
                            "order by cast(sn as integer))")
                 .toString(),
             QString("1,2,3,4,5,6,7,8"));
    QCOMPARE(count("TAV_SubjectInfo"), 2);
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestTAVDataParse test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestTAVDataParse.moc"
