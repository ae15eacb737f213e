#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_CSTeacherInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_ClassRecord.h"
#include "TAV_ExamInfo.h"
#include "TAV_ExamStuAnswer.h"
#include "TAV_ExamStuAnswer_Pro.h"
#include "TAV_ExamStuInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_SignInfo.h"
#include "TAV_SignStuInfo.h"
#include "TAV_StuResult.h"
#include "TAV_StuSortInfo.h"
#include "TAV_StudentInfo.h"
#include "TAV_SubjectInfo.h"
#include "TAV_TeacherInfo.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QtTest>

using namespace DbTestSupport;

namespace {
const QString kTime("2024-05-06 07:08:09");

QString cols(const QVariantList& values)
{
    QStringList texts;
    for (const QVariant& v : values)
        texts << v.toString();
    return texts.join('|');
}

QVariant value(QSqlDatabase db, const QString& sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0) : QVariant();
}

int openLesson(QSqlDatabase db, const QString& creator)
{
    const ClassRecordRow row { 0, "", "", creator, 3, 4, "", "", false, true, "R1", "", false, "" };
    return TAV_ClassRecord::getInstance()->insertClassRecord(db, row);
}

InteractInfoRow interaction(QSqlDatabase db, int record, const QString& answer)
{
    InteractInfoRow row { -1, record, 0, kTime, "", answer, false, kTime, "R1" };
    TAV_InteractInfo::getInstance()->insertInteractInfo(db, &row);
    return row;
}

int writeAnswer(QSqlDatabase db, int examID, const QString& student, const QString& time = kTime)
{
    ExamStuAnswerRow row { 0, examID, student, "AB", 3, 2, "q-17", 1, 4, time };
    return TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(db, row);
}

bool writeHistory(QSqlDatabase db, int answerID, int sequence, const QString& answer, const QString& time)
{
    return TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(db, { 0, answerID, sequence, answer, time });
}

QStringList describe(const QList<ExamStuAnswerProRow>& rows)
{
    QStringList lines;
    for (const ExamStuAnswerProRow& r : rows)
        lines << cols({ r.id, r.answerID, r.sequence, r.answer, r.answerTime });
    return lines;
}

// One row in every table the upload sends; each lesson's texts carry its tag.
struct Lesson
{
    int record, interact, sign, exam;
};

Lesson writeLesson(QSqlDatabase db, const QString& tag)
{
    Lesson l;
    l.record = openLesson(db, tag);
    l.interact = interaction(db, l.record, tag).interactID;
    TAV_StuResult::getInstance()->insertStuResult(db, { 0, l.interact, "s1", kTime, tag, false });
    l.sign = TAV_SignInfo::getInstance()->insertSignInfo(db, "R1");
    TAV_SignInfo::getInstance()->setEndTime(db);
    TAV_SignStuInfo::getInstance()->insertSignStuInfoList(db, { { "s1", kTime } });
    ExamInfoRow quiz { 0, l.record, kTime, kTime, tag, 0 };
    l.exam = TAV_ExamInfo::getInstance()->insertExamInfo(db, quiz);
    TAV_ExamStuInfo::getInstance()->insertExamStuInfo(db, { "s1", l.exam, 60 });
    writeHistory(db, writeAnswer(db, l.exam, "s1"), 1, tag, kTime);
    return l;
}

