#pragma once

#include "ClassInfoRow.h"
#include "StudentInfoRow.h"
#include "SubjectInfoRow.h"
#include "TeacherInfoRow.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QThreadPool>
#include <QVector>

#include <functional>

template<typename T> class TavSingleton;

// What a login writes into the database file (its date, the reply's teacher, classes, students and subjects, the
// saved login), and the reading of its reply, on a thread and a connection of their own: the interface thread
// neither waits for the disk at login nor reads a large school's reply. Steps run one after the other in the order
// they are given; each opens the connection, writes in one transaction and closes it again. A step the caller waits
// for keeps the caller's event loop turning meanwhile (user input aside), as the login's request does, so that the
// login dialog stays alive.
class ZULoginStore : public QObject
{
public:
    // A class as the tool bar loads it into the teacher state.
    struct ClassLoad
    {
        ClassInfoRow classRow;
        QMap<QString, QString> snMap;
        QMap<QString, StudentInfoRow> studentMap;
        QVector<StudentInfoRow> studentList;
        QVector<SubjectInfoRow> subjects;
    };

    // The reply of an online login, read on the thread.
    struct Reply
    {
        bool success = false;
        QString errorCode;
        // Why the payload was refused; empty when it was taken.
        QString problem;
        TeacherInfoRow teacher;
        // The teacher's classes, each once.
        QVector<ClassInfoRow> classes;
        // Why the payload is not in the file, in words for the teacher; empty when it is.
        QString notStored;
    };

    static ZULoginStore* getInstance();

    // How long a step waits for a lock another program holds on the file before it gives up.
    static constexpr int kBusyTimeoutMs = 2000;

    // The teacher's login date; the caller does not wait for it.
    void keepLoginDate(const QString& username, const QDateTime& when);
    // Reads the reply, checks its payload and stores it, and makes its classes ready for the tool bar (takeClass).
    // Waits. A payload that the file does not take is read all the same.
    Reply takeReply(const QByteArray& body, const QString& password);
    // The classes of a teacher who logged in offline, read from the file for the tool bar (takeClass). Waits.
    void prepareStoredClasses(const QString& username, const QList<int>& classIDs);
    // The saved login of "自动登录". Waits. Empty when it is stored, otherwise why not, in words for the teacher.
    QString saveLogin(int autoLogin, const QString& username, const QString& password);
    // Waits until every step given so far is done.
    void finish();

    // The class as the last reply brought it (its seat grid from the file), or as prepareStoredClasses read it, for
    // the tool bar's first load after the login. Once only: any call forgets the other classes, and later loads read
    // the file. False when the reply did not bring the class for this teacher.
    bool takeClass(int classID, const QString& username, ClassLoad* load);
    void dropClasses();
    // Lets go of rows on the store's thread, so that the interface does not spend its time freeing them.
    void dispose(ClassLoad&& load);

private:
    friend class TavSingleton<ZULoginStore>;
    ZULoginStore();
    ~ZULoginStore() override = default;

    struct Waiter;
    enum Lock { Write, Read };

    void post(std::function<void()> step);
    void runAndWait(std::function<void()> step);
    void stepDone(quint64 id);
    // On the store's thread: body in one transaction of the store's connection; empty when it was committed,
    // otherwise why not, in words for the teacher.
    QString inTransaction(const char* what, const std::function<bool(QSqlDatabase)>& body, Lock lock = Write);

    QThreadPool m_pool;
    quint64 m_lastStep = 0;
    QHash<quint64, Waiter*> m_waiters; // interface thread only

    QMutex m_mutex; // guards the classes ready for the tool bar
    QHash<int, ClassLoad> m_classes;
    QString m_classesOf;
    int m_classesOpening = -1;
};
