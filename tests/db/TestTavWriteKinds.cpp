// The writes of a quiz, a sign-in and a seat plan that the program's writer makes: the rows each puts into the
// file, once however often it comes back from the side record, and what it refuses to write.
#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TavSideRecord.h"
#include "TavWriteBehind.h"
#include "TavWriteKinds.h"

#include <QJsonArray>
#include <QtTest>

using namespace DbTestSupport;

namespace {

const int kBoundMs = 30000;

// Two students, two items: S01 answered the first item twice (A, then C), S02 nothing.
QuizRows quiz(int lesson)
{
    QuizRows rows;
    rows.quiz = { 0, lesson, "2026-01-05 08:00:00", "2026-01-05 08:10:00", "P1", 0 };
    for (const QString& student : { QStringLiteral("S01"), QStringLiteral("S02") }) {
        QuizRows::Student s;
        s.row = { student, 0, student == "S01" ? 75 : 0 };
        for (int item = 1; item <= 2; ++item) {
            QuizRows::Answer a;
            a.row = { 0, 0, student, "", item, 1, "Q9", 1, item, "" };
            if (student == "S01" && item == 1) {
                a.row.answer = "C";
                a.row.answerTime = "2026-01-05 08:01:15";
                a.history = { { 0, 0, 1, "A", "2026-01-05 08:01:00" }, { 0, 0, 2, "C", "2026-01-05 08:01:15" } };
            }
            s.answers.append(a);
        }
        rows.students.append(s);
    }
    return rows;
}

QString quizRows()
{
    return committedValue("select (select count(*) from TAV_ExamInfo) || ' ' || (select count(*) from "
                          "TAV_ExamStuInfo) || ' ' || (select count(*) from TAV_ExamStuAnswer) || ' ' || "
                          "(select count(*) from TAV_ExamStuAnswer_Pro)")
        .toString();
}

SignInfoRow signIn(int lesson)
{
    SignInfoRow row;
    row.localRecordID = lesson;
    row.startTime = row.createDate = "2026-01-05 08:20:00";
    row.endTime = "2026-01-05 08:21:00";
    row.stationSn = "ST-1";
    return row;
}

QString seatsOf(int classID)
{
    return committedValue("select group_concat(s, ' ') from (select dovaneID || '@' || row || ',' || col as s from "
                          "TAV_StuSortInfo where classID = ? order by dovaneID)",
                          { classID })
        .toString();
}

} // namespace

