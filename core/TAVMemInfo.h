#pragma once

#include "ClassInfoRow.h"
#include "ClassRecordRow.h"
#include "Singleton.h"
#include "StudentInfoRow.h"
#include "SubjectInfoRow.h"
#include "TeacherInfoRow.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>

// State of the logged-in teacher. The table classes fill it, the tool bar and the login change the current
// selections, and nearly every screen reads it. Used in the GUI thread only, except onlineFlag.
class TAVMemInfo : public QObject
{
    Q_OBJECT
public:
    TAVMemInfo() = default;

    static TAVMemInfo* getInstance() { return TavSingleton<TAVMemInfo>::instance(); }

    // The classes of classMap by phase ascending, grade descending, class number ascending.
    QList<ClassInfoRow> sortedClasses() const;

    // The upload thread writes it while the GUI thread reads it.
    std::atomic<bool> onlineFlag { false };
    TeacherInfoRow currentTeacher;
    QMap<int, ClassInfoRow> classMap;
    // Keypad serial number to dovaneID, only for students that have a keypad.
    QMap<QString, QString> snMap;
    QMap<QString, StudentInfoRow> studentMap;
    QVector<StudentInfoRow> studentList;
    ClassInfoRow currentClass;
    QVector<SubjectInfoRow> subjectList;
    QString currentSubjectName;
    int currentSubjectID = 0;
    // localRecordID -1: no lesson record is open; 0 before the first load.
    ClassRecordRow currentRecord;
    int currentInteractID = 0;
    QString version;
    QMap<QString, QString> configMap;
    QString appVersion;
    bool autoLogin = false;
    QString userName;
    QString loginUserName;
    QString password;
    int lastClass = 0;
};
