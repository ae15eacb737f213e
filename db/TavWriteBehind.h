#pragma once

#include "TavWrite.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

#include <functional>

template<typename T> class TavSingleton;

// Writes into the database file on a thread and a connection of its own, so that the interface thread never waits
// for another program or the disk: what the class answered, the end of a round, a quiz, a sign-in, the end of a
// lesson. Whatever waits when the thread is free goes in as one transaction, in the order handed over. A try that
// fails (another program holds the file, the disk is full) goes again a second later with what came meanwhile, for
// as long as the program runs; what it held is recorded at once in the side record (TavSideRecord), so that a kill
// or a power cut loses none of it and the next start writes it. What waits holds its round and its lesson: no
// round is ended, and no lesson sent or deleted, without it.
class TavWriteBehind : public QThread
{
    Q_OBJECT
public:
    enum class Outcome {
        Written,
        Failed, // a statement failed: the whole try is taken back and made again later
        Malformed // the data does not fit its kind: the write is set aside, logged, never tried again
    };
    // What a kind of write does, inside the transaction the thread holds. It checks the data's shape before it
    // writes anything. A write recorded while a try of it was under way (maybeWritten) may be in the file already.
    using Apply = std::function<Outcome(QSqlDatabase db, const TavWrite& write)>;

    static TavWriteBehind* getInstance();
    // words: what a write of the kind is to the teacher ("课堂互动"), for the words of the program's end.
    static void setKind(const QString& kind, const Apply& apply, const QString& words = QString());
    static QString wordsOf(const QString& kind);

    // Hands the write over, after those handed before, and starts the thread when it is not running. Never waits
    // for the disk.
    void hand(const TavWrite& write);
    // When the database file has been opened: what the side record holds goes first, the rounds held open before
    // belong to the file opened then, and the thread's connection is opened anew, to this file.
    void resume();

    // From the start of a round until a write that ends it is written, nothing else ends the round.
    void holdRound(int round, int localRecordID, const QString& lessonUUID);
    // The rounds held open, as far as they belong to the file db is a connection to.
    QSet<int> heldRounds(QSqlDatabase db) const;
    // True while a write of the lesson, or a round of it, waits: the lesson is neither sent nor deleted meanwhile.
    // True as well when that cannot be read.
    bool holdsLesson(QSqlDatabase db, int localRecordID) const;

    // At the program's end: waits up to timeoutMs, the calling thread's screens painting (user input aside), for
    // what waits to go in, then records what did not (a try still under way included) in the side record and ends
    // the thread. True when everything is in the file; otherwise unwritten() tells what is not, each write with
    // whether the next start has it, and recordedAll() whether it has all of them.
    bool finish(int timeoutMs = kFinishMs);
    bool recordedAll() const;
    // True when nothing waits and no try is under way.
    bool isIdle() const;
    struct Unwritten
    {
        TavWrite write;
        bool recorded = false; // the side record holds it: the next start writes it
    };
    // What waits, a try under way first; after finish(), what it left.
    QList<Unwritten> unwritten() const;
    // One line per write not in the file, for the log.
    QStringList describeUnwritten() const;
    // Why the last try failed (a TavWriteCause::Cause); None when none has failed.
    int lastCause() const;

    // While it lives, the thread begins no try, and one that holds the file's write lock has ended (waited for at
    // most waitMs): a write of the interface thread then meets no lock of the program's own. A try that is still
    // waiting for another program's lock gives way as soon as it gets it.
    class Pause
    {
    public:
        explicit Pause(int waitMs);
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;
    };

    static constexpr int kFinishMs = 5000;
    static constexpr int kRetryMs = 1000;
    // How long one try waits for a lock another program holds.
    static constexpr int kBusyTimeoutMs = 1000;

signals:
    // From the thread, once per try for each kind, lesson and round that it held (round -1: none). cause is a
    // TavWriteCause::Cause.
    void failed(const QString& kind, int localRecordID, int round, int cause);
    void written(const QString& kind, int localRecordID, int round);

protected:
    void run() override;

private:
    friend class TavSingleton<TavWriteBehind>;
    TavWriteBehind();
    ~TavWriteBehind() override = default;

    struct Queued
    {
        TavWrite write;
        bool onRecord = false; // its data is in the side record
    };
    struct Try
    {
        bool written = false;
        bool yielded = false; // a write of the interface thread went first: nothing was tried
        int cause = 0;
        QList<int> setAside; // places in the batch
    };
    struct Held
    {
        int localRecordID;
        QString lessonUUID;
    };

    // How far the program's end has come.
    enum class Ending {
        No,
        Draining, // finish() waits for what waits to go in
        HandedOver // finish() has recorded what is left: the thread ends after the try under way
    };

    // Spins the calling thread's events (user input aside) until the thread has ended; false at the deadline.
    bool waitForThread(const QDeadlineTimer& deadline);
    // With m_mutex held: records what is left as finish() hands it over, the try under way as maybe written.
    void recordLeft();

    // The thread's steps.
    bool takeBatch(QList<Queued>* batch, bool* reopen);
    bool ensureConnection(QSqlDatabase* db, bool reopen);
    Try tryBatch(QSqlDatabase db, const QList<Queued>& batch);
    void settle(const QList<Queued>& batch, const Try& result);
    void keepFailed(QList<Queued> batch, const Try& result);
    void recordNew(QList<Queued>* batch);
    void tell(const QList<Queued>& batch, const Try& result);

    // With m_mutex held.
    void queue(const Queued& queued);
    void giveBack(const QList<Queued>& batch);
    void startIfIdle();
    bool hasWork() const { return !m_waiting.isEmpty(); }
    QHash<int, QString> lessonsOf(QSqlDatabase db, const QSet<int>& ids) const;

    mutable QMutex m_mutex;
    QWaitCondition m_wake;
    QList<Queued> m_waiting; // in the order handed over
    QHash<QString, int> m_waitingAt; // key to its place in m_waiting
    QList<Queued> m_inFlight; // the try under way
    QList<Unwritten> m_left; // what finish() left
    QHash<int, Held> m_held; // round to its lesson
    QDeadlineTimer m_nextTry { 0 };
    bool m_failing = false; // the last try failed
    int m_lastCause = 0;
    Ending m_ending = Ending::No;
    bool m_reopen = false; // the file was opened anew: so is the thread's connection
    bool m_recordedAll = true;
    bool m_handedOverWritten = false; // the try under way when finish() took over went in
    int m_pauses = 0;
    bool m_inTry = false; // a try holds the file's write lock
    QWaitCondition m_tryEnded;
};
