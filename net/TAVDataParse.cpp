#include "TAVDataParse.h"

#include "CSTeacherInfoRow.h"
#include "ClassInfoRow.h"
#include "StudentInfoRow.h"
#include "SubjectInfoRow.h"
#include "TAVMemInfo.h"
#include "TAV_AppInfo.h"
#include "TAV_CSTeacherInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_StudentInfo.h"
#include "TAV_SubjectInfo.h"
#include "TAV_TeacherInfo.h"
#include "TavStatement.h"
#include "TeacherInfoRow.h"

#include <QDebug>
#include <QHash>
#include <QJsonArray>
#include <QSet>
#include <QVector>

#include <climits>
#include <cmath>

namespace {

QString text(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString();
}

int number(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toInt();
}

// Rows go into the tables in slices, so that no statement holds a hundred thousand rows' values at once.
constexpr int kRowsPerSlice = 5000;

// Reads the shape of one payload; the first problem found is kept.
class ShapeCheck
{
public:
    bool ok() const { return m_problem.isEmpty(); }
    QString problem() const { return m_problem; }

    void fail(const QString& where, const char* what)
    {
        if (ok())
            m_problem = where + ": " + QLatin1String(what);
    }

    // A whole number that fits the int columns.
    void id(const QJsonObject& object, const char* key, const QString& where)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        const double d = v.toDouble();
        if (!v.isDouble() || d < INT_MIN || d > INT_MAX || std::floor(d) != d)
            fail(where + "." + key, "not a whole number");
    }

    void requiredText(const QJsonObject& object, const char* key, const QString& where)
    {
        if (object.value(QLatin1String(key)).toString().isEmpty())
            fail(where + "." + key, "missing or not a text");
        texts(object, { key }, where);
    }

    // A text member that is missing, null or not a text reads as empty, as the import has always read it; a text
    // must be of bounded length.
    void texts(const QJsonObject& object, std::initializer_list<const char*> keys, const QString& where)
    {
        for (const char* key : keys) {
            const QJsonValue v = object.value(QLatin1String(key));
            if (v.isString() && v.toString().size() > TAVDataParse::kMaxTextLength)
                fail(where + "." + key, "text too long");
        }
    }

    // A list member may be missing or null (no elements); anything else must be a list.
    QJsonArray list(const QJsonObject& object, const char* key, const QString& where)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        if (!v.isArray() && !v.isUndefined() && !v.isNull())
            fail(where + "." + key, "not a list");
        return v.toArray();
    }

private:
    QString m_problem;
};

} // namespace

bool TAVDataParse::checkLoginData(const QJsonObject& result, QString* problem)
{
    ShapeCheck check;
    const QJsonValue profile = result.value(QLatin1String("usernameMap"));
    if (!profile.isObject())
        check.fail("usernameMap", "not an object");
    check.requiredText(profile.toObject(), "userName", "usernameMap");
    check.texts(profile.toObject(), { "teaName", "mobile", "email", "avatar" }, "usernameMap");

    const QJsonArray classes = check.list(result, "classes", "result");
    for (int c = 0; c < classes.size() && check.ok(); ++c) {
        if (!classes.at(c).isObject())
            continue;
        const QString where = QString("classes[%1]").arg(c);
        const QJsonObject item = classes.at(c).toObject();
        check.id(item, "classID", where);
        check.id(item, "subject", where);
        check.texts(item, { "className", "baseStationID" }, where);
        const QJsonArray students = check.list(item, "stuInfoList", where);
        for (int s = 0; s < students.size() && check.ok(); ++s) {
            if (!students.at(s).isObject())
                continue;
            const QString at = where + QString(".stuInfoList[%1]").arg(s);
            const QJsonObject student = students.at(s).toObject();
            check.requiredText(student, "username", at);
            check.id(student, "classID", at);
            check.texts(student, { "name", "sn", "baseStationID" }, at);
        }
    }

    const QJsonArray subjects = check.list(result, "subjectList", "result");
    for (int i = 0; i < subjects.size() && check.ok(); ++i) {
        if (!subjects.at(i).isObject())
            continue;
        const QString where = QString("subjectList[%1]").arg(i);
        check.id(subjects.at(i).toObject(), "subjectID", where);
        check.texts(subjects.at(i).toObject(), { "subjectName" }, where);
    }
    if (problem)
        *problem = check.problem();
    return check.ok();
}

