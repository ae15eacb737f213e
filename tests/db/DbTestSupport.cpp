#include "DbTestSupport.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

namespace DbTestSupport {

namespace {
const char* const kPrivateFlag = "TAV_DB_TEST_PRIVATE_DIR";

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

// A connection of the test's own, so that what it reads is what has been committed.
template<typename F> auto withOwnConnection(F&& f)
{
    const QString name = QUuid::createUuid().toString();
    decltype(f(std::declval<QSqlDatabase&>())) result {};
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(TAVDatabase::databasePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (db.open())
            result = f(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}
} // namespace

int runInPrivateDir(int argc, char** argv, const std::function<int(int, char**)>& body)
{
    if (qEnvironmentVariableIsSet(kPrivateFlag))
        return body(argc, argv);

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString self = QCoreApplication::applicationFilePath();
    const QString copy = dir.filePath(QFileInfo(self).fileName());
    if (!dir.isValid() || !QFile::copy(self, copy)) {
        qCritical("cannot make a private program directory");
        return 1;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kPrivateFlag), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.setInputChannelMode(QProcess::ForwardedInputChannel);
    child.start(copy, app.arguments().mid(1));
    if (!child.waitForStarted() || !child.waitForFinished(-1))
        return 1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
}

bool freshDatabase()
{
    TAVDatabase* database = TAVDatabase::getInstance();
    QFile::remove(TAVDatabase::databasePath());
    return database->createDb() && database->openLocalDb();
}

void resetTeacherState()
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->currentTeacher = TeacherInfoRow();
    mem->classMap.clear();
    mem->snMap.clear();
    mem->studentMap.clear();
    mem->studentList.clear();
    mem->currentClass = ClassInfoRow();
    mem->subjectList.clear();
    mem->currentRecord = ClassRecordRow();
    mem->currentInteractID = 0;
    mem->version.clear();
    mem->configMap.clear();
    mem->appVersion.clear();
    mem->autoLogin = false;
    mem->userName.clear();
    mem->loginUserName.clear();
    mem->password.clear();
    mem->lastClass = 0;
}

QVariant committedValue(const QString& sql, const QVariantList& values)
{
    return withOwnConnection([&](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        return q.exec() && q.next() ? q.value(0) : QVariant();
    });
}

bool runOutside(const QString& sql, const QVariantList& values)
{
    return withOwnConnection([&](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        return q.exec();
    });
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

bool LogCapture::contains(const QString& text) const
{
    return count(text) > 0;
}

int LogCapture::count(const QString& text) const
{
    int n = 0;
    for (const QString& line : lines())
        n += line.contains(text) ? 1 : 0;
    return n;
}

void LogCapture::clear()
{
    QMutexLocker locker(&g_logMutex);
    g_log.clear();
}

} // namespace DbTestSupport
