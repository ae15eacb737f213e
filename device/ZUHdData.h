#pragma once

#include "StudentInfo.h"

#include "Singleton.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QWaitCondition>

// The three queues between the receiver thread, which appends, and the dispatcher thread, which takes from
// the front. One mutex guards them; every message the receiver handles wakes the dispatcher.
class ZUHdData : public QObject
{
    Q_OBJECT

public:
    // What one delivery pass takes: at most the first item of each queue.
    struct Batch
    {
        bool hasTeacher = false;
        QString teacher;
        bool hasStudent = false;
        StudentInfo student;
        bool hasSetId = false;
        QString setId;

        bool isEmpty() const { return !hasTeacher && !hasStudent && !hasSetId; }
    };

    static ZUHdData* getInstance() { return TavSingleton<ZUHdData>::instance(); }

    void appendTeacher(const QString& key);
    void appendStudent(const StudentInfo& info);
    void appendSetId(const QString& reply);
    // For a message that queues nothing: the dispatcher still wakes.
    void wake();

    // Blocks while all three queues are empty; false once a stop was requested.
    bool waitForItems();
    Batch takeFirstItems();

    void requestStop();
    void clearStop();
    bool stopRequested() const;

private:
    friend class TavSingleton<ZUHdData>;
    ZUHdData() = default;

    bool allEmpty() const;

    QList<QString> m_teacherQueue;
    QList<StudentInfo> m_studentQueue;
    QList<QString> m_setIdQueue;
    mutable QMutex m_mutex;
    QWaitCondition m_condition;
    bool m_stop = false;
};
