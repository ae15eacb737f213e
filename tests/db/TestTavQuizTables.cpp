#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TAV_ExamInfo.h"
#include "TAV_ExamStuAnswer.h"
#include "TAV_ExamStuAnswer_Pro.h"
#include "TAV_ExamStuInfo.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QtTest>

#include <algorithm>

using namespace DbTestSupport;

// The four quiz tables: what a finished quiz writes and what the upload reads, marks and deletes.
class TestTavQuizTables : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void answerTimeIsStoredAsPlainTime_data();
    void answerTimeIsStoredAsPlainTime();
    void answerHistoryFollowsItsAnswer();
    void uploadedQuizIsNoLongerPending();
    void secondSummaryOfStudentIsRefused();
    void failedQuizInsertWritesNoChildren();
    void historiesOfQuizMatchThePerAnswerSelects();
    void historiesOfQuizAreMarkedAndDeletedTogether_data();
    void historiesOfQuizAreMarkedAndDeletedTogether();
    void failedHistorySelectOfQuizGivesNothing();

private:
    ExamStuAnswerRow answer(int examID, const QString& student, const QString& time);
    QList<int> writeQuizWithHistories(int examID, const QList<int>& historyCounts);
    QSqlDatabase m_db;
};

void TestTavQuizTables::init()
{
    QVERIFY(freshDatabase());
    m_db = TAVDatabase::getInstance()->getDbCon();
}

void TestTavQuizTables::cleanup()
{
    TAVDatabase::getInstance()->closeDbCon(m_db);
    m_db = QSqlDatabase();
}

ExamStuAnswerRow TestTavQuizTables::answer(int examID, const QString& student, const QString& time)
{
    ExamStuAnswerRow row;
    row.examID = examID;
    row.dovaneID = student;
    row.answer = "AB";
    row.subQuestionID = 3;
    row.sn = 2;
    row.questionID = "q-17";
    row.structID = 1;
    row.mcsn = 4;
    row.answerTime = time;
    return row;
}

// One answer per entry of historyCounts, then the histories round-robin (sequence 1 of every answer, then
// sequence 2, ...), so that the ids of one answer's history are not adjacent. Returns the answer ids.
QList<int> TestTavQuizTables::writeQuizWithHistories(int examID, const QList<int>& historyCounts)
{
    QList<int> ids;
    for (int i = 0; i < historyCounts.size(); ++i) {
        ExamStuAnswerRow row = answer(examID, "s" + QString::number(i), "2024-05-06 07:08:09");
        ids.append(TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(m_db, row));
    }
    const int longest = *std::max_element(historyCounts.begin(), historyCounts.end());
    for (int sequence = 1; sequence <= longest; ++sequence) {
        for (int i = 0; i < ids.size(); ++i) {
            if (sequence <= historyCounts.at(i))
                TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(
                    m_db,
                    { 0, ids.at(i), sequence, QString("%1-%2").arg(examID).arg(sequence),
                      sequence == 2 ? "" : "2024-05-06 07:08:0" + QString::number(sequence) });
        }
    }
    return ids;
}

namespace {
QStringList describe(const QList<ExamStuAnswerProRow>& rows)
{
    QStringList lines;
    for (const ExamStuAnswerProRow& r : rows)
        lines << QString("%1|%2|%3|%4|%5").arg(r.id).arg(r.answerID).arg(r.sequence).arg(r.answer, r.answerTime);
    return lines;
}

int count(QSqlDatabase db, const QString& sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
}
} // namespace

void TestTavQuizTables::answerTimeIsStoredAsPlainTime_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("plain") << "2024-05-06 07:08:09" << QVariant("2024-05-06 07:08:09");
    QTest::newRow("enclosed in quotes") << "'2024-05-06 07:08:09'" << QVariant("2024-05-06 07:08:09");
    QTest::newRow("empty") << "" << QVariant();
    QTest::newRow("null text") << QString() << QVariant();
    QTest::newRow("word null") << "NULL" << QVariant();
    QTest::newRow("quoted null") << "'null'" << QVariant();
}