// What the upload would send of the lesson, table by table, in the upload's own selects.
QStringList pendingRows(QSqlDatabase db, const Lesson& l)
{
    QStringList rows;
    ClassRecordRow r;
    if (TAV_ClassRecord::getInstance()->selectByRecord(db, l.record, &r) == 0 && !r.status)
        rows << cols({ r.creator, r.classID, r.subjectID, r.classStatus, r.stationSn, r.UUID.size(), r.endTime });
    for (const InteractInfoRow& i : TAV_InteractInfo::getInstance()->selectNotUploaded(db, l.record))
        rows << cols({ i.answerType, i.startTime, i.endTime.isEmpty(), i.answer, i.createDate, i.stationSn });
    for (const StuResultRow& s : TAV_StuResult::getInstance()->selectNotUploaded(db, l.interact))
        rows << cols({ s.interactID == l.interact, s.dovaneID, s.createDate, s.result });
    const SignInfoRow sign = TAV_SignInfo::getInstance()->selectLastFinished(db, l.record);
    if (sign.signID != -1)
        rows << cols({ sign.signID == l.sign, sign.localRecordID == l.record, sign.stationSn, sign.endTime.isEmpty() });
    for (const SignStuInfoRow& s : TAV_SignStuInfo::getInstance()->selectNotUploaded(db, l.sign))
        rows << cols({ s.signID == l.sign, s.dovaneID, s.createDate });
    for (const ExamInfoRow& e : TAV_ExamInfo::getInstance()->selectNotUploaded(db, l.record))
        rows << cols({ e.examID == l.exam, e.startTime, e.endTime, e.paperID });
    for (const ExamStuInfoRow& e : TAV_ExamStuInfo::getInstance()->selectNotUploaded(db, l.exam))
        rows << cols({ e.examID == l.exam, e.dovaneID, e.useTime });
    for (const ExamStuAnswerRow& a : TAV_ExamStuAnswer::getInstance()->selectNotUploaded(db, l.exam))
        rows << cols({ a.examID == l.exam, a.dovaneID, a.answer, a.subQuestionID, a.sn, a.questionID, a.structID,
                       a.mcsn, a.answerTime });
    for (const auto& history : TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploadedByExam(db, l.exam)) {
        for (const ExamStuAnswerProRow& h : history)
            rows << cols({ h.sequence, h.answer, h.answerTime });
    }
    return rows;
}

const QStringList kUploadTables { "TAV_ClassRecord", "TAV_InteractInfo",  "TAV_StuResult",
                                  "TAV_SignInfo",    "TAV_SignStuInfo",   "TAV_ExamInfo",
                                  "TAV_ExamStuInfo", "TAV_ExamStuAnswer", "TAV_ExamStuAnswer_Pro" };
} // namespace

// Every table class: the roster and what it puts into the teacher state, then what a lesson writes and what the
// upload reads, marks and deletes.
class TestTavTables : public QObject
{
    Q_OBJECT
    QSqlDatabase m_db;
    TAVMemInfo* mem = TAVMemInfo::getInstance();

private slots:
    void init()
    {
        QVERIFY(freshDatabase());
        resetTeacherState();
        TAV_SignInfo::getInstance()->currentSignID = -1;
        m_db = TAVDatabase::getInstance()->getDbCon();
    }

    void cleanup()
    {
        TAVDatabase::getInstance()->closeDbCon(m_db);
        m_db = QSqlDatabase();
    }

    void classesFollowIntoTeacherState()
    {
        TAV_ClassInfo* classes = TAV_ClassInfo::getInstance();
        classes->saveClasses(m_db, { { 11, 2, 7, 1, "Old name", "S1" } });
        classes->setColRow(m_db, 6, 8, 11);
        // A known class is updated and keeps its grid; a new one is inserted.
        classes->saveClasses(m_db, { { 11, 2, 7, 1, "Class 1", "" }, { 12, 2, 7, 2, "Class 2", "" } });
        QCOMPARE(classes->selectClassName(m_db, 12), QString("Class 2"));
        classes->loadByClass(m_db, 11);
        const ClassInfoRow& current = mem->currentClass;
        QCOMPARE(cols({ current.className, current.stationSn, current.row, current.col }), QString("Class 1||6|8"));

        mem->classMap = { { 11, mem->currentClass }, { 12, { 12, 0, 0, 0, "Class 2", "other" } } };
        classes->setStationSn(m_db, 11, "R-2024");
        QCOMPARE(cols({ current.stationSn, mem->classMap.value(11).stationSn, mem->classMap.value(12).stationSn }),
                 QString("R-2024|R-2024|other"));
        classes->deleteByClass(m_db, 12);
        QCOMPARE(classes->selectClassName(m_db, 12), QString());
        classes->loadByClass(m_db, 11);
        QCOMPARE(mem->currentClass.stationSn, QString("R-2024"));

        // A teacher's classes: each linked one once, nothing left from before.
        classes->saveClasses(m_db, { { 21, 2, 7, 1, "A", "S9" }, { 22, 2, 7, 2, "B", "" } });
        TAV_CSTeacherInfo::getInstance()->insertCSTeacherInfoList(
            m_db, { { "t1", 21, 1 }, { "t1", 21, 2 }, { "t1", 22, 1 }, { "t2", 23, 1 } });
        mem->classMap.insert(99, ClassInfoRow());
        classes->loadByUser(m_db, "t1");
        QCOMPARE(mem->classMap.keys(), QList<int>({ 21, 22 }));
        QCOMPARE(mem->classMap.value(21).className + mem->classMap.value(21).stationSn, QString("AS9"));
        // A link to a class without a row still gives an entry, with its id only.
        classes->loadByUser(m_db, "t2");
        QCOMPARE(mem->classMap.keys(), QList<int>({ 23 }));
    }

