#include "TAVDataParse.h"

#include "CSTeacherInfoRow.h"
#include "ClassInfoRow.h"
#include "StudentInfoRow.h"
#include "SubjectInfoRow.h"
#include "TAV_AppInfo.h"
#include "TAV_CSTeacherInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_StudentInfo.h"
#include "TAV_SubjectInfo.h"
#include "TAV_TeacherInfo.h"
#include "TeacherInfoRow.h"

#include <QJsonArray>
#include <QMap>
#include <QSet>
#include <QVector>

namespace {

QString text(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString();
}

int number(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toInt();
}

} // namespace

void TAVDataParse::parseLoginData(QSqlDatabase db, const QJsonObject& result, const QString& password)
{
    const QJsonObject profile = result.value(QLatin1String("usernameMap")).toObject();
    TeacherInfoRow teacher;
    teacher.username = text(profile, "userName");
    teacher.name = text(profile, "teaName");
    teacher.mobile = text(profile, "mobile");
    teacher.email = text(profile, "email");
    teacher.avatar = text(profile, "avatar");
    teacher.password = password;
    TAV_TeacherInfo::getInstance()->saveTeacher(db, teacher);
    TAV_AppInfo::getInstance()->setUserName(db, teacher.username);

    QVector<ClassInfoRow> classes;
    QVector<CSTeacherInfoRow> links;
    QVector<StudentInfoRow> students;
    // A class comes once per subject the teacher teaches in it. It and its students are stored once: a
    // second copy would break the batch inserts on their keys and lose the rows after it.
    QMap<int, int> classIndex;
    QSet<QPair<QString, int>> seenStudents;
    for (const QJsonValue& classValue : result.value(QLatin1String("classes")).toArray()) {
        if (!classValue.isObject())
            continue;
        const QJsonObject item = classValue.toObject();
        ClassInfoRow row;
        row.classID = number(item, "classID");
        row.phase = number(item, "phase");
        row.grade = number(item, "grade");
        row.classNum = number(item, "classNum");
        row.className = text(item, "className");
        row.stationSn = text(item, "baseStationID");
        if (classIndex.contains(row.classID)) {
            classes[classIndex.value(row.classID)] = row;
        } else {
            classIndex.insert(row.classID, classes.size());
            classes.append(row);
        }

        CSTeacherInfoRow link;
        link.username = teacher.username;
        link.classID = row.classID;
        link.subjectID = number(item, "subject");
        links.append(link);

        for (const QJsonValue& studentValue : item.value(QLatin1String("stuInfoList")).toArray()) {
            if (!studentValue.isObject())
                continue;
            const QJsonObject source = studentValue.toObject();
            StudentInfoRow student;
            student.dovaneID = text(source, "username");
            student.classID = number(source, "classID");
            student.name = text(source, "name");
            student.sn = text(source, "sn");
            student.stationSn = text(source, "baseStationID");
            const QPair<QString, int> key(student.dovaneID, student.classID);
            if (seenStudents.contains(key))
                continue;
            seenStudents.insert(key);
            students.append(student);
        }
    }

    QVector<SubjectInfoRow> subjects;
    for (const QJsonValue& subjectValue : result.value(QLatin1String("subjectList")).toArray()) {
        if (!subjectValue.isObject())
            continue;
        const QJsonObject item = subjectValue.toObject();
        SubjectInfoRow row;
        row.subjectID = number(item, "subjectID");
        row.subjectName = text(item, "subjectName");
        subjects.append(row);
    }

    TAV_StudentInfo::getInstance()->deleteByClasses(db, classes);
    TAV_StudentInfo::getInstance()->insertStudentInfoList(db, students);
    TAV_ClassInfo::getInstance()->saveClasses(db, classes);
    TAV_CSTeacherInfo::getInstance()->deleteByUser(db, teacher.username);
    TAV_CSTeacherInfo::getInstance()->insertCSTeacherInfoList(db, links);
    TAV_SubjectInfo::getInstance()->saveSubjects(db, subjects);
}
