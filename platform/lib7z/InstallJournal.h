#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The journal of one install, kept on disk in the target folder so that an install cut off by a kill or a power
// loss is finished or taken back at the next start. It is written and synced before the first file of the target
// is touched and again when every file stands in place; what happened to each file in between is read back from
// the files themselves, since every move is a rename.
//
// Each file i moves the file already at target/files[i] (if any) to backup/i, then staging/files[i] to
// target/files[i]. Both folders lie in the target, on its disk.
class InstallJournal
{
public:
    enum Phase { None, Installing, Committed, RolledBack };

    explicit InstallJournal(const QString& target);

    static QString fileName();
    // True when anything an install leaves in target while it runs is there: the journal, a staging or backup folder.
    // Beside a journal set aside, only a journal counts: the folders are kept for the administrator.
    static bool leftoversIn(const QString& target);

    // Reads the journal in the target. False with error set when it cannot be read or breaks the rules of its
    // form (a journal that is no plain file among them); a missing journal reads as phase None.
    bool load(QString* error);
    // After load: the staging and backup folders are real folders in the target (or, once the install is settled,
    // gone), and every file the journal says lies in them is a plain file reached through real folders only.
    bool checkOwnFolders(QString* error) const;
    // Renames the journal in the target to a name no install or recovery uses, for the administrator; keptAs is
    // told that name. Nothing the journal names is touched, and while it lies there no recovery removes a staging
    // or backup folder.
    bool setAside(QString* keptAs, QString* error);
    Phase phase() const { return m_phase; }
    QString note() const { return m_note; }

    // Writes and syncs the plan, with the staged data, before anything below the target is changed. folders are
    // the folders to create, parents first; every file must already stand in the staging folder.
    bool begin(const QString& stagingFolder, const QString& backupFolder, const QStringList& folders,
               const QStringList& files, const QString& note, QString* error);
    // Creates the missing folders of relativeFolder, which must be among the planned folders.
    bool makeFolder(const QString& relativeFolder, QString* error);
    // Moves the file at target/files[index] aside, if any, and the staged one into its place.
    bool placeFile(int index, QString* error);
    // Every file is in place: from now on the install is finished forward.
    bool commit(QString* error);
    // Puts back every file the install replaced and removes the folders it created, newest first; safe to repeat
    // after a kill. restored is told each file that stands as before again. False when something could not be
    // put back: error names it, and the journal and the backups stay for the next attempt.
    bool rollBack(const std::function<void(const QString&)>& restored, QString* error);
    // Drops the backups, the staging folder and, last, the journal. Only after commit or a whole roll-back.
    bool finish(QString* error);
    // Removes staging and backup folders and a half-written journal that no journal refers to; beside a journal
    // set aside only the half-written journal.
    static bool removeOrphans(const QString& target, QString* error);

    int fileCount() const { return m_files.size(); }
    const QStringList& files() const { return m_files; }
    const QStringList& folders() const { return m_folders; }

private:
    QString journalPath() const;
    QString destination(int index) const;
    QString staged(int index) const;
    QString backup(int index) const;
    bool appendPhase(const char* line, QString* error);

    QString m_target;
    Phase m_phase = None;
    QString m_staging; // folder names below the target
    QString m_backup;
    QString m_note;
    QStringList m_folders;
    QStringList m_files;
};
