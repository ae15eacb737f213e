#include "DbTestSupport.h"

#include "Singleton.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_ClassRecord.h"
#include "TavSideRecord.h"
#include "TavWriteBehind.h"
#include "ZUFormFrame.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <cstdio>

namespace DbTestSupport {

namespace {
const char* const kPrivateFlag = "TAV_DB_TEST_PRIVATE_DIR";
const char* const kDropped = "Could not parse stylesheet";
QMutex g_logMutex;
QStringList g_log;
QtMessageHandler g_previous = nullptr;

void collect(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        QMutexLocker locker(&g_logMutex);
        g_log.append(message);
    }
    if (g_previous && type != QtDebugMsg)
        g_previous(type, context, message);
}

// Runs sql on a connection of the test's own; returns the first column of the first row.
QVariant runOwn(const QString& sql, const QVariantList& values, bool* ok)
{
    QVariant first;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(TAVDatabase::databasePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        QSqlQuery q(db);
        *ok = db.open() && q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        *ok = *ok && q.exec();
        if (*ok && q.next())
            first = q.value(0);
    }
    QSqlDatabase::removeDatabase(name);
    return first;
}

template<typename... T> void clearAll(T&... members)
{
    ((members = T()), ...);
}
} // namespace

int runInPrivateDir(int argc, char** argv, const std::function<int(int, char**)>& body)
{
    if (qEnvironmentVariableIsSet(kPrivateFlag)) {
        // As the program's start-up does.
        ZUFormFrame::usePictureFolder(qEnvironmentVariable(kPrivateFlag));
        return body(argc, argv);
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    // A program folder whose name holds an accented letter, as a teacher may choose; the pictures of the build
    // lie in it as beside the program.
    const QString folder = dir.filePath(QStringLiteral("Übung"));
    const QString copy = folder + "/" + QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    // Other users may enter it as they may a program folder, so that tests can try the rights of a user who is
    // not the owner.
    const QFileDevice::Permissions enterable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
        | QFileDevice::ReadOther | QFileDevice::ExeOther;
    if (!dir.isValid() || !QFile::setPermissions(dir.path(), enterable) || !QDir().mkpath(folder)
        || !QFile::copy(QCoreApplication::applicationFilePath(), copy)
        || !QFile::link(QStringLiteral(TAV_BIN_DIR "/Resources"), folder + "/Resources")) {
        qCritical("cannot make a private program directory");
        return 1;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kPrivateFlag), folder);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setInputChannelMode(QProcess::ForwardedInputChannel);
    // Qt drops a style sheet it cannot parse and only warns: here the warning fails the test, so every screen
    // tested from the private folder is tested for its look too.
    bool dropped = false;
    QByteArray tail;
    const auto forward = [&] {
        const QByteArray chunk = child.readAll();
        fwrite(chunk.constData(), 1, size_t(chunk.size()), stdout);
        fflush(stdout);
        const QByteArray seen = tail + chunk;
        dropped = dropped || seen.contains(kDropped);
        tail = seen.right(int(qstrlen(kDropped)));
    };
    QObject::connect(&child, &QProcess::readyRead, forward);
    child.start(copy, app.arguments().mid(1));
    const bool ended = child.waitForStarted() && child.waitForFinished(-1);
    forward();
    if (dropped) {
        qCritical("FAIL: a form lost its look, \"%s\" above", kDropped);
        return 1;
    }
    if (ended && child.exitStatus() == QProcess::CrashExit)
        qCritical("FAIL: the test program crashed");
    return ended && child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
}

bool freshDatabase()
{
    // The read-through of the file opened last ends before the file goes.
    TAVDatabase::getInstance()->closeLocalDb();
    QFile::remove(TAVDatabase::databasePath());
    // What an earlier test left unwritten belongs to the file that goes.
    QFile::remove(TavSideRecord::path());
    // The program writes nothing before the read-through's verdict (its login waits for it): a test that went on
    // would find the file's first write waiting for a read-through that may itself wait for a lock the test takes.
    return TAVDatabase::getInstance()->createDb() && TAVDatabase::getInstance()->openLocalDb()
        && TAVDatabase::getInstance()->waitForFileCheck();
}

void endWrites()
{
    if (TavWriteBehind* writer = TavSingleton<TavWriteBehind>::existing())
        writer->finish();
}

void resetTeacherState()
{
    TAVMemInfo* m = TAVMemInfo::getInstance();
    clearAll(m->currentTeacher, m->classMap, m->snMap, m->studentMap, m->studentList, m->currentClass, m->subjectList,
             m->currentRecord, m->currentInteractID, m->version, m->configMap, m->appVersion, m->autoLogin, m->userName,
             m->loginUserName, m->password, m->lastClass);
}

QVariant committedValue(const QString& sql, const QVariantList& values)
{
    bool ok;
    return runOwn(sql, values, &ok);
}

bool runOutside(const QString& sql, const QVariantList& values)
{
    bool ok;
    runOwn(sql, values, &ok);
    return ok;
}

OpenedLesson openLessonOf(int classID, const QString& creator)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ClassRecordRow row;
    row.creator = creator;
    row.classID = classID;
    row.subjectID = 1;
    const bool opened = TAV_ClassRecord::getInstance()->insertClassRecord(db, row) != -1;
    TAVDatabase::getInstance()->closeDbCon(db);
    if (!opened)
        return {};
    return { TAVMemInfo::getInstance()->currentRecord.localRecordID, TAVMemInfo::getInstance()->currentRecord.UUID };
}

bool writerIdle()
{
    return QTest::qWaitFor([] { return TavWriteBehind::getInstance()->isIdle(); }, 30000);
}

QByteArray whatStandsAt(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return "link to " + QFile::encodeName(info.symLinkTarget());
    if (info.isDir())
        return "folder";
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? "file " + file.readAll() : QByteArray("nothing");
}

FileLock::FileLock()
    : m_name(QUuid::createUuid().toString())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(TAVDatabase::databasePath());
    m_held = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
}

FileLock::~FileLock()
{
    release();
}

void FileLock::release()
{
    if (m_name.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
    m_held = false;
}

LogCapture::LogCapture()
{
    clear();
    g_previous = qInstallMessageHandler(collect);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(g_previous);
}

QStringList LogCapture::lines() const
{
    QMutexLocker locker(&g_logMutex);
    return g_log;
}

void LogCapture::clear()
{
    QMutexLocker locker(&g_logMutex);
    g_log.clear();
}

} // namespace DbTestSupport
