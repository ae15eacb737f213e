#pragma once

#include "Singleton.h"

#include <QJsonObject>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

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

    // db: a borrowed connection with its transaction open; the caller commits it. The payload goes in as a
    // whole or not at all: when a statement fails, everything it wrote is rolled back, the teacher state is
    // left as it was and the result is false. Check the payload with checkLoginData first.
    bool parseLoginData(QSqlDatabase db, const QJsonObject& result, const QString& password);

private:
    friend class TavSingleton<TAVDataParse>;
    TAVDataParse() = default;
};
