// One student's answers: filing, changing, clearing, counting, and indexes outside the paper.
#include "StudentAnswerRecord.h"

#include <QtTest>

class TestStudentAnswerRecord : public QObject
{
    Q_OBJECT

private slots:
    void answersFillTheRecordAndKeepTheirHistory()
    {
        StudentAnswerRecord record(3);
        int answered = -1;
        QVERIFY(!record.recordAnswer(1, "B", answered) && answered == 1);
        QVERIFY(!record.recordAnswer(0, "A", answered) && record.recordAnswer(2, "C", answered) && answered == 3);
        QVERIFY(record.recordAnswer(1, "D", answered) && answered == 3);
        // An index outside the paper, as a stray keypad message could name, changes nothing.
        QVERIFY(record.recordAnswer(3, "A", answered) && record.recordAnswer(-1, "A", answered) && answered == 3);
        QCOMPARE(record.answers(), QVector<QString>({ "A", "D", "C" }));
        QCOMPARE(record.answerHistory(1), QStringList({ "B", "D" }));
        QCOMPARE(record.timeHistory(1).last(), record.answerTimes().at(1));
        QVERIFY(QDateTime::fromString(record.answerTimes().at(1), "yyyy-MM-dd HH:mm:ss").isValid());
        record.clearAnswer(1);
        record.clearAnswer(1);
        record.clearAnswer(3);
        record.countAnswered(1, 2, answered);
        QCOMPARE(answered, 1);
        QCOMPARE(record.unanswered(), QList<int>({ 2 }));
        QVERIFY(record.answerTimes().at(1).isEmpty() && record.timeHistory(1).isEmpty());
        record.setQuestionSeconds(0, 12);
        record.setQuestionSeconds(2, 30);
        record.sumQuestionSeconds();
        QCOMPARE(record.usedTime(), 42);
    }

    // The used time is the sum of the questions' times as they stand, however often it is taken: the step quiz
    // takes it at every stop.
    void usedTimeIsTheSumOfTheQuestionsNow()
    {
        StudentAnswerRecord record(2);
        record.sumQuestionSeconds();
        QCOMPARE(record.usedTime(), 0);
        record.setQuestionSeconds(0, 12);
        record.sumQuestionSeconds();
        record.sumQuestionSeconds();
        QCOMPARE(record.usedTime(), 12);
        record.setQuestionSeconds(1, 30);
        record.setQuestionSeconds(0, 7); // the question asked again
        record.sumQuestionSeconds();
        QCOMPARE(record.usedTime(), 37);
        record.setUsedTime(99);
        record.sumQuestionSeconds();
        QCOMPARE(record.usedTime(), 37);
    }
};

QTEST_GUILESS_MAIN(TestStudentAnswerRecord)
#include "TestStudentAnswerRecord.moc"
