#pragma once

#include <QString>

class QFileDevice;

// Extraction of 7-Zip packages, over libarchive.
namespace Lib7z {

// Told about every file once it stands in its final place below the target directory.
class ExtractCallback
{
public:
    virtual ~ExtractCallback() = default;
    virtual void fileInstalled(const QString& relativePath) = 0;
};

// Makes the character type UTF-8 so that the UTF-16 names of 7z entries survive libarchive's
// conversion through the current locale. Call once, after the application object exists.
void init();

// True when the open, seekable device starts with the 7z signature. The device is left at position 0.
bool isSupportedArchive(QFileDevice* archive);

// Unpacks every entry of the archive below targetDirectory, replacing existing files. Either every
// entry is installed or nothing in targetDirectory changes; errorText then says why.
bool extractArchive(QFileDevice* archive, const QString& targetDirectory, ExtractCallback* callback = nullptr,
                    QString* errorText = nullptr);

} // namespace Lib7z