    void studentsAndTheirKeypads()
    {
        TAV_StudentInfo* students = TAV_StudentInfo::getInstance();
        students->insertStudentInfoList(m_db,
                                        { { "s2", 41, "Bo", "102", "R0" },
                                          { "s1", 41, "O'Neil", "", "" },
                                          { "s3", 41, "Cy", "102", "" },
                                          { "s3", 42, "Cy", "104", "" } });
        mem->snMap.insert("999", "gone");
        students->loadByClass(m_db, 41);
        QCOMPARE(
            cols({ mem->studentList.size(), mem->studentList.value(0).dovaneID, mem->studentMap.value("s1").name }),
            QString("3|s2|O'Neil"));
        // No keypad: known as a student, unreachable by keypad. A keypad held twice goes to the later row.
        QCOMPARE(mem->snMap, (QMap<QString, QString> { { "102", "s3" } }));

        // A keypad moves: taken from whoever holds it, then bound to the student in every class.
        QCOMPARE(students->selectByClassAndSn(m_db, 41, "102").dovaneID, QString("s2"));
        students->clearSn(m_db, "102");
        students->setSn(m_db, "s3", "7");
        students->setStationSn(m_db, "s3", "R3");
        QCOMPARE(value(m_db,
                       "select group_concat(dovaneID || '|' || classID || '|' || sn || '|' || stationSn, ',') from "
                       "(select * from TAV_StudentInfo order by dovaneID, classID)")
                     .toString(),
                 QString("s1|41||,s2|41||,s3|41|7|R3,s3|42|7|R3"));
        QCOMPARE(students->selectByClassAndSn(m_db, 41, "7").name, QString("Cy"));

        students->deleteByClass(m_db, 42);
        QCOMPARE(students->selectByClassAndSn(m_db, 42, "7").dovaneID, QString());
        students->deleteByClasses(m_db, { { 41, 0, 0, 0, "", "" } });
        students->loadByClass(m_db, 41);
        QVERIFY(mem->studentList.isEmpty() && mem->studentMap.isEmpty() && mem->snMap.isEmpty());
    }

    void teachersSubjectsAndLinks()
    {
        TAV_TeacherInfo* teachers = TAV_TeacherInfo::getInstance();
        teachers->saveTeacher(m_db, { "t'one", "p1", "First", "1", "a@b", "", "" });
        teachers->setLoginDate(m_db, "t'one", QDateTime(QDate(2024, 3, 1), QTime(8, 5, 9)));
        // Saving a known teacher again updates the row and keeps its login date.
        teachers->saveTeacher(m_db, { "t'one", "md5a", "O'Hara", "13800000000", "c@d", "av", "" });
        QCOMPARE(cols({ teachers->selectAll(m_db).size(), mem->currentTeacher.name }), QString("1|O'Hara"));
        // The update took the new password; offline login itself is covered by the login dialog tests.
        QVERIFY(teachers->offlineLogin(m_db, "13800000000", "md5a") && !teachers->offlineLogin(m_db, "t'one", "p1"));
        QCOMPARE(teachers->selectAll(m_db).first().loginDate, QString("2024-03-01 08:05:09"));

        teachers->deleteByUser(m_db, "t'one");
        QVERIFY(teachers->selectAll(m_db).isEmpty());

        TAV_SubjectInfo* subjects = TAV_SubjectInfo::getInstance();
        TAV_CSTeacherInfo* links = TAV_CSTeacherInfo::getInstance();
        subjects->saveSubjects(m_db, { { 1, "Maths" }, { 2, "Music" } });
        subjects->saveSubjects(m_db, { { 2, "Art" }, { 3, "Physics" } });
        QCOMPARE(subjects->selectSubjectName(m_db, 2), QString("Art"));
        links->insertCSTeacherInfoList(m_db, { { "t", 5, 3 }, { "t", 5, 4 }, { "u", 6, 1 } });
        const QVector<SubjectInfoRow> taught = subjects->selectByUserAndClass(m_db, "t", 5);
        QCOMPARE(
            cols({ taught.size(), taught.value(0).subjectName, taught.value(1).subjectID, mem->subjectList.size() }),
            QString("2|Physics|4|2"));
        subjects->deleteBySubject(m_db, 3);
        QCOMPARE(subjects->selectSubjectName(m_db, 3), QString());

        QVERIFY(links->existsByClass(m_db, 5));
        links->deleteByUser(m_db, "t");
        QVERIFY(!links->existsByClass(m_db, 5) && links->existsBySubject(m_db, 1));
        QCOMPARE(links->selectByUser(m_db, "u").size(), 1);
    }

