#pragma once

#include "Lib7z.h"

#include <QObject>
#include <QString>

class QThread;

// Unpacks a downloaded update package over the installation in a thread of its own, so that the dialog keeps
// painting. A package must hold a file, and may not replace what the teacher's work lives in: the database and
// its journal, the configuration, the log, the downloaded pictures and papers.
class TAVPackageInstaller : public QObject, public Lib7z::ExtractCallback
{
    Q_OBJECT
public:
    explicit TAVPackageInstaller(QObject* parent = nullptr);
    // Waits for an install under way: it is never cut off half-way.
    ~TAVPackageInstaller() override;

    // How the folder stands after recoverUnfinished().
    enum class Recovery {
        InOrder, // one whole version, recorded (or nothing was cut off)
        DatabaseInUse, // the new version stands but could not be recorded: another program holds the database
        DiskFull, // the same, the disk being full
        NotInOrder // an earlier update could be neither finished nor taken back
    };
    // What became of recording a version in the database.
    enum class Record { Done, NoPlace, InUse, DiskFull, Failed };

    // Why an entry at relativePath may not be installed, or empty when it may. Recoveries hold what the journal of
    // a cut-off update names to it too.
    static QString refusal(const QString& relativePath);
    // Finishes or takes back an update that a kill or a power loss cut off in programDir, so that the folder holds
    // one whole version and the database records that version. Run at every start of the updater and of the main
    // program before anything else; returns at once when no update was cut off. A journal that breaks the rules
    // of the install is set aside untouched and logged. A version that could not be recorded is recorded here
    // too. Anything but InOrder is logged.
    static Recovery recoverUnfinished(const QString& programDir);
    // The same through this object, which hears every step. False when the folder is not in order.
    bool recover(const QString& programDir, QString* error);
    // After recover() returned false: why.
    Recovery recoveryFailure() const;
    // Records version in the database of programDir; a missing database stays missing. NoPlace: no database or no
    // application row to record it in.
    static Record recordVersion(const QString& programDir, const QString& version);

    // The version the package brings: recorded in the database in the step that makes the install whole.
    void setVersion(const QString& version) { m_version = version; }

    // Unpacks the package over programDir in a worker thread; finished() follows in this object's thread.
    void start(const QString& archivePath, const QString& programDir);
    bool isRunning() const;
    // The same in the calling thread.
    bool install(const QString& archivePath, const QString& programDir, QString* error);

    bool acceptEntries(const QVector<Lib7z::Entry>& entries, QString* reason) override;
    void unpacked(qint64 bytes, qint64 totalBytes) override;
    QString journalNote() const override;
    // Records the installed version; false while the database is held or full, so that the journal stays and the
    // next start records it.
    bool settled(const QString& note, bool installed) override;
    void journalSetAside(const QString& keptAs, const QString& reason) override;

signals:
    void progress(qint64 bytes, qint64 totalBytes);
    void finished(bool installed, const QString& error);

private:
    QThread* m_thread = nullptr;
    bool m_installed = false;
    QString m_error;
    QString m_version;
    QString m_programDir;
    Record m_record = Record::Done;
    bool m_setAside = false;
};
