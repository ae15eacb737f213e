#include "TavSchema.h"

#include <QRegularExpression>

QStringList TavSchema::statements()
{
    QStringList list {
        QStringLiteral("create table TAV_AppInfo (appID varchar primary key, version varchar, autologin bit, username "
                       "varchar, \t\t\t\t\t\t\t\t  loginusername varchar, password varchar, lastclass int)"),
        QStringLiteral("insert into TAV_AppInfo values('0', '4.2.0', 0, '','','','')"),
        QStringLiteral("create table TAV_TeacherInfo (username varchar primary key, password varchar, name varchar, "
                       "mobile varchar, \t\t\t\t\t\t\t email varchar, avatar varchar, loginDate datetime)"),
        QStringLiteral("create table TAV_ClassInfo (classID int primary key, phase int, grade int, classNum int, "
                       "className varchar,\t\t\t\t\t\t\t  stationSn varchar, row int, col int)"),
        QStringLiteral("create table TAV_SubjectInfo (subjectID int primary key, subjectName varchar)"),
        QStringLiteral("create table TAV_CSTeacherInfo (username varchar, classID int, subjectID int)"),
        QStringLiteral("create table TAV_StudentInfo (dovaneID varchar , classID int , name varchar ,\t\t\t\t\t\t\t sn "
                       "varchar,stationSn varchar ,primary key(dovaneID,classID))"),
        QStringLiteral("create table TAV_StuSortInfo (dovaneID varchar primary key, classID int, col int , row int)"),
        QStringLiteral("create table TAV_ClassRecord (localRecordID INTEGER primary key AutoIncrement, UUID varchar, "
                       "recordName varchar, creator varchar, \t\t\t\t\t\t\t classID int, subjectID int, startTime "
                       "datetime, endTime datetime, status bit, classStatus bit, stationSn varchar, \t\t\t\t\t\t\t "
                       "createDate datetime,statistic bit)"),
        QStringLiteral("create table TAV_InteractInfo (interactID INTEGER primary key AutoIncrement, localRecordID "
                       "INTEGER, answerType int, \t\t\t\t\t\t\t startTime datetime, endTime datetime, answer "
                       "varchar,status bit, createDate datetime, stationSn varchar)"),
        QStringLiteral("create table TAV_StuResult (stuResultID INTEGER primary key AutoIncrement, interactID INTEGER, "
                       "dovaneID varchar,createDate datetime, \t\t\t\t\t\t\t result varchar, status bit)"),
        QStringLiteral(
            "create table TAV_SignInfo (signID INTEGER primary key AutoIncrement, localRecordID INTEGER, startTime "
            "datetime, \t\t\t\t\t\t\t endTime datetime, createDate datetime, status bit, stationSn varchar)"),
        QStringLiteral("create table TAV_SignStuInfo (stuSignID INTEGER primary key AutoIncrement, signID INTEGER, "
                       "\t\t\t\t\t\t\t dovaneID varchar, createDate datetime, status bit)"),
        QStringLiteral("create table TAV_ExamInfo (examID INTEGER primary key AutoIncrement, localRecordID INTEGER, "
                       "\t\t\t\t\t\t\t startTime datetime, endTime datetime, paperID varchar, status bit)"),
        QStringLiteral("create table TAV_ExamStuInfo (dovaneID varchar, examID INTEGER, \t\t\t\t\t\t\t useTime int, "
                       "status bit ,primary key(dovaneID,examID))"),
        QStringLiteral("create table TAV_ExamStuAnswer (id INTEGER primary key AutoIncrement, examID INTEGER, dovaneID "
                       "varchar, \t\t\t\t\t\t\t answer varchar, subQuestionID int, sn int, questionID varchar, "
                       "structID int, mcsn int, answerTime datetime, status bit)"),
        QStringLiteral("create table TAV_ExamStuAnswer_Pro (id INTEGER primary key AutoIncrement, answerID INTEGER, "
                       "sequence int, \t\t\t\t\t\t\t answer varchar, answerTime datetime, status bit)"),
        QStringLiteral("create table TAV_Config (keyName varchar primary key, keyNalue varchar)"),
    };
    for (const auto& row : defaultSettings())
        list << QStringLiteral("insert into TAV_Config values('%1', '%2')").arg(row.first, row.second);
    return list;
}

QStringList TavSchema::indexStatements()
{
    static const char* const parents[][2] = {
        { "TAV_InteractInfo", "localRecordID" }, { "TAV_StuResult", "interactID" },
        { "TAV_SignInfo", "localRecordID" },     { "TAV_SignStuInfo", "signID" },
        { "TAV_ExamInfo", "localRecordID" },     { "TAV_ExamStuInfo", "examID" },
        { "TAV_ExamStuAnswer", "examID" },       { "TAV_ExamStuAnswer_Pro", "answerID" },
    };
    QStringList list;
    for (const auto& parent : parents)
        list << QStringLiteral("create index if not exists %1_%2 on %1 (%2)")
                    .arg(QLatin1String(parent[0]), QLatin1String(parent[1]));
    return list;
}

QStringList TavSchema::tableNames()
{
    static const QRegularExpression create(QStringLiteral("^create table (\\w+) "));
    QStringList names;
    for (const QString& statement : statements()) {
        const QRegularExpressionMatch match = create.match(statement);
        if (match.hasMatch())
            names << match.captured(1);
    }
    return names;
}

QVector<QPair<QString, QString>> TavSchema::defaultSettings()
{
    static const char* const rows[][2] = {
        { "AnswerTime", "1" },           { "StartInteractionSound", "EnterFunction.wav" },
        { "StartInteractionPlay", "1" }, { "StartAnswerSound", "start.wav" },
        { "StartAnswerPlay", "1" },      { "SuspendAnswerSound", "Pause.wav" },
        { "SuspendAnswerPlay", "1" },    { "StopAnswerSound", "end-3.wav" },
        { "StopAnswerPlay", "1" },       { "WarningPromptSound", "waring.wav" },
        { "WarningPromptPlay", "1" },    { "CountdownSound", "5_SecondCountdowntime-3.wav" },
        { "CountdownPlay", "1" },        { "RandomSelectionSound", "select-people-3.wav" },
        { "RandomSelectionPlay", "1" },  { "ISBindingSound", "FN+5.wav" },
        { "ISBindingPlay", "1" },        { "BindingSucSound", "Success.wav" },
        { "BindingSucPlay", "1" },       { "BindingfaiSound", "Fault.wav" },
        { "BindingfaiPlay", "1" },       { "SelectFuncSound", "select-function.wav" },
        { "SelectFuncPlay", "1" },       { "AnswerMethod", "0" },
        { "FeedbackType", "0" },         { "TimeLimit", "30" },
        { "DoNotShowUnAnswer", "0" },    { "AnonymousFeedback", "0" },
        { "TestTime", "900" },           { "TestMode", "1" },
    };
    QVector<QPair<QString, QString>> list;
    for (const auto& row : rows)
        list.append({ QString::fromLatin1(row[0]), QString::fromLatin1(row[1]) });
    return list;
}