    void seatsOfClassMembersOnly()
    {
        TAV_StuSortInfo* seats = TAV_StuSortInfo::getInstance();
        TAV_StudentInfo::getInstance()->insertStudentInfoList(
            m_db, { { "a", 9, "A", "", "" }, { "b", 9, "B", "", "" }, { "z", 8, "Z", "", "" } });
        QVERIFY(seats->saveSeats(m_db, { { "z", { 0, 0 } } }, 8));
        QVERIFY(seats->saveSeats(m_db, { { "a", { 1, 2 } }, { "b", { 3, 0 } }, { "gone", { 0, 1 } } }, 9));
        const QMap<QString, SeatPos> plan = seats->selectByClass(m_db, 9);
        QCOMPARE(plan.keys(), QStringList({ "a", "b" }));
        QCOMPARE(cols({ plan.value("a").row, plan.value("a").col }), QString("1|2"));
        // The student id is the key of the whole table: a seat under another class is refused.
        QVERIFY(!seats->saveSeats(m_db, { { "z", { 1, 1 } } }, 9));
        QVERIFY(seats->saveSeats(m_db, {}, 9));
        QVERIFY(seats->selectByClass(m_db, 9).isEmpty());
        seats->deleteByClass(m_db, 8);
        QVERIFY(seats->selectByClass(m_db, 8).isEmpty());
    }

    void lessonGoesThroughTheUpload()
    {
        const Lesson a = writeLesson(m_db, "A");
        const Lesson b = writeLesson(m_db, "B");
        // A new interaction becomes the current one and closes the open one.
        QCOMPARE(mem->currentInteractID, b.interact);
        QCOMPARE(
            pendingRows(m_db, a),
            QStringList({ "A|3|4|true|R1|38|", "0|" + kTime + "|false|A|" + kTime + "|R1", "true|s1|" + kTime + "|A",
                          "true|true|R1|false", "true|s1|" + kTime, "true|" + kTime + "|" + kTime + "|A", "true|s1|60",
                          "true|s1|AB|3|2|q-17|1|4|" + kTime, "1|A|" + kTime }));

        // Marked in the upload's order: the answers before their histories.
        TAV_ClassRecord::getInstance()->setUploaded(m_db, a.record);
        TAV_InteractInfo::getInstance()->setUploaded(m_db, a.interact);
        for (const StuResultRow& s : TAV_StuResult::getInstance()->selectNotUploaded(m_db, a.interact))
            TAV_StuResult::getInstance()->setUploaded(m_db, s.stuResultID);
        TAV_SignInfo::getInstance()->setUploaded(m_db, a.sign);
        TAV_SignStuInfo::getInstance()->setUploaded(m_db, a.sign);
        TAV_ExamInfo::getInstance()->setUploaded(m_db, a.exam);
        TAV_ExamStuInfo::getInstance()->setUploaded(m_db, a.exam);
        TAV_ExamStuAnswer::getInstance()->setUploaded(m_db, a.exam);
        TAV_ExamStuAnswer_Pro::getInstance()->setUploadedByExam(m_db, a.exam);
        QVERIFY(pendingRows(m_db, a).isEmpty());
        for (const QString& table : kUploadTables)
            QCOMPARE(value(m_db, "select count(*) || '|' || sum(status = 0) from " + table).toString(), QString("2|1"));

        TAV_ExamStuAnswer_Pro::getInstance()->deleteByExam(m_db, a.exam);
        TAV_ExamStuAnswer::getInstance()->deleteByExam(m_db, a.exam);
        TAV_ExamStuInfo::getInstance()->deleteByExam(m_db, a.exam);
        TAV_ExamInfo::getInstance()->deleteByExam(m_db, a.exam);
        TAV_SignStuInfo::getInstance()->deleteBySign(m_db, a.sign);
        TAV_SignInfo::getInstance()->deleteByRecord(m_db, a.record);
        TAV_StuResult::getInstance()->deleteByInteract(m_db, a.interact);
        TAV_InteractInfo::getInstance()->deleteByInteract(m_db, a.interact);
        TAV_ClassRecord::getInstance()->deleteByRecord(m_db, a.record);
        for (const QString& table : kUploadTables)
            QCOMPARE(value(m_db, "select count(*) from " + table).toInt(), 1);
        QCOMPARE(pendingRows(m_db, b).size(), 9);
    }

