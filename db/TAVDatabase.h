#pragma once

#include "Singleton.h"
#include "TavFileCheck.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

// Owner of the database file "TAVSqlite.db" in the program directory and of every connection to it:
// ten pooled connections (tav0 ... tav9) for the interface thread and "tavThread" for the upload thread.
//
// Interface thread: db = getDbCon() (begins a transaction), table operations with db, closeDbCon(db) (commits).
// Upload thread: db = getThreadDbCon(), table operations, closeThreadDbCon(db). Qt lets a connection be used
// only by the thread that opened it, so getThreadDbCon() opens "tavThread" in the calling thread on first use;
// the upload thread may call releaseThreadDbCon() before it ends. Another worker thread that writes beside the
// pool opens a connection of its own with openOwnDbCon() and closes it with closeOwnDbCon() before it ends.
//
// Nothing is written into the file before it has been read through in full and found sound: openLocalDb()
// checks what is quick and starts the read-through (TavFileCheck) on a worker thread, and a damaged file is
// refused before any write reached it. The interface thread goes on to its first write when fileCheck() tells
// its verdict; a borrow that may write before then waits for it.
class TAVDatabase : public QObject
{
public:
    static TAVDatabase* getInstance() { return TavSingleton<TAVDatabase>::instance(); }

    // Application directory + "/TAVSqlite.db".
    static QString databasePath();

    // Makes a missing file with its tables and default rows, all in one transaction; an empty file (a creation
    // cut off) gets them the same way. A creation that fails is rolled back, and a file this call made is
    // removed, so the next start tries again. Whatever else stands at the path (a database, a link, a folder)
    // is left untouched. False only when the tables could not be made.
    bool createDb();
    // Grants read and write on the file to every user who may use the program directory.
    void setAuthority();
    // Opens the ten pooled connections, able only to read until the file is found sound, and starts reading
    // the file through on a worker thread. False, with no connection kept, when the file is missing, a
    // connection does not open, or the file's header does not fit its length, it lacks a table of the schema
    // or it cannot be written; the file is never changed then. A file found sound gains the indexes it lacks
    // before the verdict is told.
    bool openLocalDb();
    // Ends the program's use of the file at exit: stops the read-through, closes the pooled connections, and
    // "tavThread" and the connections of openOwnDbCon() that the calling thread opened or whose thread has ended.
    void closeLocalDb();

    // Waits until the read-through started by openLocalDb() has given its verdict; true when the file is sound.
    // Any thread may call it; false also when no file was opened. Every borrow that may write calls it first.
    // The interface thread instead waits for fileCheck()'s checked() while fileCheckPending() holds.
    bool waitForFileCheck();
    // The read-through of the file opened last; its checked() comes in the interface thread.
    TavFileCheck* fileCheck() { return &m_check; }
    // In the interface thread: the read-through has not given its verdict yet; fileCheck() will tell it.
    bool fileCheckPending() const;
    // Called once in the interface thread when the read-through found the file damaged: nothing has been
    // written into it, and no borrow is served from then on. Start-up tells the teacher and ends the program;
    // the handler may run inside any modal box's event loop.
    void setDamageHandler(const std::function<void()>& handler);

    // Borrows a pooled connection with a transaction begun, once the file is known to be sound (waiting for the
    // read-through when it is still under way); an invalid handle when none is free or the file is damaged.
    QSqlDatabase getDbCon();
    // Borrows a pooled connection at once, also while the file is still being read through, for reads: writes on
    // it fail until the file is found sound. Given back as getDbCon()'s are.
    QSqlDatabase getReadDbCon();
    // Commits and gives the connection back. A failed commit is rolled back first, so the next borrower
    // starts clean. Handles that are not pooled connections (an invalid one included) are not taken.
    // True when the transaction was committed.
    bool closeDbCon(QSqlDatabase db);
    // Rolls the transaction back and gives the connection back: nothing written on it since the borrow stays.
    // Shows nothing; the caller tells the teacher what was not kept. Handles that are not pooled connections
    // are not taken, as with closeDbCon().
    void rollbackDbCon(QSqlDatabase db);

    // The calling thread's "tavThread" connection with a transaction begun; opened on first use, once the file
    // is known to be sound. Invalid when the file is missing or damaged, it does not open, or another running
    // thread holds it.
    QSqlDatabase getThreadDbCon();
    // Commits the upload thread's transaction, rolling back when the commit fails.
    void closeThreadDbCon(QSqlDatabase db);
    // Closes "tavThread"; only the thread that opened it may call this.
    void releaseThreadDbCon();

    // Opens a connection of the calling thread under the name, once the file is known to be sound, waiting up to
    // busyTimeoutMs for a lock another connection holds; the caller begins and ends its transactions itself.
    // Invalid when the file is missing or damaged, the name is in use, or it does not open. Only the calling
    // thread may use it and close it.
    QSqlDatabase openOwnDbCon(const QString& name, int busyTimeoutMs);
    // Closes a connection of openOwnDbCon(), from the thread that opened it; the caller holds no copy of it.
    void closeOwnDbCon(const QString& name);

    int freeCount() const { return freeList.size(); }

private:
    friend class TavSingleton<TAVDatabase>;
    TAVDatabase();
    ~TAVDatabase() override;

    static bool makeSchema();
    void refuseFile();
    // A borrowed connection with a transaction begun, able to write when writable; failure prefixes the log line
    // of a transaction that does not begin.
    QSqlDatabase lend(bool writable, const char* failure);
    QSqlDatabase borrow();
    void makeWritable(QSqlDatabase db);
    void dropPool();
    bool isPooled(const QSqlDatabase& db) const;
    void dropThreadConnection();
    void closeOwnConnections();
    static void notify(const char* text);

    QList<QSqlDatabase> freeList;
    QSqlDatabase threadConnection;
    QPointer<QThread> threadOwner;
    QHash<QString, QPointer<QThread>> ownConnections; // name to the thread that opened it
    QMutex threadMutex;

    TavFileCheck m_check;
    std::function<void()> m_damageHandler;
    bool m_refused = false;
    QStringList m_writable; // pooled connections that may write, once the file is sound
};
