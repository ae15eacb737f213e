#pragma once

#include <QString>
#include <QVector>

class QFileDevice;

// Extraction of 7-Zip packages, over libarchive.
namespace Lib7z {

// One entry of an archive as its header describes it.
struct Entry
{
    QString relativePath; // below the target folder, with "/"
    bool isDirectory = false;
    bool executable = false;
    qint64 size = 0; // unpacked bytes; 0 for a folder
};

// Told what the archive holds before anything is written, and how the work goes. Every call comes from the
// thread that runs extractArchive.
class ExtractCallback
{
public:
    virtual ~ExtractCallback() = default;
    // Every entry, read and checked before anything is written; false with a reason refuses the archive.
    virtual bool acceptEntries(const QVector<Entry>& entries, QString* reason);
    // Bytes unpacked so far out of the total of every file; called at most about a hundred times.
    virtual void unpacked(qint64 bytes, qint64 totalBytes);
    // A file stands in its place below the target; a later failure still takes it back.
    virtual void fileInstalled(const QString& relativePath);
    // Kept with the install's journal and handed back to settled(), also by a recovery at a later start.
    virtual QString journalNote() const;
    // The target holds one whole version again: the new one (installed) or the old one. Called before the journal
    // is dropped, so that what the caller keeps beside the folder can follow; after a kill it comes again from
    // recoverInstall(), so it must be safe to repeat. False when that cannot follow yet: the journal stays, and
    // recoverInstall() calls this again at a later start.
    virtual bool settled(const QString& note, bool installed);
    // A file replaced by an install that did not end stands as before again.
    virtual void fileRestored(const QString& relativePath);
    // The journal of an earlier install broke the install's rules (damaged, edited or planted): nothing it names
    // was touched, and it was renamed to keptAs in the target for the administrator.
    virtual void journalSetAside(const QString& keptAs, const QString& reason);
};

// Bounds far above a real package, so that a small hostile archive cannot fill the disk or run for hours.
struct Limits
{
    qint64 maxBytes = qint64(2) << 30;
    int maxEntries = 100000;
    qint64 spareBytes = qint64(64) << 20; // left free on the target's disk
};

// Makes the character type UTF-8 so that the UTF-16 names of 7z entries survive libarchive's
// conversion through the current locale. Call once, after the application object exists.
void init();

// True when the open, seekable device starts with the 7z signature. The device is left at position 0.
bool isSupportedArchive(QFileDevice* archive);

// Unpacks every entry of the archive below targetDirectory, replacing existing files. Either every
// entry is installed or nothing in targetDirectory changes; errorText then says why. A kill or a power loss
// part-way leaves a journal from which recoverInstall() makes the same true.
bool extractArchive(QFileDevice* archive, const QString& targetDirectory, ExtractCallback* callback = nullptr,
                    QString* errorText = nullptr, const Limits& limits = Limits());

// Finishes an install that was cut off after every file was in place, or takes it back, after a kill or a power
// loss; then removes what it left in targetDirectory. Safe to cut off and run again. Returns at once when nothing
// was left; waits while an install or recovery of another process works in the folder. The journal is held to the
// rules of the install (the callback's acceptEntries() among them): one that breaks them is set aside untouched
// and counts as done. False when something could not be put in order; errorText says what, and the next call
// tries again.
bool recoverInstall(const QString& targetDirectory, ExtractCallback* callback = nullptr, QString* errorText = nullptr);

// True when an install cut off by a kill or a power loss left something in targetDirectory for recoverInstall().
bool installWasCutOff(const QString& targetDirectory);

} // namespace Lib7z
