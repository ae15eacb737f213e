#include "ZULoginStore.h"

#include "JsonHelper.h"
#include "Singleton.h"
#include "TAVDataParse.h"
#include "TAVDatabase.h"
#include "TAV_AppInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_StudentInfo.h"
#include "TAV_SubjectInfo.h"
#include "TAV_TeacherInfo.h"
#include "TavStatement.h"
#include "TavWriteCause.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>

namespace {

const char* const kConnection = "tavLogin";
// A large school's rows fit in the connection's page cache, so that they reach the file only at the commit.
const char* const kCacheSize = "PRAGMA cache_size = -65536";
// Less free room than this on the file's disk counts as a full disk.
const qint64 kFullBelowBytes = 1024 * 1024;

// Why the file did not take a write, with what the teacher may do about it.
QString causeOf(const QSqlError& error)
{
    TavWriteCause::Cause cause = TavWriteCause::of(error);
    // A failed statement or an opening that failed says nothing of the disk: its free room does.
    if ((cause == TavWriteCause::None || cause == TavWriteCause::Other)
        && QStorageInfo(QFileInfo(TAVDatabase::databasePath()).absolutePath()).bytesAvailable() < kFullBelowBytes)
        cause = TavWriteCause::Full;
    if (cause == TavWriteCause::None)
        cause = TavWriteCause::Other;
    return TavWriteCause::text(cause) + QStringLiteral("，") + TavWriteCause::advice(cause);
}

void addStudent(ZULoginStore::ClassLoad& load, const StudentInfoRow& student)
{
    if (!student.sn.isEmpty())
        load.snMap.insert(student.sn, student.dovaneID);
    load.studentMap.insert(student.dovaneID, student);
    load.studentList.append(student);
}

// The classes of the reply as the tool bar loads them: the rows and their students from the reply, the class rows
// (with their seat grid) and the subject names as the file holds them when it could be read.
QHash<int, ZULoginStore::ClassLoad> classLoads(const TAVDataParse::LoginData& data,
                                               const QHash<int, ClassInfoRow>& storedClasses,
                                               const QHash<int, QString>& storedSubjects)
{
    QHash<int, QString> subjectNames = storedSubjects;
    for (const SubjectInfoRow& subject : data.subjects) {
        if (!subjectNames.contains(subject.subjectID))
            subjectNames.insert(subject.subjectID, subject.subjectName);
    }
    QHash<int, ZULoginStore::ClassLoad> loads;
    for (const ClassInfoRow& row : data.classes)
        loads[row.classID].classRow = storedClasses.value(row.classID, row);
    for (const StudentInfoRow& student : data.students) {
        const auto it = loads.find(student.classID);
        if (it != loads.end())
            addStudent(*it, student);
    }
    for (const CSTeacherInfoRow& link : data.links) {
        SubjectInfoRow subject;
        subject.subjectID = link.subjectID;
        subject.subjectName = subjectNames.value(link.subjectID);
        loads[link.classID].subjects.append(subject);
    }
    return loads;
}

// The class rows and subject names of the reply as the file holds them; false when they could not be read.
bool readStored(QSqlDatabase db, const TAVDataParse::LoginData& data, QHash<int, ClassInfoRow>* classes,
                QHash<int, QString>* subjects)
{
    const quint64 failuresBefore = TavStatement::failureCount();
    for (const ClassInfoRow& row : data.classes) {
        ClassInfoRow stored;
        if (TAV_ClassInfo::getInstance()->selectClass(db, row.classID, &stored))
            classes->insert(row.classID, stored);
    }
    for (const CSTeacherInfoRow& link : data.links) {
        if (!subjects->contains(link.subjectID))
            subjects->insert(link.subjectID, TAV_SubjectInfo::getInstance()->selectSubjectName(db, link.subjectID));
    }
    return TavStatement::failureCount() == failuresBefore;
}

} // namespace

struct ZULoginStore::Waiter
{
    QEventLoop* loop = nullptr;
    bool done = false;
};

ZULoginStore* ZULoginStore::getInstance()
{
    return TavSingleton<ZULoginStore>::instance();
}

ZULoginStore::ZULoginStore()
{
    // One thread: the steps go into the file in the order they were given.
    m_pool.setMaxThreadCount(1);
}

void ZULoginStore::post(std::function<void()> step)
{
    m_pool.start(std::move(step));
}

