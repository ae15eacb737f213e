#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// Builds the 7z packages the updater tests install: real ones with Debian's 7-Zip, hostile ones with
// libarchive's writer (which stores names, links and kinds exactly as given).
namespace PackageMaker {

// The 7-Zip command ("7zz", "7z" or "7za"); empty when none is installed.
QString sevenZip();

// Runs 7-Zip "a" in sourceDir with the given switches and entries; false (with the output) on failure.
bool make7z(const QString& archivePath, const QString& sourceDir, const QStringList& entries,
            const QStringList& switches = {}, QString* output = nullptr);

struct RawEntry
{
    QByteArray name;
    int type = 0; // AE_IFREG, AE_IFDIR, AE_IFLNK, AE_IFIFO
    QByteArray data;
    QByteArray linkTarget;
    int permissions = 0644;
};
bool writeRaw7z(const QString& archivePath, const QVector<RawEntry>& entries, QString* error = nullptr);

bool writeFile(const QString& path, const QByteArray& data, bool executable = false);
QByteArray readFile(const QString& path);

// Every file, folder and link below root (hidden ones too) with its kind, content digest and executable bit.
QMap<QString, QString> snapshot(const QString& root);

} // namespace PackageMaker