void TestTavQuizTables::answerTimeIsStoredAsPlainTime()
{
    QFETCH(QString, given);
    QFETCH(QVariant, stored);
    ExamStuAnswerRow row = answer(1, "s1", given);
    const int id = TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(m_db, row);
    QVERIFY(id > 0);
    QCOMPARE(row.id, id);
    QVERIFY(TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(m_db, { 0, id, 1, "A", given }));

    for (const char* table : { "TAV_ExamStuAnswer", "TAV_ExamStuAnswer_Pro" }) {
        QSqlQuery q(m_db);
        QVERIFY(q.exec(QString("select answerTime from %1").arg(table)) && q.next());
        QCOMPARE(q.value(0).isNull(), stored.isNull());
        if (!stored.isNull())
            QCOMPARE(q.value(0).toString(), stored.toString());
    }
    const QString expected = stored.isNull() ? QString("") : stored.toString();
    QCOMPARE(TAV_ExamStuAnswer::getInstance()->selectByExam(m_db, 1).first().answerTime, expected);
    QCOMPARE(TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploaded(m_db, id).first().answerTime, expected);
}

void TestTavQuizTables::answerHistoryFollowsItsAnswer()
{
    ExamStuAnswerRow first = answer(5, "s1", "2024-05-06 07:08:09");
    ExamStuAnswerRow second = answer(5, "s2", "");
    TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(m_db, first);
    TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(m_db, second);
    const QStringList history { "A", "AB", "B" };
    for (int i = 0; i < history.size(); ++i)
        TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(
            m_db, { 0, first.id, i + 1, history.at(i), "2024-05-06 07:08:0" + QString::number(i) });

    const QList<ExamStuAnswerProRow> rows = TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploaded(m_db, first.id);
    QCOMPARE(rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows.at(i).answerID, first.id);
        QCOMPARE(rows.at(i).sequence, i + 1);
        QCOMPARE(rows.at(i).answer, history.at(i));
    }
    QVERIFY(TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploaded(m_db, second.id).isEmpty());

    const ExamStuAnswerRow read = TAV_ExamStuAnswer::getInstance()->selectNotUploaded(m_db, 5).first();
    QCOMPARE(read.questionID, QString("q-17"));
    QCOMPARE(read.mcsn, 4);
    QCOMPARE(read.subQuestionID, 3);
    QCOMPARE(read.sn, 2);
    QCOMPARE(read.structID, 1);
    QCOMPARE(read.answer, QString("AB"));

    TAV_ExamStuAnswer_Pro::getInstance()->setUploaded(m_db, first.id);
    QVERIFY(TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploaded(m_db, first.id).isEmpty());
    TAV_ExamStuAnswer_Pro::getInstance()->deleteByAnswer(m_db, first.id);
    QSqlQuery q(m_db);
    QVERIFY(q.exec("select count(*) from TAV_ExamStuAnswer_Pro") && q.next());
    QCOMPARE(q.value(0).toInt(), 0);
}

