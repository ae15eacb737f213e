#pragma once

#include "InteractInfoRow.h"
#include "StuResultRow.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

template<typename T> class TavSingleton;

// Writes the results of a free interaction as they arrive, and its end, on a thread and a database connection of
// its own, so that the interface thread never waits for the disk while the class presses nor when the teacher
// stops. Whatever waits when the thread is free goes in as one transaction: the first answer of a round at once,
// those of a burst together. A write that fails (a full disk, another program holding the file) goes again a
// second later with what came meanwhile, for as long as the program runs: what the class answered stays in
// memory until it is in the file.
class ZUFreeActWriter : public QThread
{
    Q_OBJECT
public:
    static ZUFreeActWriter* getInstance();

    // Hands the result over, in place of the student's result still waiting, and starts the thread when it is
    // not running. Never waits for the disk.
    void keep(const StuResultRow& result);
    // Hands the end of the interaction over: its results, written over those kept so far, and its end time go in
    // one transaction after the results that wait. Until then the interaction stays open in the file, so that the
    // upload leaves it alone. Never waits for the disk.
    void end(int interactID, const QList<StuResultRow>& results, const QString& endTime);
    // The same for an interaction whose row could not be written at its start: the row, ended, and its results
    // go in together.
    void endWhole(const InteractInfoRow& row, const QList<StuResultRow>& results, const QString& endTime);
    // The right answer of an ended interaction, written after its end.
    void setAnswer(int interactID, const QString& answer);

    // Ends the thread once what waits is written, or once timeoutMs has passed and the write under way has ended
    // (at most a busy time-out later); closes the thread's connection. What is not written stays, for the next
    // keep or end to take up. Spins the calling thread's event loop meanwhile (user input aside), so that a
    // screen stays alive. True when nothing waits any more.
    bool stop(int timeoutMs = kStopMs);
    // True when nothing waits and no write is under way.
    bool isIdle() const;
    // The interactions with results or an end that are not in the file yet.
    QList<int> unwritten() const;
    // One line per interaction of what is not in the file yet: its id, whether its end waits, and its results.
    QStringList describeUnwritten() const;

    static constexpr int kStopMs = 3000;
    static constexpr int kRetryMs = 1000;
    // How long one write waits for a lock another program holds before it is tried again.
    static constexpr int kBusyTimeoutMs = 1000;

signals:
    // From the writer's thread: a write of the interaction's results or end failed (a full disk, a lock held
    // too long).
    void keepFailed(int interactID);

protected:
    void run() override;

private:
    friend class TavSingleton<ZUFreeActWriter>;
    ZUFreeActWriter() = default;
    ~ZUFreeActWriter() override = default;

    // An interaction's end, or its right answer (end false).
    struct Step
    {
        bool end = true;
        int interactID = -1;
        QList<StuResultRow> results;
        QString text; // the end time, or the answer
        InteractInfoRow whole; // for an end without a stored row (interactID -1)
    };
    struct Batch
    {
        QVector<StuResultRow> results;
        QList<Step> steps;
        int opening = -1;
    };

    // Queues the step after those handed over before and wakes the thread, started when it is not running.
    void hand(const Step& step);
    // One transaction: the results, then the steps in order; false, with nothing of it written, on any failure.
    static bool write(QSqlDatabase db, const Batch& batch);
    // All with m_mutex held.
    // What waits belongs to the file as opened then: a file opened anew (another one, maybe) does not get it.
    void adopt();
    void forget(const QString& why);
    void addWaiting(const StuResultRow& result);
    void putBack(const Batch& batch);
    bool hasWork() const { return !m_waiting.isEmpty() || !m_steps.isEmpty(); }

    mutable QMutex m_mutex;
    QWaitCondition m_wake;
    QVector<StuResultRow> m_waiting; // in arrival order, one per student
    QHash<QString, int> m_waitingAt; // interaction and dovaneID to its place in m_waiting
    QList<Step> m_steps; // in the order handed over
    int m_opening = -1; // TAVDatabase::openings() of what waits
    bool m_stopping = false;
    bool m_inFlight = false; // a batch is being written
    bool m_giveUp = false; // the stop's time is over: end once the write under way has ended
};
