#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_CSTeacherInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_StudentInfo.h"
#include "TAV_SubjectInfo.h"
#include "TAV_TeacherInfo.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QtTest>

using namespace DbTestSupport;

// Teachers, subjects, teaching links, classes and students, and what they put into the teacher state.
class TestTavRosterTables : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void saveClassesUpdatesKnownAndInsertsNew();
    void loadByUserHoldsEachLinkedClassOnce();
    void setStationSnFollowsIntoTeacherState_data();
    void setStationSnFollowsIntoTeacherState();
    void studentsOfClassFillTheMaps();
    void keypadMovesBetweenStudents();
    void offlineLogin_data();
    void offlineLogin();
    void saveTeacherKeepsLoginDate();
    void subjectsOfTeacherInClass();
    void linksExistence();

private:
    static ClassInfoRow makeClass(int id, const QString& name, const QString& sn = QString());
    static StudentInfoRow makeStudent(const QString& id, int classID, const QString& name, const QString& sn);
    QSqlDatabase m_db;
};

ClassInfoRow TestTavRosterTables::makeClass(int id, const QString& name, const QString& sn)
{
    ClassInfoRow c;
    c.classID = id;
    c.phase = 2;
    c.grade = 7;
    c.classNum = id % 10;
    c.className = name;
    c.stationSn = sn;
    return c;
}

StudentInfoRow TestTavRosterTables::makeStudent(const QString& id, int classID, const QString& name, const QString& sn)
{
    StudentInfoRow s;
    s.dovaneID = id;
    s.classID = classID;
    s.name = name;
    s.sn = sn;
    return s;
}

void TestTavRosterTables::init()
{
    QVERIFY(freshDatabase());
    resetTeacherState();
    m_db = TAVDatabase::getInstance()->getDbCon();
}

void TestTavRosterTables::cleanup()
{
    TAVDatabase::getInstance()->closeDbCon(m_db);
    m_db = QSqlDatabase();
}

void TestTavRosterTables::saveClassesUpdatesKnownAndInsertsNew()
{
    TAV_ClassInfo* classes = TAV_ClassInfo::getInstance();
    classes->saveClasses(m_db, { makeClass(11, "Old name", "S1") });
    classes->setColRow(m_db, 6, 8, 11);

    classes->saveClasses(m_db, { makeClass(11, "Class 1"), makeClass(12, "Class 2") });
    QCOMPARE(classes->selectClassName(m_db, 11), QString("Class 1"));
    QCOMPARE(classes->selectClassName(m_db, 12), QString("Class 2"));

    classes->loadByClass(m_db, 11);
    QCOMPARE(TAVMemInfo::getInstance()->currentClass.row, 6);
    QCOMPARE(TAVMemInfo::getInstance()->currentClass.col, 8);
    QCOMPARE(TAVMemInfo::getInstance()->currentClass.stationSn, QString(""));
    classes->loadByClass(m_db, 12);
    QCOMPARE(TAVMemInfo::getInstance()->currentClass.classID, 12);
    QCOMPARE(TAVMemInfo::getInstance()->currentClass.row, 0);
    QCOMPARE(TAVMemInfo::getInstance()->currentClass.col, 0);

    classes->deleteByClass(m_db, 12);
    QCOMPARE(classes->selectClassName(m_db, 12), QString());
}

void TestTavRosterTables::loadByUserHoldsEachLinkedClassOnce()
{
    TAV_ClassInfo::getInstance()->saveClasses(m_db, { makeClass(21, "A", "S9"), makeClass(22, "B") });
    TAV_CSTeacherInfo::getInstance()->insertCSTeacherInfoList(
        m_db, { { "t1", 21, 1 }, { "t1", 21, 2 }, { "t1", 22, 1 }, { "t2", 23, 1 } });
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->classMap.insert(99, makeClass(99, "stale"));

    TAV_ClassInfo::getInstance()->loadByUser(m_db, "t1");
    QCOMPARE(mem->classMap.keys(), QList<int>({ 21, 22 }));
    QCOMPARE(mem->classMap.value(21).className, QString("A"));
    QCOMPARE(mem->classMap.value(21).stationSn, QString("S9"));

    // A link to a class without a row still gives an entry, with its id only.
    TAV_ClassInfo::getInstance()->loadByUser(m_db, "t2");
    QCOMPARE(mem->classMap.keys(), QList<int>({ 23 }));
    QCOMPARE(mem->classMap.value(23).className, QString());
}