void ZULoginStore::runAndWait(std::function<void()> step)
{
    const quint64 id = ++m_lastStep;
    QEventLoop loop;
    Waiter waiter;
    waiter.loop = &loop;
    m_waiters.insert(id, &waiter);
    post([this, id, step = std::move(step)] {
        step();
        QMetaObject::invokeMethod(
            this, [this, id] { stepDone(id); }, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    // The program ended every event loop (it quits): the step still ends within its busy time-out.
    if (!waiter.done)
        m_pool.waitForDone();
    m_waiters.remove(id);
}

void ZULoginStore::stepDone(quint64 id)
{
    Waiter* waiter = m_waiters.value(id, nullptr);
    if (!waiter)
        return;
    waiter->done = true;
    waiter->loop->quit();
}

void ZULoginStore::finish()
{
    runAndWait([] {});
}

QString ZULoginStore::inTransaction(const char* what, const std::function<bool(QSqlDatabase)>& body, Lock lock)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    const QString name = QLatin1String(kConnection);
    QString cause;
    {
        QSqlDatabase db = database->openOwnDbCon(name, kBusyTimeoutMs);
        QSqlQuery step(db);
        if (!db.isOpen()) {
            cause = causeOf(QSqlError());
        } else {
            step.exec(QLatin1String(kCacheSize));
            // A write takes its lock first: while another program holds the file, nothing of the step begins.
            if (!step.exec(lock == Write ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"))) {
                cause = causeOf(step.lastError());
            } else {
                const quint64 failuresBefore = TavStatement::failureCount();
                const bool written = body(db) && TavStatement::failureCount() == failuresBefore;
                if (!written)
                    cause = causeOf(QSqlError());
                else if (!step.exec(QStringLiteral("COMMIT")))
                    cause = causeOf(step.lastError());
                if (!cause.isEmpty())
                    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            }
        }
        if (!cause.isEmpty()) {
            const QString error = TavStatement::errorText(step.lastError());
            qWarning().noquote() << QStringLiteral("****%1 not %2: %3")
                                        .arg(QLatin1String(what),
                                             lock == Write ? QStringLiteral("stored") : QStringLiteral("read"), cause)
                    + (error.trimmed().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(error));
        }
    }
    if (QSqlDatabase::contains(name))
        database->closeOwnDbCon(name);
    return cause;
}

void ZULoginStore::keepLoginDate(const QString& username, const QDateTime& when)
{
    post([this, username, when] {
        inTransaction("the login date", [&](QSqlDatabase db) {
            TAV_TeacherInfo::getInstance()->setLoginDate(db, username, when);
            return true;
        });
    });
}

ZULoginStore::Reply ZULoginStore::takeReply(const QByteArray& body, const QString& password)
{
    dropClasses();
    Reply reply;
    runAndWait([this, &reply, &body, &password] {
        const JsonReply parsed = JsonHelper().parseReply(body);
        reply.success = parsed.success;
        reply.errorCode = parsed.errorCode;
        if (!parsed.success || !TAVDataParse::checkLoginData(parsed.result, &reply.problem))
            return;
        const TAVDataParse::LoginData data = TAVDataParse::readLoginData(parsed.result, password);
        reply.teacher = data.teacher;
        reply.classes = data.classes;

        QHash<int, ClassInfoRow> storedClasses;
        QHash<int, QString> storedSubjects;
        reply.notStored = inTransaction("the login's teacher, classes, students and subjects", [&](QSqlDatabase db) {
            return TAVDataParse::storeLoginData(db, data) && readStored(db, data, &storedClasses, &storedSubjects);
        });
        if (!reply.notStored.isEmpty()) {
            qWarning().noquote() << QStringLiteral("****the login of %1 is kept for this run only: %2 classes and %3 "
                                                   "students not stored; the next online login stores them")
                                        .arg(data.teacher.username)
                                        .arg(data.classes.size())
                                        .arg(data.students.size());
            storedClasses.clear();
            storedSubjects.clear();
        }
        QHash<int, ClassLoad> loads = classLoads(data, storedClasses, storedSubjects);
        QMutexLocker locker(&m_mutex);
        m_classes.swap(loads);
        m_classesOf = data.teacher.username;
        m_classesOpening = TAVDatabase::getInstance()->openings();
    });
    return reply;
}

void ZULoginStore::prepareStoredClasses(const QString& username, const QList<int>& classIDs)
{
    dropClasses();
    runAndWait([this, &username, &classIDs] {
        QHash<int, ClassLoad> loads;
        const QString cause = inTransaction(
            "the classes for the tool bar",
            [&](QSqlDatabase db) {
                for (int classID : classIDs) {
                    ClassLoad& load = loads[classID];
                    QVector<StudentInfoRow> students;
                    if (!TAV_ClassInfo::getInstance()->selectClass(db, classID, &load.classRow)
                        || !TAV_StudentInfo::getInstance()->selectByClass(db, classID, &students)
                        || !TAV_SubjectInfo::getInstance()->selectTaught(db, username, classID, &load.subjects))
                        return false;
                    for (const StudentInfoRow& student : qAsConst(students))
                        addStudent(load, student);
                }
                return true;
            },
            Read);
        // What could not be read is read again by the tool bar.
        if (!cause.isEmpty())
            loads.clear();
        QMutexLocker locker(&m_mutex);
        m_classes.swap(loads);
        m_classesOf = username;
        m_classesOpening = TAVDatabase::getInstance()->openings();
    });
}

QString ZULoginStore::saveLogin(int autoLogin, const QString& username, const QString& password)
{
    QString cause;
    runAndWait([this, &cause, autoLogin, &username, &password] {
        cause = inTransaction("the saved login", [&](QSqlDatabase db) {
            return TAV_AppInfo::getInstance()->storeLogin(db, autoLogin, username, password);
        });
    });
    return cause;
}

bool ZULoginStore::takeClass(int classID, const QString& username, ClassLoad* load)
{
    QHash<int, ClassLoad> classes;
    QString of;
    int opening = -1;
    {
        QMutexLocker locker(&m_mutex);
        classes.swap(m_classes);
        of = m_classesOf;
        opening = m_classesOpening;
    }
    const bool found = of == username && opening == TAVDatabase::getInstance()->openings() && classes.contains(classID);
    if (found)
        *load = classes.take(classID);
    if (!classes.isEmpty())
        post([classes = std::move(classes)] {});
    return found;
}

void ZULoginStore::dropClasses()
{
    ClassLoad none;
    takeClass(-1, QString(), &none);
}

void ZULoginStore::dispose(ClassLoad&& load)
{
    post([load = std::move(load)] {});
}
