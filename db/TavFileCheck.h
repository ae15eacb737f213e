#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <QWaitCondition>

class QSqlDatabase;
class QThread;
struct sqlite3;

// Reads the database file through on a worker thread before anything is written into it, and tells its verdict
// by checked(), in the thread this object lives in: a start goes on when the verdict comes, and the interface
// stays alive meanwhile. A file found sound gains the indexes it lacks on that thread too (a file of an earlier
// version has none), so the first write finds them made.
class TavFileCheck : public QObject
{
    Q_OBJECT

public:
    enum class Verdict { NoFile, Reading, Sound, Damaged };

    explicit TavFileCheck(QObject* parent = nullptr);
    ~TavFileCheck() override;

    // Starts reading the file at the path through; a read-through still under way ends first.
    void start(const QString& path);
    // Stops a read-through under way (the program ends, or opens the file anew), waits for its thread and
    // forgets the verdict; checked() is not emitted for it. What it was adding is rolled back.
    void reset();

    // Any thread: what the read-through has found so far.
    Verdict verdict() const;
    // Any thread: waits until the read-through has given its verdict; true when the file is sound.
    bool wait();
    // In this object's thread: the read-through has not given its verdict yet; checked() will tell it.
    bool pending() const { return m_pending && verdict() == Verdict::Reading; }

signals:
    // Once per start(), in this object's thread.
    void checked(bool sound);

private:
    void tell(int run);
    // The worker's connection that reset() may interrupt; none while it opens or closes one.
    void setInterruptible(const QSqlDatabase* db);
    bool stopped() const;
    QString readThrough(const QString& path);
    void addIndexes(const QString& path);

    mutable QMutex m_mutex;
    QWaitCondition m_told;
    Verdict m_verdict = Verdict::NoFile;
    QThread* m_thread = nullptr;
    int m_run = 0;
    bool m_pending = false;
    sqlite3* m_interruptible = nullptr;
    bool m_stop = false;
};
