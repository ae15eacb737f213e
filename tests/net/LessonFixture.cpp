#include "LessonFixture.h"

#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TAV_ClassRecord.h"
#include "TAV_ExamInfo.h"
#include "TAV_ExamStuAnswer.h"
#include "TAV_ExamStuAnswer_Pro.h"
#include "TAV_ExamStuInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_SignInfo.h"
#include "TAV_SignStuInfo.h"
#include "TAV_StuResult.h"

#include <QDateTime>
#include <QMap>
#include <QRandomGenerator>

namespace LessonFixture {

static QString studentID(int i)
{
    return QStringLiteral("20240801%1").arg(i + 1, 2, 10, QLatin1Char('0'));
}

namespace {

// Times of the rows: kTime throughout, or spread as a lesson from its start (seconds after it).
class Clock
{
public:
    explicit Clock(const QDateTime& start)
        : m_start(start)
    {
    }
    QString at(int seconds) const
    {
        return m_start.isValid() ? m_start.addSecs(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : kTime;
    }
    // A keypad presses within the given number of seconds; always the same presses for the same lesson.
    int within(int seconds) { return int(m_random.bounded(quint32(seconds))); }

private:
    QDateTime m_start;
    QRandomGenerator m_random { 20240901 };
};

const int kSignInSeconds = 300;
const int kInteractionSeconds = 60;
const int kQuizSeconds = 900;

} // namespace

Lesson makeLesson(const Shape& shape, const QString& endName, const QDateTime& start)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ClassRecordRow record;
    record.creator = QStringLiteral("teacher01");
    record.classID = 101;
    record.subjectID = 1;
    record.classStatus = true;
    record.stationSn = QStringLiteral("RF21X00001");
    Lesson lesson;
    lesson.recordID = TAV_ClassRecord::getInstance()->insertClassRecord(db, record);

    Clock clock(start);
    for (int s = 0; s < shape.signIns; ++s) {
        TAV_SignInfo::getInstance()->insertSignInfo(db, record.stationSn);
        QMap<QString, QString> signedIn;
        for (int i = 0; i < shape.students; ++i)
            signedIn.insert(studentID(i), clock.at(s * kSignInSeconds + clock.within(kSignInSeconds)));
        TAV_SignStuInfo::getInstance()->insertSignStuInfoList(db, signedIn);
        TAV_SignInfo::getInstance()->setEndTime(db);
    }
    int second = shape.signIns * kSignInSeconds;
    for (int n = 0; n < shape.interactions; ++n, second += kInteractionSeconds) {
        InteractInfoRow row;
        row.localRecordID = lesson.recordID;
        row.startTime = row.createDate = clock.at(second);
        row.answer = QStringLiteral("A");
        row.stationSn = record.stationSn;
        TAV_InteractInfo::getInstance()->insertInteractInfo(db, &row);
        for (int i = 0; i < shape.students; ++i) {
            const QString answered = clock.at(second + 1 + clock.within(kInteractionSeconds - 1));
            const StuResultRow result { 0, row.interactID, studentID(i), answered, QString(QChar('A' + i % 4)), false };
            TAV_StuResult::getInstance()->insertStuResult(db, result);
        }
        TAV_InteractInfo::getInstance()->closeOpenInteractions(db);
    }
    for (int q = 0; q < shape.quizzes; ++q, second += kQuizSeconds) {
        ExamInfoRow exam {
            0, lesson.recordID, clock.at(second), clock.at(second + kQuizSeconds), QStringLiteral("P1001"), 0
        };
        TAV_ExamInfo::getInstance()->insertExamInfo(db, exam);
        for (int i = 0; i < shape.students; ++i) {
            const QString id = studentID(i);
            TAV_ExamStuInfo::getInstance()->insertExamStuInfo(db, { id, exam.examID, 60 + i });
            for (int item = 1; item <= shape.items; ++item) {
                // Each keypad goes through the paper at its own pace; its history entry came a little earlier.
                const int slot = kQuizSeconds / (shape.items + 1);
                const int answeredAt = second + (item - 1) * slot + clock.within(2 * slot);
                const QString answered = clock.at(answeredAt);
                ExamStuAnswerRow answer { 0, exam.examID, id,      "B", 1, item, QString::number(1000 + item),
                                          1, item,        answered };
                TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(db, answer);
                const QString tried = clock.at(answeredAt - clock.within(qMax(1, slot)));
                TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(db, { 0, answer.id, 1, "B", tried });
            }
        }
    }
    if (!endName.isNull())
        TAV_ClassRecord::getInstance()->setEndTimeAndName(db, lesson.recordID, endName, QDateTime::currentDateTime());
    TAVDatabase::getInstance()->closeDbCon(db);
    return lesson;
}

int rows(const QString& fromWhere)
{
    return DbTestSupport::committedValue("select count(*) from " + fromWhere).toInt();
}

QVector<int> tableRows()
{
    QVector<int> counts;
    for (const char* table : { "ClassRecord", "SignInfo", "SignStuInfo", "InteractInfo", "StuResult", "ExamInfo",
                               "ExamStuInfo", "ExamStuAnswer", "ExamStuAnswer_Pro" })
        counts.append(rows(QStringLiteral("TAV_") + table));
    return counts;
}

} // namespace LessonFixture
