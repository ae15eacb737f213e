#pragma once

#include "ClassInfoRow.h"
#include "Singleton.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

// Table TAV_ClassInfo: the teacher's classes, the receiver bound to each and its seat-grid size.
class TAV_ClassInfo : public QObject
{
public:
    static TAV_ClassInfo* getInstance() { return TavSingleton<TAV_ClassInfo>::instance(); }

    QString selectClassName(QSqlDatabase db, int classID);
    // False when the statement failed.
    bool setColRow(QSqlDatabase db, int row, int col, int classID);
    void deleteByClass(QSqlDatabase db, int classID);
    // Makes the class the teacher state's current class.
    void loadByClass(QSqlDatabase db, int classID);
    // The class row as loadByClass reads it (only its id when there is none), the teacher state left alone;
    // false when the statement failed.
    bool selectClass(QSqlDatabase db, int classID, ClassInfoRow* row);
    // Updates known classes (keeping their grid size) and inserts new ones; nothing when a lookup fails.
    void saveClasses(QSqlDatabase db, QVector<ClassInfoRow> classes);
    // Refills the teacher state's class map with the classes the teacher teaches.
    void loadByUser(QSqlDatabase db, QString username);
    void setStationSn(QSqlDatabase db, int classID, QString stationSn);

private:
    friend class TavSingleton<TAV_ClassInfo>;
    TAV_ClassInfo() = default;
};