    void lessonRecordFollowsIntoTeacherState()
    {
        TAV_ClassRecord* records = TAV_ClassRecord::getInstance();
        const ClassRecordRow& current = mem->currentRecord;
        ClassRecordRow row;
        QCOMPARE(records->loadOpenRecord(m_db, &row), -1);
        const int left = openLesson(m_db, "left open");
        const int id = openLesson(m_db, "new");
        QCOMPARE(cols({ current.localRecordID == id, current.creator }), QString("true|new"));

        records->setEndTimeAndName(m_db, id, "Maths-7(1)-O'Brien", QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
        QCOMPARE(current.localRecordID, -1);
        QCOMPARE(records->selectByRecord(m_db, id, &row), 0);
        QCOMPARE(row.recordName + "|" + row.endTime, QString("Maths-7(1)-O'Brien|2024-01-02 03:04:05"));
        // After a crash the newest lesson still open becomes current again.
        QCOMPARE(records->loadOpenRecord(m_db, &row), left);
        QCOMPARE(current.creator, QString("left open"));
        // The upload starts from the oldest lesson, whatever its state.
        records->setUploaded(m_db, left);
        QCOMPARE(records->selectFirst(m_db, &row), 0);
        QVERIFY(row.localRecordID == left && row.status);
    }

    void pendingAnswerWaitsForUpload_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("offered");
        QTest::newRow("no right answer yet") << "-1" << false;
        QTest::newRow("marked by the teacher") << "A" << true;
        QTest::newRow("random pick (null text)") << QString() << true;
        QTest::newRow("chance passed (empty)") << "" << true;
    }

    void pendingAnswerWaitsForUpload()
    {
        QFETCH(QString, answer);
        QFETCH(bool, offered);
        TAV_InteractInfo* interactions = TAV_InteractInfo::getInstance();
        interaction(m_db, 9, "-1");
        interaction(m_db, 8, answer);
        QCOMPARE(interactions->selectNotUploaded(m_db, 8).size(), offered ? 1 : 0);

        // When the lesson ends, its answers still pending go as empty text; other lessons keep theirs.
        interactions->clearPendingAnswers(m_db, 8);
        const QList<InteractInfoRow> pending = interactions->selectNotUploaded(m_db, 8);
        QCOMPARE(cols({ pending.size(), pending.value(0).answer }), "1|" + (offered ? answer : QString()));
        QCOMPARE(value(m_db, "select count(*) from TAV_InteractInfo where answer is null").toInt(), 0);
        QCOMPARE(interactions->selectByRecord(m_db, 9).first().answer, QString("-1"));
    }

    void resultIsKeptOnlyInAnOpenInteraction_data()
    {
        QTest::addColumn<QString>("interaction"); // when the student's second answer is written
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("stored");
        QTest::newRow("running") << "open" << int(TAV_StuResult::Kept) << "D01:B D02:C";
        QTest::newRow("ended") << "ended" << int(TAV_StuResult::Ended) << "D01:A";
        QTest::newRow("deleted") << "gone" << int(TAV_StuResult::Ended) << "";
    }

    void resultIsKeptOnlyInAnOpenInteraction()
    {
        QFETCH(QString, interaction);
        TAV_StuResult* results = TAV_StuResult::getInstance();
        const InteractInfoRow row = ::interaction(m_db, 8, "-1");
        QCOMPARE(results->keepResult(m_db, { 0, row.interactID, "D01", kTime, "A", false }), TAV_StuResult::Kept);
        if (interaction == "ended")
            TAV_InteractInfo::getInstance()->closeOpenInteractions(m_db);
        if (interaction == "gone") {
            QVERIFY(results->deleteByInteract(m_db, row.interactID));
            QVERIFY(TAV_InteractInfo::getInstance()->deleteByInteract(m_db, row.interactID));
        }
        // Over the first answer, never beside it.
        QFETCH(int, outcome);
        QCOMPARE(int(results->keepResult(m_db, { 0, row.interactID, "D01", kTime, "B", false })), outcome);
        QCOMPARE(int(results->keepResult(m_db, { 0, row.interactID, "D02", kTime, "C", false })), outcome);
        QFETCH(QString, stored);
        QCOMPARE(value(m_db,
                       QString("select coalesce(group_concat(r, ' '), '') from (select dovaneID || ':' || result as r "
                               "from TAV_StuResult where interactID = %1 order by dovaneID)")
                           .arg(row.interactID))
                     .toString(),
                 stored);
    }

