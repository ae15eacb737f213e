#pragma once

#include "CSTeacherInfoRow.h"
#include "ClassInfoRow.h"
#include "Singleton.h"
#include "StudentInfoRow.h"
#include "SubjectInfoRow.h"
#include "TeacherInfoRow.h"

#include <QJsonObject>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

// Stores the payload of a successful online login (teacher, classes, students, subjects) in the local
// tables, so the teacher state can be loaded from them and a later offline login finds the same data.
class TAVDataParse : public QObject
{
    Q_OBJECT
public:
    static TAVDataParse* getInstance() { return TavSingleton<TAVDataParse>::instance(); }

    // Texts longer than this are not names or addresses but a broken or hostile reply.
    static constexpr int kMaxTextLength = 4096;

    // Whether the payload has the shape the import relies on: "usernameMap" an object with a non-empty
    // "userName"; "classes", "stuInfoList" and "subjectList" lists when present; every id a whole number
    // (a student's "username" a non-empty text); texts texts of bounded length. Elements of a list that are
    // not objects are skipped by the import and pass. problem receives what was wrong.
    static bool checkLoginData(const QJsonObject& result, QString* problem = nullptr);

    // The payload read into rows, as the tables take them.
    struct LoginData
    {
        TeacherInfoRow teacher;
        QVector<ClassInfoRow> classes; // each class once
        QVector<CSTeacherInfoRow> links;
        QVector<StudentInfoRow> students; // each student of a class once, in the order of the reply
        QVector<SubjectInfoRow> subjects;
    };

    // Neither reads nor writes anything but its arguments, so a worker thread may read a large reply. Check the
    // payload with checkLoginData first.
    static LoginData readLoginData(const QJsonObject& result, const QString& password);
    // Writes the rows; the teacher state is left alone, so a worker thread may store them on a connection of its
    // own. db has its transaction open; the caller commits it. The rows go in as a whole or not at all: when a
    // statement fails, everything written here is rolled back and the result is false.
    static bool storeLoginData(QSqlDatabase db, const LoginData& data);

    // readLoginData and storeLoginData in one, on a borrowed connection with its transaction open; the stored
    // teacher becomes the teacher state's current teacher. When a statement fails the teacher state is left as
    // it was and the result is false.
    bool parseLoginData(QSqlDatabase db, const QJsonObject& result, const QString& password);

private:
    friend class TavSingleton<TAVDataParse>;
    TAVDataParse() = default;
};