void TestTavQuizTables::uploadedQuizIsNoLongerPending()
{
    ExamInfoRow quiz { 0, 7, "2024-05-06 07:00:00", "2024-05-06 07:15:00", "paper-1", 0 };
    const int examID = TAV_ExamInfo::getInstance()->insertExamInfo(m_db, quiz);
    QVERIFY(examID > 0);
    QCOMPARE(quiz.examID, examID);
    ExamInfoRow other { 0, 8, "", "", "paper-2", 0 };
    TAV_ExamInfo::getInstance()->insertExamInfo(m_db, other);
    QVERIFY(TAV_ExamStuInfo::getInstance()->insertExamStuInfo(m_db, { "s1", examID, 95 }));
    ExamStuAnswerRow a = answer(examID, "s1", "");
    TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(m_db, a);

    const QList<ExamInfoRow> pending = TAV_ExamInfo::getInstance()->selectNotUploaded(m_db, 7);
    QCOMPARE(pending.size(), 1);
    QCOMPARE(pending.first().paperID, QString("paper-1"));
    QCOMPARE(pending.first().endTime, QString("2024-05-06 07:15:00"));
    QCOMPARE(TAV_ExamStuInfo::getInstance()->selectNotUploaded(m_db, examID).first().useTime, 95);

    TAV_ExamInfo::getInstance()->setUploaded(m_db, examID);
    TAV_ExamStuInfo::getInstance()->setUploaded(m_db, examID);
    TAV_ExamStuAnswer::getInstance()->setUploaded(m_db, examID);
    QVERIFY(TAV_ExamInfo::getInstance()->selectNotUploaded(m_db, 7).isEmpty());
    QCOMPARE(TAV_ExamInfo::getInstance()->selectByRecord(m_db, 7).size(), 1);
    QVERIFY(TAV_ExamStuInfo::getInstance()->selectNotUploaded(m_db, examID).isEmpty());
    QVERIFY(TAV_ExamStuAnswer::getInstance()->selectNotUploaded(m_db, examID).isEmpty());
    QCOMPARE(TAV_ExamStuAnswer::getInstance()->selectByExam(m_db, examID).size(), 1);

    TAV_ExamStuAnswer::getInstance()->deleteByExam(m_db, examID);
    TAV_ExamStuInfo::getInstance()->deleteByExam(m_db, examID);
    TAV_ExamInfo::getInstance()->deleteByExam(m_db, examID);
    QVERIFY(TAV_ExamInfo::getInstance()->selectByRecord(m_db, 7).isEmpty());
    QVERIFY(TAV_ExamStuAnswer::getInstance()->selectByExam(m_db, examID).isEmpty());
    QCOMPARE(TAV_ExamInfo::getInstance()->selectByRecord(m_db, 8).size(), 1);
}

void TestTavQuizTables::secondSummaryOfStudentIsRefused()
{
    QVERIFY(TAV_ExamStuInfo::getInstance()->insertExamStuInfo(m_db, { "s1", 3, 10 }));
    LogCapture log;
    QVERIFY(!TAV_ExamStuInfo::getInstance()->insertExamStuInfo(m_db, { "s1", 3, 20 }));
    QVERIFY(log.contains("****database error: "));
    QVERIFY(log.contains("****the sql is: insert into TAV_ExamStuInfo"));
    const QList<ExamStuInfoRow> rows = TAV_ExamStuInfo::getInstance()->selectNotUploaded(m_db, 3);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().useTime, 10);
}

void TestTavQuizTables::failedQuizInsertWritesNoChildren()
{
    ExamInfoRow earlier { 0, 1, "", "", "p", 0 };
    TAV_ExamInfo::getInstance()->insertExamInfo(m_db, earlier);
    QVERIFY(QSqlQuery(m_db).exec("alter table TAV_ExamInfo rename to TAV_ExamInfo_gone"));

    LogCapture log;
    ExamInfoRow quiz = earlier;
    QCOMPARE(TAV_ExamInfo::getInstance()->insertExamInfo(m_db, quiz), -1);
    QCOMPARE(quiz.examID, -1);
    QVERIFY(!TAV_ExamStuInfo::getInstance()->insertExamStuInfo(m_db, { "s1", quiz.examID, 10 }));
    ExamStuAnswerRow row = answer(quiz.examID, "s1", "");
    row.id = 99;
    QCOMPARE(TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(m_db, row), -1);
    QCOMPARE(row.id, -1);
    QVERIFY(!TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(m_db, { 0, row.id, 1, "A", "" }));

    QSqlQuery q(m_db);
    QVERIFY(q.exec("select (select count(*) from TAV_ExamStuInfo) + (select count(*) from TAV_ExamStuAnswer) + "
                   "(select count(*) from TAV_ExamStuAnswer_Pro)")
            && q.next());
    QCOMPARE(q.value(0).toInt(), 0);
}

