#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Moves staged files into the installation and remembers what each move replaced, so that a failure part-way
// puts the installation back exactly as it was.
class InstallJournal
{
public:
    // The replaced files are kept in backupFolder, on the same disk as target, until the journal is dropped.
    InstallJournal(const QString& target, const QString& backupFolder);

    // Creates the missing folders of relativeFolder ("." or empty: none) one by one.
    bool makeFolders(const QString& relativeFolder, QString* error);
    // Moves stagedPath to relativePath below the target, after moving a file already there aside.
    bool placeFile(const QString& stagedPath, const QString& relativePath, QString* error);
    // Undoes every step, newest first. False when something could not be put back; error then names it and the
    // backup folder must be kept.
    bool rollBack(QString* error);

private:
    struct Step
    {
        QString destination;
        QString backup; // empty when nothing stood at the destination
        bool placed = false;
    };

    QString m_target;
    QString m_backupFolder;
    QVector<Step> m_steps;
    QStringList m_createdFolders;
};
