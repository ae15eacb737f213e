#include "InstallJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

namespace {

bool move(const QString& from, const QString& to, QString* error)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *error = QStringLiteral("Cannot move \"%1\" to \"%2\": %3").arg(from, to, qt_error_string(errno));
    return false;
}

bool standsThere(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

InstallJournal::InstallJournal(const QString& target, const QString& backupFolder)
    : m_target(target)
    , m_backupFolder(backupFolder)
{
}

bool InstallJournal::makeFolders(const QString& relativeFolder, QString* error)
{
    QString path = m_target;
    const QStringList parts = relativeFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == QLatin1String("."))
            continue;
        path += QLatin1Char('/') + part;
        if (QFileInfo(path).isDir())
            continue;
        if (!QDir().mkdir(path)) {
            *error = QStringLiteral("Cannot create the folder \"%1\"").arg(path);
            return false;
        }
        m_createdFolders.append(path);
    }
    return true;
}

bool InstallJournal::placeFile(const QString& stagedPath, const QString& relativePath, QString* error)
{
    Step step;
    step.destination = m_target + QLatin1Char('/') + relativePath;
    if (standsThere(step.destination)) {
        // Checked before, but the folder is not ours alone: only a file is moved aside.
        const QFileInfo info(step.destination);
        if (info.isSymLink() || !info.isFile()) {
            *error = QStringLiteral("\"%1\" is in the way").arg(step.destination);
            return false;
        }
        const QString backup = m_backupFolder + QLatin1Char('/') + QString::number(m_steps.size());
        if (!move(step.destination, backup, error))
            return false;
        step.backup = backup;
    }
    // Recorded before the second move, so that a failure of it still brings the old file back.
    m_steps.append(step);
    if (!move(stagedPath, step.destination, error))
        return false;
    m_steps.last().placed = true;
    return true;
}

bool InstallJournal::rollBack(QString* error)
{
    QStringList failures;
    for (int i = m_steps.size() - 1; i >= 0; --i) {
        const Step& step = m_steps.at(i);
        QString stepError;
        if (step.placed && !QFile::remove(step.destination))
            failures.append(QStringLiteral("Cannot remove \"%1\"").arg(step.destination));
        else if (!step.backup.isEmpty() && !move(step.backup, step.destination, &stepError))
            failures.append(stepError);
    }
    m_steps.clear();
    for (int i = m_createdFolders.size() - 1; i >= 0; --i) {
        if (!QDir().rmdir(m_createdFolders.at(i)))
            failures.append(QStringLiteral("Cannot remove the folder \"%1\"").arg(m_createdFolders.at(i)));
    }
    m_createdFolders.clear();
    if (failures.isEmpty())
        return true;
    *error = failures.join(QStringLiteral("; "));
    return false;
}
