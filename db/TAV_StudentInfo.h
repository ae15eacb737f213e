#pragma once

#include "ClassInfoRow.h"
#include "Singleton.h"
#include "StudentInfoRow.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

// Table TAV_StudentInfo: the students of each class and the keypad bound to each.
class TAV_StudentInfo : public QObject
{
public:
    static TAV_StudentInfo* getInstance() { return TavSingleton<TAV_StudentInfo>::instance(); }

    // Binds a keypad to the student, in every class row of that student.
    void setSn(QSqlDatabase db, QString dovaneID, QString sn);
    void setStationSn(QSqlDatabase db, QString dovaneID, QString stationSn);
    void deleteByClass(QSqlDatabase db, int classID);
    // Takes the keypad away from whoever holds it (keypad and receiver serial become empty).
    void clearSn(QSqlDatabase db, QString sn);
    // The first student of the class holding the keypad; empty texts when none.
    StudentInfoRow selectByClassAndSn(QSqlDatabase db, int classID, QString sn);
    // Refills the teacher state's keypad map, student map and student list with the class's students.
    void loadByClass(QSqlDatabase db, int classID);
    // The class's students in the order loadByClass takes them, the teacher state left alone; false when the read
    // failed.
    bool selectByClass(QSqlDatabase db, int classID, QVector<StudentInfoRow>* students);
    void deleteByClasses(QSqlDatabase db, QVector<ClassInfoRow> classes);
    void insertStudentInfoList(QSqlDatabase db, QVector<StudentInfoRow> students);
    // Deletes the rows of exactly these students (by student and class), so they can be inserted anew.
    void deleteStudents(QSqlDatabase db, QVector<StudentInfoRow> students);

private:
    friend class TavSingleton<TAV_StudentInfo>;
    TAV_StudentInfo() = default;
};