class TestTavWriteKinds : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(freshDatabase());
        QVERIFY(TAVDatabase::getInstance()->waitForFileCheck());
    }
    void cleanup() { TavWriteBehind::getInstance()->finish(); }

    void quizGoesInAsItsRows()
    {
        const OpenedLesson lesson = openLessonOf(101);
        TavWriteBehind::getInstance()->hand(TavWriteKinds::quiz(quiz(lesson.id), lesson.uuid));
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select localRecordID || ' ' || startTime || ' ' || endTime || ' ' || paperID || ' ' "
                                "|| status from TAV_ExamInfo")
                     .toString(),
                 QString("%1 2026-01-05 08:00:00 2026-01-05 08:10:00 P1 0").arg(lesson.id));
        QCOMPARE(committedValue("select group_concat(dovaneID || ':' || useTime, ' ') from TAV_ExamStuInfo where "
                                "examID = (select examID from TAV_ExamInfo)")
                     .toString(),
                 QString("S01:75 S02:0"));
        // An answer without a time keeps NULL; the facts of the item go with every answer.
        QCOMPARE(committedValue("select group_concat(a, ' ') from (select dovaneID || ':' || mcsn || ':' || answer || "
                                "':' || ifnull(answerTime, 'null') || ':' || questionID || subQuestionID || sn || "
                                "structID as a from TAV_ExamStuAnswer order by id)")
                     .toString(),
                 QString("S01:1:C:2026-01-05 08:01:15:Q9111 S01:2::null:Q9211 S02:1::null:Q9111 "
                         "S02:2::null:Q9211"));
        QCOMPARE(committedValue("select group_concat(h, ' ') from (select p.sequence || p.answer || ':' || "
                                "p.answerTime || ':' || a.dovaneID || a.mcsn as h from TAV_ExamStuAnswer_Pro p join "
                                "TAV_ExamStuAnswer a on a.id = p.answerID order by p.id)")
                     .toString(),
                 QString("1A:2026-01-05 08:01:00:S011 2C:2026-01-05 08:01:15:S011"));
    }

    // A quiz recorded while a try of it was under way, when the program ended, may be in the file already: it goes
    // in once. Two quits of one second are two quizzes.
    void aQuizGoesInOnce_data()
    {
        QTest::addColumn<bool>("maybeWritten");
        QTest::addColumn<QString>("rows");
        QTest::newRow("recorded while its try was under way") << true << "1 2 4 2";
        QTest::newRow("another quit") << false << "2 4 8 4";
    }

    void aQuizGoesInOnce()
    {
        QFETCH(bool, maybeWritten);
        const OpenedLesson lesson = openLessonOf(101);
        TavWrite write = TavWriteKinds::quiz(quiz(lesson.id), lesson.uuid);
        TavWriteBehind::getInstance()->hand(write);
        QVERIFY(writerIdle());
        write.maybeWritten = maybeWritten;
        TavWriteBehind::getInstance()->hand(write);
        QVERIFY(writerIdle());
        QTEST(quizRows(), "rows");
        // A quiz the file does not hold yet goes in, recorded so or not.
        QuizRows later = quiz(lesson.id);
        later.quiz.startTime = "2026-01-05 08:30:00";
        write = TavWriteKinds::quiz(later, lesson.uuid);
        write.maybeWritten = true;
        TavWriteBehind::getInstance()->hand(write);
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select count(*) from TAV_ExamInfo where startTime = '2026-01-05 08:30:00'").toInt(),
                 1);
    }

    // What comes back from the side record is checked before anything of it is written: a quiz that does not fit
    // its shape is set aside, and what was handed after it goes in.
    void quizThatDoesNotFitIsSetAside_data()
    {
        QTest::addColumn<QString>("path"); // where the odd value goes: field, or students/answers/history places
        QTest::addColumn<QJsonValue>("value");
        QTest::newRow("a start that is no time") << "startTime" << QJsonValue("8 o'clock");
        QTest::newRow("no students") << "students" << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("a student without id") << "students.0.dovaneID" << QJsonValue("");
        QTest::newRow("a time used that is text") << "students.1.useTime" << QJsonValue("75");
        QTest::newRow("an answer time that is no time") << "students.0.answers.0.answerTime" << QJsonValue("soon");
        QTest::newRow("an item number beyond an int") << "students.0.answers.1.mcsn" << QJsonValue(4294967296.0);
        QTest::newRow("a history entry that is no object") << "students.0.answers.0.history.1" << QJsonValue("C");
    }

    void quizThatDoesNotFitIsSetAside()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        const OpenedLesson lesson = openLessonOf(101);
        TavWrite odd = TavWriteKinds::quiz(quiz(lesson.id), lesson.uuid);
        odd.data = changed(odd.data, path.split('.'), value).toObject();
        LogCapture log;
        TavWriteBehind::getInstance()->hand(odd);
        TavWriteBehind::getInstance()->hand(
            TavWriteKinds::signIn(signIn(lesson.id), { { "S01", "2026-01-05 08:20:05" } }, lesson.uuid));
        QVERIFY(writerIdle());
        QCOMPARE(quizRows(), QString("0 0 0 0"));
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 1);
        QVERIFY(log.contains("does not fit its kind"));
    }

    // A sign-in goes in ended, with its students, in one try; once, when it was recorded while its try was under
    // way. One of the same second with other students is another sign-in.
    void signInGoesInWholeOnce()
    {
        const OpenedLesson lesson = openLessonOf(101);
        const QMap<QString, QString> two { { "S01", "2026-01-05 08:20:05" }, { "S02", "2026-01-05 08:20:09" } };
        TavWrite write = TavWriteKinds::signIn(signIn(lesson.id), two, lesson.uuid);
        TavWriteBehind::getInstance()->hand(write);
        QVERIFY(writerIdle());
        write.maybeWritten = true;
        TavWriteBehind::getInstance()->hand(write);
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select count(*) || ' ' || localRecordID || ' ' || startTime || ' ' || endTime || ' ' "
                                "|| createDate || ' ' || stationSn || ' ' || status from TAV_SignInfo")
                     .toString(),
                 QString("1 %1 2026-01-05 08:20:00 2026-01-05 08:21:00 2026-01-05 08:20:00 ST-1 0").arg(lesson.id));
        QCOMPARE(committedValue("select group_concat(dovaneID || '@' || createDate, ' ') from TAV_SignStuInfo where "
                                "signID = (select signID from TAV_SignInfo)")
                     .toString(),
                 QString("S01@2026-01-05 08:20:05 S02@2026-01-05 08:20:09"));

        QMap<QString, QString> three = two;
        three.insert("S03", "2026-01-05 08:20:30");
        TavWriteBehind::getInstance()->hand(TavWriteKinds::signIn(signIn(lesson.id), three, lesson.uuid));
        QVERIFY(writerIdle());
        write = TavWriteKinds::signIn(signIn(lesson.id), three, lesson.uuid);
        write.maybeWritten = true;
        TavWriteBehind::getInstance()->hand(write);
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select count(*) from TAV_SignInfo").toInt(), 2);
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 5);
    }

    // A newer plan of the class takes the place of one that waits for the file; the grid size goes with it.
    void newerSeatPlanTakesThePlaceOfOneWaiting()
    {
        const OpenedLesson lesson = openLessonOf(101);
        QVERIFY(runOutside("insert into TAV_ClassInfo (classID, className, row, col) values (101, 'A', 1, 1)"));
        TavWriteBehind* writer = TavWriteBehind::getInstance();
        QSignalSpy failed(writer, &TavWriteBehind::failed);
        {
            FileLock lock;
            QVERIFY(lock.isHeld());
            writer->hand(TavWriteKinds::seatPlan(101, 1, 2, { { "S01", { 0, 0 } }, { "S02", { 0, 1 } } }, lesson.id,
                                                 lesson.uuid));
            QVERIFY(failed.wait(kBoundMs));
            QCOMPARE(failed.first().at(0).toString(), TavWriteKinds::SeatPlan);
            writer->hand(TavWriteKinds::seatPlan(101, 2, 1, { { "S01", { 1, 0 } }, { "S02", { 0, 0 } } }, lesson.id,
                                                 lesson.uuid));
        }
        QVERIFY(writerIdle());
        QCOMPARE(seatsOf(101), QString("S01@1,0 S02@0,0"));
        QCOMPARE(committedValue("select row || ',' || col from TAV_ClassInfo where classID = 101").toString(),
                 QString("2,1"));
        QCOMPARE(TavSideRecord::getInstance()->pendingCount(), 0);
    }

    // A student has one seat in the whole table: a plan that seats one who sits in another class can never be
    // stored. It is set aside at once, the plan before stays, and it holds up nothing after it.
    void seatPlanThatCanNeverBeStoredHoldsUpNothing()
    {
        const OpenedLesson lesson = openLessonOf(101);
        QVERIFY(runOutside("insert into TAV_StuSortInfo (dovaneID, classID, col, row) values ('S01', 101, 0, 0), "
                           "('S09', 102, 3, 3)"));
        LogCapture log;
        TavWriteBehind* writer = TavWriteBehind::getInstance();
        writer->hand(
            TavWriteKinds::seatPlan(101, 1, 2, { { "S01", { 0, 1 } }, { "S09", { 0, 0 } } }, lesson.id, lesson.uuid));
        writer->hand(TavWriteKinds::signIn(signIn(lesson.id), { { "S01", "2026-01-05 08:20:05" } }, lesson.uuid));
        QVERIFY(writerIdle());
        QCOMPARE(seatsOf(101), QString("S01@0,0"));
        QCOMPARE(seatsOf(102), QString("S09@3,3"));
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 1);
        QVERIFY(log.contains("****the seat plan of class 101 cannot be kept: S09 (class 102) has a seat in another "
                             "class"));
    }

private:
    // value at the path within data; an undefined value removes the field.
    static QJsonValue changed(const QJsonValue& data, QStringList path, const QJsonValue& value)
    {
        const QString step = path.takeFirst();
        if (data.isArray()) {
            QJsonArray array = data.toArray();
            array[step.toInt()] = path.isEmpty() ? value : changed(array.at(step.toInt()), path, value);
            return array;
        }
        QJsonObject object = data.toObject();
        if (path.isEmpty() && value.isUndefined())
            object.remove(step);
        else
            object.insert(step, path.isEmpty() ? value : changed(object.value(step), path, value));
        return object;
    }
};

TAV_DB_TEST_MAIN(TestTavWriteKinds)
#include "TestTavWriteKinds.moc"
