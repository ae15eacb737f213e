#pragma once

#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Sets TMPDIR for its lifetime, so that the named semaphores and shared memory made meanwhile in this process
// are the ones the programs of a ProgramDirCopy use.
class ScopedIpcDir
{
public:
    explicit ScopedIpcDir(const QString& dir);
    ~ScopedIpcDir();

    ScopedIpcDir(const ScopedIpcDir&) = delete;
    ScopedIpcDir& operator=(const ScopedIpcDir&) = delete;

private:
    QByteArray m_previous;
    bool m_hadPrevious;
};

// A private copy of the program directory build/bin for tests that run the built programs. What a run leaves
// behind (the log's contents, the database, downloaded papers and thumbnails) is not copied. Programs started
// through it get their own folder for the named semaphore and shared memory, so they meet each other but never
// a program of another test or of a real run.
class ProgramDirCopy
{
public:
    // The copy lies in the folder of that name (a relative path) in a temporary folder; it is a copy of the given
    // program directory, by default of the build's build/bin.
    explicit ProgramDirCopy(const QString& folder = QStringLiteral("bin"), const QString& source = QString());
    ~ProgramDirCopy();

    ProgramDirCopy(const ProgramDirCopy&) = delete;
    ProgramDirCopy& operator=(const ProgramDirCopy&) = delete;

    // False when the copy could not be made (errorString() says why).
    bool isValid() const;
    QString errorString() const;

    QString path() const;
    QString filePath(const QString& relative) const;
    QString logFile() const;
    // The log's lines without their CR LF ends.
    QStringList logLines() const;

    // The folder given as TMPDIR to the programs: the named objects are keyed by files in it. A test that
    // takes the same objects itself sets TMPDIR to it while it creates them.
    QString ipcDir() const;
    // Headless environment with TMPDIR pointing at ipcDir().
    QProcessEnvironment environment() const;

    // Starts a program of the copy ("TAV", "TAVUpdate") in it; killed and reaped by the destructor at the latest.
    QProcess* start(const QString& program, const QStringList& arguments = QStringList());
    // Kills every program started here and removes the named objects they left behind.
    void killAll();
    // True when no process is counted on the single-instance segment. The kernel can go on counting a killed
    // program for some tens of milliseconds after it is reaped; a start in that time is refused.
    bool segmentUnattached() const;

private:
    bool copyTree(const QString& from, const QString& to, const QString& relative);

    QTemporaryDir m_root;
    QString m_path;
    QString m_ipc;
    QString m_error;
    QList<QProcess*> m_processes;
};