TAVDataParse::LoginData TAVDataParse::readLoginData(const QJsonObject& result, const QString& password)
{
    LoginData data;
    const QJsonObject profile = result.value(QLatin1String("usernameMap")).toObject();
    TeacherInfoRow& teacher = data.teacher;
    teacher.username = text(profile, "userName");
    teacher.name = text(profile, "teaName");
    teacher.mobile = text(profile, "mobile");
    teacher.email = text(profile, "email");
    teacher.avatar = text(profile, "avatar");
    teacher.password = password;

    // A class comes once per subject the teacher teaches in it. It and its students are stored once: a
    // second copy would break the batch inserts on their keys and lose the rows after it.
    QHash<int, int> classIndex;
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
            data.classes[classIndex.value(row.classID)] = row;
        } else {
            classIndex.insert(row.classID, data.classes.size());
            data.classes.append(row);
        }

        CSTeacherInfoRow link;
        link.username = teacher.username;
        link.classID = row.classID;
        link.subjectID = number(item, "subject");
        data.links.append(link);

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
            data.students.append(student);
        }
    }

    for (const QJsonValue& subjectValue : result.value(QLatin1String("subjectList")).toArray()) {
        if (!subjectValue.isObject())
            continue;
        const QJsonObject item = subjectValue.toObject();
        SubjectInfoRow row;
        row.subjectID = number(item, "subjectID");
        row.subjectName = text(item, "subjectName");
        data.subjects.append(row);
    }
    return data;
}

bool TAVDataParse::storeLoginData(QSqlDatabase db, const LoginData& data)
{
    // Students filed under a class that is not in this reply replace their own rows only; the rest of that
    // class is not this login's to touch.
    QSet<int> classIDs;
    for (const ClassInfoRow& row : data.classes)
        classIDs.insert(row.classID);
    QVector<StudentInfoRow> elsewhere;
    for (const StudentInfoRow& student : data.students) {
        if (!classIDs.contains(student.classID))
            elsewhere.append(student);
    }

    const quint64 failuresBefore = TavStatement::failureCount();
    {
        TavStatement savepoint(db, QStringLiteral("savepoint tavLoginImport"));
        if (!savepoint.exec())
            return false;
    }
    const auto going = [failuresBefore] { return TavStatement::failureCount() == failuresBefore; };
    TAV_TeacherInfo::getInstance()->storeTeacher(db, data.teacher);
    TAV_AppInfo::getInstance()->storeUserName(db, data.teacher.username);
    TAV_StudentInfo* studentTable = TAV_StudentInfo::getInstance();
    studentTable->deleteByClasses(db, data.classes);
    if (!elsewhere.isEmpty())
        studentTable->deleteStudents(db, elsewhere);
    for (int at = 0; at < data.students.size() && going(); at += kRowsPerSlice)
        studentTable->insertStudentInfoList(db, data.students.mid(at, kRowsPerSlice));
    TAV_ClassInfo::getInstance()->saveClasses(db, data.classes);
    TAV_CSTeacherInfo::getInstance()->deleteByUser(db, data.teacher.username);
    TAV_CSTeacherInfo::getInstance()->insertCSTeacherInfoList(db, data.links);
    TAV_SubjectInfo::getInstance()->saveSubjects(db, data.subjects);

    const bool stored = going();
    if (!stored) {
        qWarning() << "****login data not stored, nothing of it kept";
        TavStatement(db, QStringLiteral("rollback to tavLoginImport")).exec();
    }
    TavStatement(db, QStringLiteral("release tavLoginImport")).exec();
    return stored;
}

bool TAVDataParse::parseLoginData(QSqlDatabase db, const QJsonObject& result, const QString& password)
{
    const LoginData data = readLoginData(result, password);
    if (!storeLoginData(db, data))
        return false;
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->currentTeacher = data.teacher;
    mem->userName = data.teacher.username;
    return true;
}
