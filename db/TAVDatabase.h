#pragma once

#include "Singleton.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>
#include <QThread>

// Owner of the database file "TAVSqlite.db" in the program directory and of every connection to it:
// ten pooled connections (tav0 ... tav9) for the interface thread and "tavThread" for the upload thread.
//
// Interface thread: db = getDbCon() (begins a transaction), table operations with db, closeDbCon(db) (commits).
// Upload thread: db = getThreadDbCon(), table operations, closeThreadDbCon(db). Qt lets a connection be used
// only by the thread that opened it, so getThreadDbCon() opens "tavThread" in the calling thread on first use;
// the upload thread may call releaseThreadDbCon() before it ends. Another worker thread that writes beside the
// pool opens a connection of its own with openOwnDbCon() and closes it with closeOwnDbCon() before it ends.
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
    // Opens the ten pooled connections. False, with no connection kept, when the file is missing, a connection
    // does not open, or the file is damaged, lacks a table of the schema or cannot be written; the file is
    // never changed then. The file is read through in full for damage only when the last run did not close it
    // with closeLocalDb() or it changed since; otherwise its header is checked. A usable file gains the
    // indexes it lacks.
    bool openLocalDb();
    // Ends the program's use of the file at exit: closes the pooled connections, and "tavThread" and the
    // connections of openOwnDbCon() that the calling thread opened or whose thread has ended. With every
    // connection given back or closed and the upload thread ended, it notes the clean exit beside the file, so
    // that the next start need not read the whole file.
    void closeLocalDb();

    // Borrows a pooled connection with a transaction begun; an invalid handle when none is free.
    QSqlDatabase getDbCon();
    // Commits and gives the connection back. A failed commit is rolled back first, so the next borrower
    // starts clean. Handles that are not pooled connections (an invalid one included) are not taken.
    // True when the transaction was committed.
    bool closeDbCon(QSqlDatabase db);
    // Rolls the transaction back and gives the connection back: nothing written on it since the borrow stays.
    // Shows nothing; the caller tells the teacher what was not kept. Handles that are not pooled connections
    // are not taken, as with closeDbCon().
    void rollbackDbCon(QSqlDatabase db);

    // The calling thread's "tavThread" connection with a transaction begun; opened on first use.
    // Invalid when the file is missing, it does not open, or another running thread holds it.
    QSqlDatabase getThreadDbCon();
    // Commits the upload thread's transaction, rolling back when the commit fails.
    void closeThreadDbCon(QSqlDatabase db);
    // Closes "tavThread"; only the thread that opened it may call this.
    void releaseThreadDbCon();

    // Opens a connection of the calling thread under the name, waiting up to busyTimeoutMs for a lock another
    // connection holds; the caller begins and ends its transactions itself. Invalid when the file is missing,
    // the name is in use, or it does not open. Only the calling thread may use it and close it.
    QSqlDatabase openOwnDbCon(const QString& name, int busyTimeoutMs);
    // Closes a connection of openOwnDbCon(), from the thread that opened it; the caller holds no copy of it.
    void closeOwnDbCon(const QString& name);

    int freeCount() const { return freeList.size(); }
    // How many times openLocalDb() has opened the file in this run: what is remembered of the rows of one
    // opening need not hold for the file of the next.
    int openings() const { return m_openings; }

private:
    friend class TavSingleton<TAVDatabase>;
    TAVDatabase() = default;
    ~TAVDatabase() override;

    static bool makeSchema();
    void dropPool();
    bool isPooled(const QSqlDatabase& db) const;
    void dropThreadConnection();
    bool closeOwnConnections();
    static void notify(const char* text);

    QList<QSqlDatabase> freeList;
    QSqlDatabase threadConnection;
    QPointer<QThread> threadOwner;
    QHash<QString, QPointer<QThread>> ownConnections; // name to the thread that opened it
    QMutex threadMutex;
    bool m_opened = false;
    int m_openings = 0;
};
