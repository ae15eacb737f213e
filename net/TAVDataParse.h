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

    // db: a borrowed connection with its transaction open; the caller commits it.
    void parseLoginData(QSqlDatabase db, const QJsonObject& result, const QString& password);

private:
    friend class TavSingleton<TAVDataParse>;
    TAVDataParse() = default;
};
