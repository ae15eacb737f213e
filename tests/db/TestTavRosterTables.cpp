#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_CSTeacherInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_StuSortInfo.h"
#include "TAV_StudentInfo.h"
#include "TAV_SubjectInfo.h"
#include "TAV_TeacherInfo.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QtTest>

using namespace DbTestSupport;

// Teachers, subjects, teaching links, classes, students and seats, and what they put into the teacher state.
class TestTavRosterTables : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void classesFollowIntoTeacherState();
    void loadByUserHoldsEachLinkedClassOnce();
    void studentsAndTheirKeypads();
    void offlineLogin_data();
    void offlineLogin();
    void teacherSubjectsAndLinks();
    void seatsOfClassMembersOnly();

private:
    QSqlDatabase m_db;
};

void TestTavRosterTables::init()
{
    QVERIFY(freshDatabase());
    resetTeacherState();
    m_db = TAVDatabase::getInstance()->getDbCon();
}

void TestTavRosterTables::cleanup()
{
    TAVDatabase::getInstance()->closeDbCon(m_db);
}

void TestTavRosterTables::classesFollowIntoTeacherState()
{
    TAV_ClassInfo* classes = TAV_ClassInfo::getInstance();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    classes->saveClasses(m_db, { { 11, 2, 7, 1, "Old name", "S1" } });
    classes->setColRow(m_db, 6, 8, 11);
    // A known class is updated and keeps its grid; a new one is inserted.
    classes->saveClasses(m_db, { { 11, 2, 7, 1, "Class 1", "" }, { 12, 2, 7, 2, "Class 2", "" } });
    QCOMPARE(classes->selectClassName(m_db, 12), QString("Class 2"));
    classes->loadByClass(m_db, 11);
    QCOMPARE(mem->currentClass.className, QString("Class 1"));
    QCOMPARE(mem->currentClass.stationSn, QString(""));
    QCOMPARE(mem->currentClass.row, 6);
    QCOMPARE(mem->currentClass.col, 8);

    mem->classMap = { { 11, mem->currentClass }, { 12, { 12, 0, 0, 0, "Class 2", "other" } } };
    classes->setStationSn(m_db, 11, "R-2024");
    QCOMPARE(mem->currentClass.stationSn, QString("R-2024"));
    QCOMPARE(mem->classMap.value(11).stationSn, QString("R-2024"));
    QCOMPARE(mem->classMap.value(12).stationSn, QString("other"));
    classes->deleteByClass(m_db, 12);
    QCOMPARE(classes->selectClassName(m_db, 12), QString());
    classes->loadByClass(m_db, 11);
    QCOMPARE(mem->currentClass.stationSn, QString("R-2024"));
}

void TestTavRosterTables::loadByUserHoldsEachLinkedClassOnce()
{
    TAV_ClassInfo::getInstance()->saveClasses(m_db, { { 21, 2, 7, 1, "A", "S9" }, { 22, 2, 7, 2, "B", "" } });
    TAV_CSTeacherInfo::getInstance()->insertCSTeacherInfoList(
        m_db, { { "t1", 21, 1 }, { "t1", 21, 2 }, { "t1", 22, 1 }, { "t2", 23, 1 } });
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->classMap.insert(99, ClassInfoRow());
    TAV_ClassInfo::getInstance()->loadByUser(m_db, "t1");
    QCOMPARE(mem->classMap.keys(), QList<int>({ 21, 22 }));
    QCOMPARE(mem->classMap.value(21).className, QString("A"));
    QCOMPARE(mem->classMap.value(21).stationSn, QString("S9"));
    // A link to a class without a row still gives an entry, with its id only.
    TAV_ClassInfo::getInstance()->loadByUser(m_db, "t2");
    QCOMPARE(mem->classMap.keys(), QList<int>({ 23 }));
}

void TestTavRosterTables::studentsAndTheirKeypads()
{
    TAV_StudentInfo* students = TAV_StudentInfo::getInstance();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    students->insertStudentInfoList(m_db,
                                    { { "s2", 41, "Bo", "102", "R0" },
                                      { "s1", 41, "O'Neil", "", "" },
                                      { "s3", 41, "Cy", "102", "" },
                                      { "s3", 42, "Cy", "104", "" } });
    mem->snMap.insert("999", "gone");
    students->loadByClass(m_db, 41);
    QCOMPARE(mem->studentList.size(), 3);
    QCOMPARE(mem->studentList.first().dovaneID, QString("s2"));
    QCOMPARE(mem->studentMap.value("s1").name, QString("O'Neil"));
    // No keypad: known as a student, unreachable by keypad. A keypad held twice goes to the later row.
    QCOMPARE(mem->snMap, (QMap<QString, QString> { { "102", "s3" } }));

    // A keypad moves: taken from whoever holds it, then bound to the student in every class.
    QCOMPARE(students->selectByClassAndSn(m_db, 41, "102").dovaneID, QString("s2"));
    students->clearSn(m_db, "102");
    students->setSn(m_db, "s3", "7");
    students->setStationSn(m_db, "s3", "R3");
    QSqlQuery q(m_db);
    QVERIFY(q.exec("select group_concat(dovaneID || '|' || classID || '|' || sn || '|' || stationSn, ',') from "
                   "(select * from TAV_StudentInfo order by dovaneID, classID)")
            && q.next());
    QCOMPARE(q.value(0).toString(), QString("s1|41||,s2|41||,s3|41|7|R3,s3|42|7|R3"));
    QCOMPARE(students->selectByClassAndSn(m_db, 41, "7").name, QString("Cy"));

    students->deleteByClass(m_db, 42);
    QCOMPARE(students->selectByClassAndSn(m_db, 42, "7").dovaneID, QString());
    students->deleteByClasses(m_db, { { 41, 0, 0, 0, "", "" } });
    students->loadByClass(m_db, 41);
    QVERIFY(mem->studentList.isEmpty() && mem->studentMap.isEmpty() && mem->snMap.isEmpty());
}

