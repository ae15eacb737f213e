#pragma once

#include <QMutex>
#include <QObject>
#include <QSqlError>
#include <QString>
#include <QWaitCondition>

class QSqlDatabase;
class QThread;
struct sqlite3;

// Reads the database file through on a worker thread before anything is written into it, and tells its verdict
// by checked(), in the thread this object lives in: a start goes on when the verdict comes, and the interface
// stays alive meanwhile. A file found sound gains the indexes it lacks on that thread too (a file of an earlier
// version has none), so the first write finds them made.
//
// Another program may hold the file (a database browser left in a transaction): then the worker tries again every
// kRetryMs, each try waiting only kTryMs, and tells inUse() meanwhile. waitUntilFree() waits the same way for a
// file the start found held before it could check it.
class TavFileCheck : public QObject
{
    Q_OBJECT

public:
    enum class Verdict { NoFile, Reading, Sound, Damaged };

    // How long one try waits for another program's lock, and the pause between two tries.
    static constexpr int kTryMs = 50;
    static constexpr int kRetryMs = 1000;

    explicit TavFileCheck(QObject* parent = nullptr);
    ~TavFileCheck() override;

    // SQLite's answer when another connection, of this program or another, holds the file.
    static bool isHeld(const QSqlError& error);
    // Takes the file's read lock in the transaction begun on the connection, waiting as its busy time-out says:
    // the reads after it in that transaction find the file free. The error when it was not taken.
    static QSqlError takeReadLock(QSqlDatabase db);

    // Starts reading the file at the path through; a read-through still under way ends first.
    void start(const QString& path);
    // Waits on the worker until no other program holds the file at the path, that is until it could be read and
    // written; free() tells it then. A read-through still under way ends first.
    void waitUntilFree(const QString& path);
    // Stops a read-through or a wait under way (the program ends, or opens the file anew), waits for its thread
    // and forgets the verdict; neither checked() nor free() is emitted for it. What it was adding is rolled back.
    void reset();

    // Any thread: what the read-through has found so far.
    Verdict verdict() const;
    // Any thread: waits until the read-through has given its verdict; true when the file is sound. False at once
    // when the read-through is stopped.
    bool wait();
    // In this object's thread: the read-through has not given its verdict yet; checked() will tell it.
    bool pending() const { return m_pending && verdict() == Verdict::Reading; }

signals:
    // Once per start(), in this object's thread.
    void checked(bool sound);
    // In this object's thread: true when the worker found the file held by another program and waits for it,
    // false when it goes on.
    void inUse(bool held);
    // Once per waitUntilFree(), in this object's thread, when the file was found free.
    void free();

private:
    void tell(int run);
    // Any thread: inUse() is emitted in this object's thread, unless the run has ended meanwhile.
    void postInUse(int run, bool held);
    void tellFree(int run);
    // The worker's connection that reset() may interrupt; none while it opens or closes one.
    void setInterruptible(const QSqlDatabase* db);
    bool stopped() const;
    // The worker's pause between two tries; false when it is to stop.
    bool pause();
    QString readThrough(const QString& path, int run);
    void addIndexes(const QString& path);
    bool canTake(const QString& path);

    mutable QMutex m_mutex;
    QWaitCondition m_told;
    QWaitCondition m_wake;
    Verdict m_verdict = Verdict::NoFile;
    QThread* m_thread = nullptr;
    int m_run = 0;
    bool m_pending = false;
    sqlite3* m_interruptible = nullptr;
    bool m_stop = false;
};
