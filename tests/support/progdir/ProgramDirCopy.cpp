#include "ProgramDirCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSharedMemory>
#include <QSystemSemaphore>
#include <QTest>

#include <sys/shm.h>

namespace {

// Left behind by runs of the programs; a test starts without them.
const QStringList kRunData { "ErrorLog/TAVLog.txt", "TAVSqlite.db", "PaperData", "Thumbnails" };

} // namespace

ScopedIpcDir::ScopedIpcDir(const QString& dir)
    : m_previous(qgetenv("TMPDIR"))
    , m_hadPrevious(qEnvironmentVariableIsSet("TMPDIR"))
{
    qputenv("TMPDIR", QFile::encodeName(dir));
}

ScopedIpcDir::~ScopedIpcDir()
{
    if (m_hadPrevious) {
        qputenv("TMPDIR", m_previous);
    } else {
        qunsetenv("TMPDIR");
    }
}

ProgramDirCopy::ProgramDirCopy(const QString& folder, const QString& from)
{
    if (!m_root.isValid()) {
        m_error = "no temporary folder: " + m_root.errorString();
        return;
    }
    m_path = m_root.filePath(folder);
    m_ipc = m_root.filePath("ipc");
    if (!QDir().mkpath(m_ipc)) {
        m_error = "cannot create " + m_ipc;
        return;
    }
    const QString source = from.isEmpty() ? QStringLiteral(TAV_BIN_DIR) : from;
    if (!QFileInfo(source).isDir()) {
        m_error = "no program directory at " + source;
        return;
    }
    copyTree(source, m_path, QString());
}

ProgramDirCopy::~ProgramDirCopy()
{
    killAll();
}

void ProgramDirCopy::killAll()
{
    for (QProcess* process : qAsConst(m_processes)) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
        delete process;
    }
    m_processes.clear();
    if (m_ipc.isEmpty()) {
        return;
    }
    // An attach and detach removes the segment only once the kernel has stopped counting the killed programs.
    (void)QTest::qWaitFor([this] { return segmentUnattached(); }, 5000);
    // Killed programs leave their System V objects behind; the key files go with the temporary folder,
    // the kernel objects would stay for good.
    ScopedIpcDir ipc(m_ipc);
    {
        QSharedMemory memory("TAVSystemObject");
        if (memory.attach()) {
            memory.detach();
        }
    }
    // The semaphore of the check and the one that guards the segment. Opened in Create mode, a semaphore set
    // is removed when its object goes.
    for (const char* key : { "TAV", "TAVSystemObject" }) {
        QSystemSemaphore semaphore(key, 1, QSystemSemaphore::Create);
        semaphore.acquire();
        semaphore.release();
    }
}

bool ProgramDirCopy::segmentUnattached() const
{
    struct shmid_ds state;
    // Qt keys the segment through ftok(file, 'Q') on a file in TMPDIR named after it.
    for (const QFileInfo& key : QDir(m_ipc).entryInfoList({ "qipc_sharedmemory_*" }, QDir::Files)) {
        const int id = shmget(ftok(QFile::encodeName(key.filePath()).constData(), 'Q'), 0, 0);
        if (id != -1 && (shmctl(id, IPC_STAT, &state) != 0 || state.shm_nattch != 0)) {
            return false;
        }
    }
    return true;
}

bool ProgramDirCopy::copyTree(const QString& from, const QString& to, const QString& relative)
{
    if (!QDir().mkpath(to)) {
        m_error = "cannot create " + to;
        return false;
    }
    const QFileInfoList entries
        = QDir(from).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString name = relative.isEmpty() ? entry.fileName() : relative + "/" + entry.fileName();
        if (kRunData.contains(name)) {
            continue;
        }
        const QString target = to + "/" + entry.fileName();
        if (entry.isSymLink()) {
            if (!QFile::link(entry.symLinkTarget(), target)) {
                m_error = "cannot link " + target;
                return false;
            }
        } else if (entry.isDir()) {
            if (!copyTree(entry.filePath(), target, name)) {
                return false;
            }
        } else if (!entry.isFile()) {
            // Sockets and pipes belong to the run that made them.
            continue;
        } else if (!QFile::copy(entry.filePath(), target) || !QFile::setPermissions(target, entry.permissions())) {
            m_error = "cannot copy " + entry.filePath();
            return false;
        }
    }
    return true;
}

bool ProgramDirCopy::isValid() const
{
    return m_error.isEmpty();
}

QString ProgramDirCopy::errorString() const
{
    return m_error;
}

QString ProgramDirCopy::path() const
{
    return m_path;
}

QString ProgramDirCopy::filePath(const QString& relative) const
{
    return m_path + "/" + relative;
}

QString ProgramDirCopy::logFile() const
{
    return filePath("ErrorLog/TAVLog.txt");
}

QStringList ProgramDirCopy::logLines() const
{
    QFile file(logFile());
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringList();
    }
    QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    lines.removeLast();
    return lines;
}

QString ProgramDirCopy::ipcDir() const
{
    return m_ipc;
}

QProcessEnvironment ProgramDirCopy::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", m_ipc);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

QProcess* ProgramDirCopy::start(const QString& program, const QStringList& arguments)
{
    auto* process = new QProcess;
    m_processes << process;
    process->setProcessEnvironment(environment());
    process->setWorkingDirectory(m_path);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(filePath(program), arguments);
    return process;
}
