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
//
// Keypad messages belong to a generation: each start of answering, and each plugging or pulling of the
// receiver, begins a new one, and a message of an older generation is dropped wherever it still waits, so a
// press received before an activity started never reaches it. Each queue is bounded: when it is full the
// oldest item goes, and one warning tells of the whole overflow, which lasts until the queue has drained.
class ZUHdData : public QObject
{
    Q_OBJECT

public:
    // Teacher keys and set-id replies come one at a time; keypad messages come as a class answers, up to
    // 100 seconds of delivery.
    static constexpr int kMaxTeacherItems = 64;
    static constexpr int kMaxStudentItems = 10000;
    static constexpr int kMaxSetIdItems = 64;

    // What one delivery pass takes: at most the first item of each queue.
    struct Batch
    {
        bool hasTeacher = false;
        QString teacher;
        bool hasStudent = false;
        StudentInfo student;
        quint64 generation = 0; // of the keypad message
        bool hasSetId = false;
        QString setId;

        bool isEmpty() const { return !hasTeacher && !hasStudent && !hasSetId; }
    };

    static ZUHdData* getInstance() { return TavSingleton<ZUHdData>::instance(); }

    void appendTeacher(const QString& key);
    // generation: the one that was current when the message was taken from the receiver.
    void appendStudent(const StudentInfo& info, quint64 generation);
    void appendSetId(const QString& reply);
    // For a message that queues nothing: the dispatcher still wakes.
    void wake();

    // Drops every keypad message queued so far; those of the old generation still on their way are dropped
    // where isCurrent is asked.
    void beginGeneration();
    quint64 generation() const;
    // The receiver thread holds this while it notes the generation and takes one message from the receiver, and
    // a generation begins under it: a message counts as older than a start exactly when it was taken before it.
    QMutex* takeMutex() { return &m_takeMutex; }
    bool isCurrent(quint64 generation) const;

    // Blocks while all three queues are empty; false once a stop was requested.
    bool waitForItems();
    Batch takeFirstItems();

    void requestStop();
    void clearStop();
    bool stopRequested() const;

private:
    friend class TavSingleton<ZUHdData>;
    ZUHdData() = default;

    template<typename T> struct Queue
    {
        QList<T> items;
        bool overflowing = false;
    };
    template<typename T> static void append(Queue<T>& queue, const T& item, int limit, const char* what);
    template<typename T> static bool takeFirst(Queue<T>& queue, T* item);

    bool allEmpty() const;

    Queue<QString> m_teacherQueue;
    Queue<StudentInfo> m_studentQueue;
    Queue<QString> m_setIdQueue;
    quint64 m_generation = 0;
    QMutex m_takeMutex; // before m_mutex when both are held
    mutable QMutex m_mutex;
    QWaitCondition m_condition;
    bool m_stop = false;
};