    // A round kept whole has no id in the run that made it: its right answer finds it by its lesson, type and start.
    void roundIsFoundByItsStart()
    {
        TAV_InteractInfo* interactions = TAV_InteractInfo::getInstance();
        InteractInfoRow whole {
            -1, 8, 1, "2026-01-05 08:10:00", "2026-01-05 08:11:00", "-1", false, "2026-01-05 08:10:00", "R1"
        };
        const int id = interactions->insertEnded(m_db, whole);
        QVERIFY(id != -1);
        interaction(m_db, 8, "-1"); // another round of the lesson
        int found = 0;
        QVERIFY(interactions->findStarted(m_db, whole, &found));
        QCOMPARE(found, id);
        InteractInfoRow otherLesson = whole;
        otherLesson.localRecordID = 9;
        InteractInfoRow otherType = whole;
        otherType.answerType = 2;
        InteractInfoRow otherStart = whole;
        otherStart.startTime = "2026-01-05 08:10:01";
        for (const InteractInfoRow& other : { otherLesson, otherType, otherStart }) {
            QVERIFY(interactions->findStarted(m_db, other, &found));
            QCOMPARE(found, -1);
        }
    }

    void newestFinishedSignInIsOffered()
    {
        TAV_SignInfo* signs = TAV_SignInfo::getInstance();
        mem->currentRecord.localRecordID = 1;
        const int older = signs->insertSignInfo(m_db, "R1");
        signs->setEndTime(m_db);
        const int newer = signs->insertSignInfo(m_db, "R1");
        QCOMPARE(signs->selectLastSignID(m_db, 1), newer);
        // A running sign-in has no end time and is not offered.
        QCOMPARE(signs->selectLastFinished(m_db, 1).signID, older);
        signs->setEndTime(m_db);
        QCOMPARE(signs->selectLastFinished(m_db, 1).signID, newer);
        // Once the newest one is sent, the older unsent one is not offered either.
        signs->setUploaded(m_db, newer);
        QCOMPARE(signs->selectLastFinished(m_db, 1).signID, -1);
        QCOMPARE(signs->selectByRecord(m_db, 1).size(), 2);
    }

    void failedParentInsertRefusesItsChildren()
    {
        const int earlier = interaction(m_db, 1, "-1").interactID;
        QVERIFY(!TAV_SignStuInfo::getInstance()->insertSignStuInfoList(m_db, { { "s1", "t" } })); // none running
        TAV_SignInfo::getInstance()->insertSignInfo(m_db, "R1");
        ExamInfoRow quiz { 0, 1, "", "", "p", 0 };
        TAV_ExamInfo::getInstance()->insertExamInfo(m_db, quiz);
        for (const char* table : { "TAV_InteractInfo", "TAV_SignInfo", "TAV_ExamInfo" })
            QVERIFY(QSqlQuery(m_db).exec(QString("alter table %1 rename to %1_gone").arg(table)));

        LogCapture log;
        const InteractInfoRow failed = interaction(m_db, 1, "-1");
        QVERIFY(failed.interactID == -1 && mem->currentInteractID == earlier);
        QVERIFY(!TAV_StuResult::getInstance()->insertStuResult(m_db, { 0, failed.interactID, "s1", "", "A", false }));
        QCOMPARE(TAV_SignInfo::getInstance()->insertSignInfo(m_db, "R1"), -1);
        QVERIFY(!TAV_SignStuInfo::getInstance()->insertSignStuInfoList(m_db, { { "s1", "t" } }));
        QVERIFY(TAV_ExamInfo::getInstance()->insertExamInfo(m_db, quiz) == -1 && quiz.examID == -1);
        QVERIFY(!TAV_ExamStuInfo::getInstance()->insertExamStuInfo(m_db, { "s1", quiz.examID, 10 }));
        ExamStuAnswerRow answer { 99, quiz.examID, "s1", "A", 0, 0, "", 0, 0, "" };
        QVERIFY(TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(m_db, answer) == -1 && answer.id == -1);
        QVERIFY(!writeHistory(m_db, answer.id, 1, "A", ""));
        for (const char* child :
             { "TAV_StuResult", "TAV_SignStuInfo", "TAV_ExamStuInfo", "TAV_ExamStuAnswer", "TAV_ExamStuAnswer_Pro" })
            QCOMPARE(value(m_db, QString("select count(*) from ") + child).toInt(), 0);
    }