void TestTavRosterTables::setStationSnFollowsIntoTeacherState_data()
{
    QTest::addColumn<bool>("current");
    QTest::addColumn<bool>("inMap");
    QTest::newRow("current and listed") << true << true;
    QTest::newRow("listed only") << false << true;
    QTest::newRow("neither") << false << false;
}

void TestTavRosterTables::setStationSnFollowsIntoTeacherState()
{
    QFETCH(bool, current);
    QFETCH(bool, inMap);
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    TAV_ClassInfo::getInstance()->saveClasses(m_db, { makeClass(31, "C", "old") });
    mem->currentClass = current ? makeClass(31, "C", "old") : makeClass(32, "D", "other");
    if (inMap)
        mem->classMap.insert(31, makeClass(31, "C", "old"));

    TAV_ClassInfo::getInstance()->setStationSn(m_db, 31, "R-2024");
    QCOMPARE(committedValue("select count(*) from TAV_ClassInfo").toInt(), 0); // not given back yet
    QSqlQuery q(m_db);
    QVERIFY(q.exec("select stationSn from TAV_ClassInfo where classID = 31") && q.next());
    QCOMPARE(q.value(0).toString(), QString("R-2024"));
    QCOMPARE(mem->currentClass.stationSn, QString(current ? "R-2024" : "other"));
    QCOMPARE(mem->classMap.contains(31), inMap);
    if (inMap)
        QCOMPARE(mem->classMap.value(31).stationSn, QString("R-2024"));
}

void TestTavRosterTables::studentsOfClassFillTheMaps()
{
    TAV_StudentInfo* students = TAV_StudentInfo::getInstance();
    students->insertStudentInfoList(m_db,
                                    { makeStudent("s2", 41, "Bo", "102"), makeStudent("s1", 41, "O'Neil", ""),
                                      makeStudent("s3", 41, "Cy", "102"), makeStudent("s4", 42, "Di", "104") });
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->snMap.insert("999", "gone");

    students->loadByClass(m_db, 41);
    QCOMPARE(mem->studentList.size(), 3);
    QCOMPARE(mem->studentList.at(0).dovaneID, QString("s2"));
    QCOMPARE(mem->studentMap.value("s1").name, QString("O'Neil"));
    // No keypad: known as a student, unreachable by keypad. A keypad held twice goes to the later row.
    QCOMPARE(mem->snMap, (QMap<QString, QString> { { "102", "s3" } }));

    students->deleteByClasses(m_db, { makeClass(41, "x"), makeClass(42, "y") });
    students->loadByClass(m_db, 41);
    QVERIFY(mem->studentList.isEmpty());
    QVERIFY(mem->studentMap.isEmpty());
    QVERIFY(mem->snMap.isEmpty());
}

void TestTavRosterTables::keypadMovesBetweenStudents()
{
    TAV_StudentInfo* students = TAV_StudentInfo::getInstance();
    StudentInfoRow a = makeStudent("a", 51, "A", "7");
    a.stationSn = "R1";
    StudentInfoRow b = makeStudent("b", 51, "B", "");
    b.stationSn = "R0";
    students->insertStudentInfoList(m_db, { a, b, makeStudent("b", 52, "B", "") });

    QCOMPARE(students->selectByClassAndSn(m_db, 51, "7").dovaneID, QString("a"));
    students->clearSn(m_db, "7");
    QCOMPARE(students->selectByClassAndSn(m_db, 51, "7").dovaneID, QString());
    students->setSn(m_db, "b", "7");

    QSqlQuery q(m_db);
    QVERIFY(q.exec("select dovaneID, classID, sn, stationSn from TAV_StudentInfo order by dovaneID, classID"));
    QStringList rows;
    while (q.next())
        rows << QStringList { q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                              q.value(3).toString() }
                    .join('|');
    QCOMPARE(rows, QStringList({ "a|51||", "b|51|7|R0", "b|52|7|" }));

    students->setStationSn(m_db, "b", "R3");
    const StudentInfoRow found = students->selectByClassAndSn(m_db, 52, "7");
    QCOMPARE(found.name, QString("B"));
    QCOMPARE(found.stationSn, QString("R3"));
    students->deleteByClass(m_db, 52);
    QCOMPARE(students->selectByClassAndSn(m_db, 52, "7").dovaneID, QString());
}

void TestTavRosterTables::offlineLogin_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("user name") << "t'one"
                               << "md5a" << true;
    QTest::newRow("mobile") << "13800000000"
                            << "md5a" << true;
    QTest::newRow("wrong password") << "t'one"
                                    << "MD5A" << false;
    QTest::newRow("unknown account") << "nobody"
                                     << "md5a" << false;
}

