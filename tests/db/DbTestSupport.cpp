#include "DbTestSupport.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
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

// Runs sql on a connection of the test's own; *first gets the first column of the first row.
bool runOwn(const QString& sql, const QVariantList& values, QVariant* first)
{
    const QString name = QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(TAVDatabase::databasePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(sql);
            for (const QVariant& v : values)
                q.addBindValue(v);
            ok = q.exec();
            if (ok && first && q.next())
                *first = q.value(0);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
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
    QFile::remove(TAVDatabase::databasePath());
    return TAVDatabase::getInstance()->createDb() && TAVDatabase::getInstance()->openLocalDb();
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
    QVariant first;
    runOwn(sql, values, &first);
    return first;
}

bool runOutside(const QString& sql, const QVariantList& values)
{
    return runOwn(sql, values, nullptr);
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
