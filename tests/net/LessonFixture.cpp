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
#include <QStringList>

namespace LessonFixture {

namespace {
QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
} // namespace

QString studentID(int i)
{
    return QStringLiteral("20240801%1").arg(i + 1, 2, 10, QLatin1Char('0'));
}

Lesson makeLesson(const Shape& shape, const QString& endName)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    Lesson lesson;
    ClassRecordRow record;
    record.creator = QStringLiteral("teacher01");
    record.classID = 101;
    record.subjectID = 1;
    record.classStatus = true;
    record.stationSn = QStringLiteral("RF21X00001");
    lesson.recordID = TAV_ClassRecord::getInstance()->insertClassRecord(db, record);

    for (int s = 0; s < shape.signIns; ++s) {
        lesson.signIDs.append(TAV_SignInfo::getInstance()->insertSignInfo(db, record.stationSn));
        QMap<QString, QString> signedIn;
        for (int i = 0; i < shape.students; ++i)
            signedIn.insert(studentID(i), now());
        TAV_SignStuInfo::getInstance()->insertSignStuInfoList(db, signedIn);
        TAV_SignInfo::getInstance()->setEndTime(db);
    }
    for (int n = 0; n < shape.interactions; ++n) {
        InteractInfoRow row;
        row.localRecordID = lesson.recordID;
        row.answerType = 0;
        row.startTime = now();
        row.createDate = row.startTime;
        row.answer = shape.interactionAnswer;
        row.stationSn = record.stationSn;
        lesson.interactIDs.append(TAV_InteractInfo::getInstance()->insertInteractInfo(db, &row));
        for (int i = 0; i < shape.students; ++i) {
            StuResultRow result;
            result.interactID = row.interactID;
            result.dovaneID = studentID(i);
            result.createDate = now();
            result.result = QString(QChar('A' + i % 4));
            TAV_StuResult::getInstance()->insertStuResult(db, result);
        }
        TAV_InteractInfo::getInstance()->closeOpenInteractions(db);
    }
    for (int q = 0; q < shape.quizzes; ++q) {
        ExamInfoRow exam;
        exam.localRecordID = lesson.recordID;
        exam.startTime = now();
        exam.endTime = now();
        exam.paperID = QStringLiteral("P1001");
        lesson.examIDs.append(TAV_ExamInfo::getInstance()->insertExamInfo(db, exam));
        for (int i = 0; i < shape.students; ++i) {
            ExamStuInfoRow student;
            student.dovaneID = studentID(i);
            student.examID = exam.examID;
            student.useTime = 60 + i;
            TAV_ExamStuInfo::getInstance()->insertExamStuInfo(db, student);
            for (int item = 1; item <= shape.items; ++item) {
                ExamStuAnswerRow answer;
                answer.examID = exam.examID;
                answer.dovaneID = student.dovaneID;
                answer.answer = QStringLiteral("B");
                answer.subQuestionID = 1;
                answer.sn = item;
                answer.questionID = QString::number(1000 + item);
                answer.structID = 1;
                answer.mcsn = item;
                answer.answerTime = now();
                TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(db, answer);
                ExamStuAnswerProRow history;
                history.answerID = answer.id;
                history.sequence = 1;
                history.answer = answer.answer;
                history.answerTime = answer.answerTime;
                TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(db, history);
            }
        }
    }
    if (!endName.isNull())
        TAV_ClassRecord::getInstance()->setEndTimeAndName(db, lesson.recordID, endName, QDateTime::currentDateTime());
    database->closeDbCon(db);
    return lesson;
}

int rows(const QString& table)
{
    return DbTestSupport::committedValue("select count(*) from " + table).toInt();
}

int lessonRows(int recordID)
{
    static const QStringList counts {
        "select count(*) from TAV_ClassRecord where localRecordID = ?",
        "select count(*) from TAV_SignInfo where localRecordID = ?",
        "select count(*) from TAV_SignStuInfo where signID in (select signID from TAV_SignInfo where localRecordID = "
        "?)",
        "select count(*) from TAV_InteractInfo where localRecordID = ?",
        "select count(*) from TAV_StuResult where interactID in "
        "(select interactID from TAV_InteractInfo where localRecordID = ?)",
        "select count(*) from TAV_ExamInfo where localRecordID = ?",
        "select count(*) from TAV_ExamStuInfo where examID in (select examID from TAV_ExamInfo where localRecordID = "
        "?)",
        "select count(*) from TAV_ExamStuAnswer where examID in "
        "(select examID from TAV_ExamInfo where localRecordID = ?)",
        "select count(*) from TAV_ExamStuAnswer_Pro where answerID in (select id from TAV_ExamStuAnswer where examID "
        "in "
        "(select examID from TAV_ExamInfo where localRecordID = ?))",
    };
    int total = 0;
    for (const QString& sql : counts)
        total += DbTestSupport::committedValue(sql, { recordID }).toInt();
    return total;
}

} // namespace LessonFixture