void TestTavRosterTables::offlineLogin()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    TAV_TeacherInfo* teachers = TAV_TeacherInfo::getInstance();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    QVERIFY(!teachers->offlineLogin(m_db, account, password)); // empty table

    teachers->saveTeacher(m_db, { "t'one", "md5a", "O'Hara", "13800000000", "o@x.org", "pic", "" });
    mem->currentTeacher = TeacherInfoRow();
    mem->currentTeacher.username = "before";
    QCOMPARE(teachers->offlineLogin(m_db, account, password), accepted);
    if (accepted) {
        QCOMPARE(mem->currentTeacher.username, QString("t'one"));
        QCOMPARE(mem->currentTeacher.name, QString("O'Hara"));
        QCOMPARE(mem->currentTeacher.avatar, QString("pic"));
        QCOMPARE(mem->currentTeacher.mobile, QString());
    } else {
        QCOMPARE(mem->currentTeacher.username, QString("before"));
    }
}

void TestTavRosterTables::saveTeacherKeepsLoginDate()
{
    TAV_TeacherInfo* teachers = TAV_TeacherInfo::getInstance();
    teachers->saveTeacher(m_db, { "x9y", "p1", "First", "1", "a@b", "", "ignored" });
    QCOMPARE(TAVMemInfo::getInstance()->currentTeacher.loginDate, QString("ignored"));
    teachers->setLoginDate(m_db, "x9y", QDateTime(QDate(2024, 3, 1), QTime(8, 5, 9)));
    teachers->saveTeacher(m_db, { "x9y", "p2", "Second", "2", "c@d", "av", "" });

    const QList<TeacherInfoRow> all = teachers->selectAll(m_db);
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first().name, QString("Second"));
    QCOMPARE(all.first().password, QString("p2"));
    QCOMPARE(all.first().loginDate, QString("2024-03-01 08:05:09"));

    teachers->deleteByUser(m_db, "x9y");
    QVERIFY(teachers->selectAll(m_db).isEmpty());
}

void TestTavRosterTables::subjectsOfTeacherInClass()
{
    TAV_SubjectInfo* subjects = TAV_SubjectInfo::getInstance();
    subjects->saveSubjects(m_db, { { 1, "Maths" }, { 2, "Music" } });
    subjects->saveSubjects(m_db, { { 2, "Art" }, { 3, "Physics" } });
    QCOMPARE(subjects->selectSubjectName(m_db, 2), QString("Art"));
    QCOMPARE(subjects->selectSubjectName(m_db, 3), QString("Physics"));
    TAV_CSTeacherInfo::getInstance()->insertCSTeacherInfoList(m_db, { { "t", 5, 3 }, { "t", 5, 4 }, { "t", 6, 1 } });

    const QVector<SubjectInfoRow> taught = subjects->selectByUserAndClass(m_db, "t", 5);
    QCOMPARE(taught.size(), 2);
    QCOMPARE(taught.at(0).subjectName, QString("Physics"));
    QCOMPARE(taught.at(1).subjectID, 4);
    QCOMPARE(taught.at(1).subjectName, QString());
    QCOMPARE(TAVMemInfo::getInstance()->subjectList.size(), 2);

    QVERIFY(subjects->selectByUserAndClass(m_db, "t", 7).isEmpty());
    QVERIFY(TAVMemInfo::getInstance()->subjectList.isEmpty());

    subjects->deleteBySubject(m_db, 3);
    QCOMPARE(subjects->selectSubjectName(m_db, 3), QString());
}

void TestTavRosterTables::linksExistence()
{
    TAV_CSTeacherInfo* links = TAV_CSTeacherInfo::getInstance();
    LogCapture log;
    QVERIFY(!links->existsByClass(m_db, 5));
    QVERIFY(log.lines().isEmpty());
    links->insertCSTeacherInfoList(m_db, { { "u", 5, 8 }, { "v", 6, 9 } });
    QVERIFY(links->existsByClass(m_db, 5));
    QVERIFY(links->existsBySubject(m_db, 9));
    QCOMPARE(links->selectByUser(m_db, "v").size(), 1);
    links->deleteByUser(m_db, "u");
    QVERIFY(!links->existsByClass(m_db, 5));
    QVERIFY(links->existsByClass(m_db, 6));
}

int main(int argc, char* argv[])
{
    return runInPrivateDir(argc, argv, [](int c, char** v) {
        QCoreApplication app(c, v);
        TestTavRosterTables test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestTavRosterTables.moc"