void TestTavQuizTables::historiesOfQuizMatchThePerAnswerSelects()
{
    const QList<int> other = writeQuizWithHistories(6, { 2, 3 });
    const QList<int> ids = writeQuizWithHistories(5, { 3, 0, 2, 2, 4 });
    writeQuizWithHistories(7, { 1 });
    // Sent earlier: the third answer's first history row, and the fourth answer itself.
    QVERIFY(QSqlQuery(m_db).exec(
        QString("update TAV_ExamStuAnswer_Pro set status = 1 where answerID = %1 and sequence = 1").arg(ids.at(2))));
    QVERIFY(QSqlQuery(m_db).exec(QString("update TAV_ExamStuAnswer set status = 1 where id = %1").arg(ids.at(3))));

    const QMap<int, QList<ExamStuAnswerProRow>> byAnswer
        = TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploadedByExam(m_db, 5);
    QCOMPARE(byAnswer.keys(), QList<int>({ ids.at(0), ids.at(2), ids.at(4) }));
    const QList<ExamStuAnswerProRow> first = byAnswer.value(ids.at(0));
    QCOMPARE(first.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(first.at(i).answerID, ids.at(0));
        QCOMPARE(first.at(i).sequence, i + 1);
        QCOMPARE(first.at(i).answer, QString("5-%1").arg(i + 1));
    }
    QCOMPARE(first.at(1).answerTime, QString(""));
    QCOMPARE(first.at(2).answerTime, QString("2024-05-06 07:08:03"));
    QCOMPARE(byAnswer.value(ids.at(2)).size(), 1);
    QCOMPARE(byAnswer.value(ids.at(4)).size(), 4);

    // The same rows, in the same order, as one select per pending answer.
    const QList<ExamStuAnswerRow> pending = TAV_ExamStuAnswer::getInstance()->selectNotUploaded(m_db, 5);
    QCOMPARE(pending.size(), 4);
    for (const ExamStuAnswerRow& a : pending)
        QCOMPARE(describe(byAnswer.value(a.id)),
                 describe(TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploaded(m_db, a.id)));
    for (int id : other)
        QVERIFY(!byAnswer.contains(id));
    QVERIFY(TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploadedByExam(m_db, 99).isEmpty());
}

void TestTavQuizTables::historiesOfQuizAreMarkedAndDeletedTogether_data()
{
    QTest::addColumn<bool>("remove");
    QTest::newRow("mark uploaded") << false;
    QTest::newRow("delete") << true;
}

void TestTavQuizTables::historiesOfQuizAreMarkedAndDeletedTogether()
{
    QFETCH(bool, remove);
    writeQuizWithHistories(6, { 2, 3 });
    const QList<int> ids = writeQuizWithHistories(5, { 3, 0, 2 });
    // An answer already sent still has its history marked or deleted with the quiz, as selectByExam lists it.
    QVERIFY(QSqlQuery(m_db).exec(QString("update TAV_ExamStuAnswer set status = 1 where id = %1").arg(ids.at(2))));

    TAV_ExamStuAnswer_Pro* table = TAV_ExamStuAnswer_Pro::getInstance();
    if (remove)
        table->deleteByExam(m_db, 5);
    else
        table->setUploadedByExam(m_db, 5);

    const QString ofQuiz("select count(*) from TAV_ExamStuAnswer_Pro where answerID in "
                         "(select id from TAV_ExamStuAnswer where examID = %1)%2");
    QCOMPARE(count(m_db, ofQuiz.arg(5).arg("")), remove ? 0 : 5);
    QCOMPARE(count(m_db, ofQuiz.arg(5).arg(" and status = 0")), 0);
    QCOMPARE(count(m_db, ofQuiz.arg(6).arg(" and status = 0")), 5);
    QCOMPARE(TAV_ExamStuAnswer::getInstance()->selectByExam(m_db, 5).size(), 3);
}

void TestTavQuizTables::failedHistorySelectOfQuizGivesNothing()
{
    writeQuizWithHistories(5, { 2 });
    QVERIFY(QSqlQuery(m_db).exec("alter table TAV_ExamStuAnswer_Pro rename to TAV_ExamStuAnswer_Pro_gone"));
    LogCapture log;
    QVERIFY(TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploadedByExam(m_db, 5).isEmpty());
    QVERIFY(log.contains("****database error: "));
    QVERIFY(log.contains("****the sql is: select p.id, p.answerID"));
}

int main(int argc, char* argv[])
{
    return runInPrivateDir(argc, argv, [](int c, char** v) {
        QCoreApplication app(c, v);
        TestTavQuizTables test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestTavQuizTables.moc"