    void answerTimeIsStoredAsPlainTime_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored"); // null: SQL NULL
        QTest::newRow("plain") << kTime << kTime;
        QTest::newRow("enclosed in quotes") << "'" + kTime + "'" << kTime;
        QTest::newRow("empty") << "" << QString();
        QTest::newRow("null text") << QString() << QString();
        QTest::newRow("word null") << "NULL" << QString();
        QTest::newRow("quoted null") << "'null'" << QString();
    }

    void answerTimeIsStoredAsPlainTime()
    {
        QFETCH(QString, given);
        QFETCH(QString, stored);
        const int id = writeAnswer(m_db, 1, "s1", given);
        QVERIFY(writeHistory(m_db, id, 1, "A", given));
        for (const char* table : { "TAV_ExamStuAnswer", "TAV_ExamStuAnswer_Pro" }) {
            const QVariant v = value(m_db, QString("select answerTime from %1").arg(table));
            QCOMPARE(v.isNull(), stored.isNull());
            QCOMPARE(v.toString(), stored);
        }
        QCOMPARE(TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploaded(m_db, id).first().answerTime, stored);
    }

    void historiesOfQuizMatchThePerAnswerSelects()
    {
        // Histories written round-robin (sequence 1 of every answer, then 2, ...), so an answer's ids are not
        // adjacent.
        auto writeQuiz = [this](int examID, const QList<int>& counts) {
            QList<int> ids;
            for (int i = 0; i < counts.size(); ++i)
                ids << writeAnswer(m_db, examID, "s" + QString::number(i));
            for (int sequence = 1; sequence <= 4; ++sequence) {
                for (int i = 0; i < ids.size(); ++i) {
                    if (sequence <= counts.at(i))
                        writeHistory(m_db, ids.at(i), sequence, QString("%1-%2").arg(examID).arg(sequence),
                                     sequence == 2 ? "" : "2024-05-06 07:08:0" + QString::number(sequence));
                }
            }
            return ids;
        };
        writeQuiz(6, { 2, 3 });
        const QList<int> ids = writeQuiz(5, { 3, 0, 2, 2, 4 });
        // Sent earlier: the third answer's first history row, and the fourth answer itself.
        QVERIFY(QSqlQuery(m_db).exec(
            QString("update TAV_ExamStuAnswer_Pro set status = 1 where answerID = %1 and sequence = 1")
                .arg(ids.at(2))));
        QVERIFY(QSqlQuery(m_db).exec(QString("update TAV_ExamStuAnswer set status = 1 where id = %1").arg(ids.at(3))));

        TAV_ExamStuAnswer_Pro* histories = TAV_ExamStuAnswer_Pro::getInstance();
        const QMap<int, QList<ExamStuAnswerProRow>> byAnswer = histories->selectNotUploadedByExam(m_db, 5);
        QCOMPARE(byAnswer.keys(), QList<int>({ ids.at(0), ids.at(2), ids.at(4) }));
        const QList<ExamStuAnswerRow> pending = TAV_ExamStuAnswer::getInstance()->selectNotUploaded(m_db, 5);
        QCOMPARE(pending.size(), 4);
        for (const ExamStuAnswerRow& a : pending)
            QCOMPARE(describe(byAnswer.value(a.id)), describe(histories->selectNotUploaded(m_db, a.id)));

        // One answer's history on its own: marked, deleted.
        histories->setUploaded(m_db, ids.at(0));
        histories->deleteByAnswer(m_db, ids.at(4));
        QCOMPARE(histories->selectNotUploadedByExam(m_db, 5).keys(), QList<int>({ ids.at(2) }));
        QCOMPARE(value(m_db, "select count(*) from TAV_ExamStuAnswer_Pro").toInt(), 5 + 11 - 4);
    }
};

int main(int argc, char* argv[])
{
    return runInPrivateDir(argc, argv, [](int c, char** v) {
        QCoreApplication app(c, v);
        TestTavTables test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestTavTables.moc"
