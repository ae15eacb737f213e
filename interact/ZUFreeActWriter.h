#pragma once

#include "StuResultRow.h"

#include <QHash>
#include <QMutex>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

template<typename T> class TavSingleton;

// Writes the results of a running free interaction as they arrive, on a thread and a database connection of its
// own, so that the interface thread never waits for the disk while the class presses. Whatever waits when the
// thread is free goes in as one transaction: the first answer of a round at once, those of a burst together. A
// write that fails goes again a second later, with what came meanwhile.
class ZUFreeActWriter : public QThread
{
    Q_OBJECT
public:
    static ZUFreeActWriter* getInstance();

    // Hands the result over, in place of the student's result still waiting, and starts the thread when it is
    // not running. Never waits for the disk.
    void keep(const StuResultRow& result);
    // Ends the thread once the write under way has ended, writing what waits first when writeWaiting is true
    // (once, failed or not) and dropping it otherwise; closes the thread's connection.
    void stop(bool writeWaiting);

signals:
    // From the writer's thread: a write of the interaction's results failed (a full disk, a lock held too long).
    void keepFailed(int interactID);

protected:
    void run() override;

private:
    friend class TavSingleton<ZUFreeActWriter>;
    ZUFreeActWriter() = default;
    ~ZUFreeActWriter() override = default;

    // Both with m_mutex held.
    void addWaiting(const StuResultRow& result);
    void putBack(const QVector<StuResultRow>& rows);

    QMutex m_mutex;
    QWaitCondition m_wake;
    QVector<StuResultRow> m_waiting; // in arrival order, one per student
    QHash<QString, int> m_waitingAt; // dovaneID to its place in m_waiting
    bool m_stopping = false;
    bool m_writeWaiting = false;
};