void TestTavRosterTables::offlineLogin_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("user name") << QString("t'one") << QString("md5a") << true;
    QTest::newRow("mobile") << QString("13800000000") << QString("md5a") << true;
    QTest::newRow("wrong password") << QString("t'one") << QString("MD5A") << false;
    QTest::newRow("unknown account") << QString("nobody") << QString("md5a") << false;
}

void TestTavRosterTables::offlineLogin()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    TAV_TeacherInfo* teachers = TAV_TeacherInfo::getInstance();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    teachers->saveTeacher(m_db, { "t'one", "md5a", "O'Hara", "13800000000", "o@x.org", "pic", "" });
    mem->currentTeacher = { "before", "", "", "", "", "", "" };
    QCOMPARE(teachers->offlineLogin(m_db, account, password), accepted);
    QCOMPARE(mem->currentTeacher.username, QString(accepted ? "t'one" : "before"));
    QCOMPARE(mem->currentTeacher.name, QString(accepted ? "O'Hara" : ""));
}

void TestTavRosterTables::teacherSubjectsAndLinks()
{
    TAV_TeacherInfo* teachers = TAV_TeacherInfo::getInstance();
    teachers->saveTeacher(m_db, { "x9y", "p1", "First", "1", "a@b", "", "" });
    teachers->setLoginDate(m_db, "x9y", QDateTime(QDate(2024, 3, 1), QTime(8, 5, 9)));
    // Saving a known teacher again updates the row and keeps its login date.
    teachers->saveTeacher(m_db, { "x9y", "p2", "Second", "2", "c@d", "av", "" });
    QCOMPARE(teachers->selectAll(m_db).size(), 1);
    QCOMPARE(teachers->selectAll(m_db).first().password, QString("p2"));
    QCOMPARE(teachers->selectAll(m_db).first().loginDate, QString("2024-03-01 08:05:09"));
    teachers->deleteByUser(m_db, "x9y");
    QVERIFY(teachers->selectAll(m_db).isEmpty());

    TAV_SubjectInfo* subjects = TAV_SubjectInfo::getInstance();
    TAV_CSTeacherInfo* links = TAV_CSTeacherInfo::getInstance();
    subjects->saveSubjects(m_db, { { 1, "Maths" }, { 2, "Music" } });
    subjects->saveSubjects(m_db, { { 2, "Art" }, { 3, "Physics" } });
    QCOMPARE(subjects->selectSubjectName(m_db, 2), QString("Art"));
    links->insertCSTeacherInfoList(m_db, { { "t", 5, 3 }, { "t", 5, 4 }, { "u", 6, 1 } });
    const QVector<SubjectInfoRow> taught = subjects->selectByUserAndClass(m_db, "t", 5);
    QCOMPARE(taught.size(), 2);
    QCOMPARE(taught.at(0).subjectName, QString("Physics"));
    QCOMPARE(taught.at(1).subjectID, 4);
    QCOMPARE(TAVMemInfo::getInstance()->subjectList.size(), 2);
    subjects->deleteBySubject(m_db, 3);
    QCOMPARE(subjects->selectSubjectName(m_db, 3), QString());

    QVERIFY(links->existsByClass(m_db, 5));
    links->deleteByUser(m_db, "t");
    QVERIFY(!links->existsByClass(m_db, 5) && links->existsBySubject(m_db, 1));
    QCOMPARE(links->selectByUser(m_db, "u").size(), 1);
}

void TestTavRosterTables::seatsOfClassMembersOnly()
{
    TAV_StuSortInfo* seats = TAV_StuSortInfo::getInstance();
    TAV_StudentInfo::getInstance()->insertStudentInfoList(
        m_db, { { "a", 9, "A", "", "" }, { "b", 9, "B", "", "" }, { "z", 8, "Z", "", "" } });
    QVERIFY(seats->saveSeats(m_db, { { "z", { 0, 0 } } }, 8));
    QVERIFY(seats->saveSeats(m_db, { { "a", { 1, 2 } }, { "b", { 3, 0 } }, { "gone", { 0, 1 } } }, 9));
    const QMap<QString, SeatPos> plan = seats->selectByClass(m_db, 9);
    QCOMPARE(plan.keys(), QStringList({ "a", "b" }));
    QCOMPARE(plan.value("a").row, 1);
    QCOMPARE(plan.value("a").col, 2);
    // The student id is the key of the whole table: a seat under another class is refused.
    QVERIFY(!seats->saveSeats(m_db, { { "z", { 1, 1 } } }, 9));
    QVERIFY(seats->saveSeats(m_db, {}, 9));
    QVERIFY(seats->selectByClass(m_db, 9).isEmpty());
    seats->deleteByClass(m_db, 8);
    QVERIFY(seats->selectByClass(m_db, 8).isEmpty());
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
