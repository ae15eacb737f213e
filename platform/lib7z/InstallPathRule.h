#pragma once

#include <QSet>
#include <QString>

// Where an install may write below a folder. One rule for the entries of a package and for every path the journal
// of a cut-off install names, so that a recovery never goes where the install itself would not.
class InstallPathRule
{
public:
    // The journal, staging and backup folders of an install carry names with this prefix in the target.
    static QString ownPrefix();
    // True when the first step of relativePath is such a name: the install keeps those for itself.
    static bool isOwnName(const QString& relativePath);
    // Empty when relativePath (relative, without "..") may be written below root as a folder or a file: every step
    // that exists is a real folder and the end, if there, is of the kind wanted. Otherwise why not: a symbolic
    // link anywhere on the way, or something of another kind in the way. Links are never followed. realFolders,
    // kept by the caller over one pass through many paths, spares looking at a folder twice.
    static QString refusal(const QString& root, const QString& relativePath, bool isFolder,
                           QSet<QString>* realFolders = nullptr);
};
