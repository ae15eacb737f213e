#include "PaperPictureStore.h"

#include "CodeTool.h"
#include "HttpDownFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QtDebug>

namespace {
const QString kStaging = QStringLiteral(".part");

bool plainName(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return pattern.match(text).hasMatch();
}
} // namespace

QString PaperPictureStore::folder()
{
    return CodeTool::ensureDir(QCoreApplication::applicationDirPath() + QStringLiteral("/PaperData/"));
}

QString PaperPictureStore::fileName(const QString& questionID, const QString& part, const QString& reference)
{
    const QString extension = reference.mid(reference.lastIndexOf('.') + 1);
    if (!plainName(questionID) || !plainName(extension)) {
        qWarning().noquote() << "****the picture name is not plain: " + questionID + " " + reference;
        return QString();
    }
    return questionID + part + "." + extension;
}

QString PaperPictureStore::pictureUrl(const QString& reference)
{
    QString url = reference;
    url.replace('@', QStringLiteral(".") + QLatin1String(kContentDomain) + "/");
    return QStringLiteral("http://") + url;
}

PaperPictureStore::~PaperPictureStore()
{
    discard();
}

bool PaperPictureStore::fitsScreen(const QSize& size)
{
    return size.isValid() && size.width() <= kMaxPictureSide && size.height() <= kMaxPictureSide
        && qint64(size.width()) * size.height() <= kMaxPicturePixels;
}

namespace {
// False for a picture that is larger than a screen can use, or whose size cannot be told before decoding it.
bool usable(QImageReader& reader)
{
    return !reader.canRead() || PaperPictureStore::fitsScreen(reader.size());
}
} // namespace

QPixmap PaperPictureStore::picture(const QString& path)
{
    QImageReader reader(path);
    if (!usable(reader))
        return QPixmap();
    return QPixmap::fromImageReader(&reader);
}

bool PaperPictureStore::download(const QString& url, const QString& fileName, int deadlineMs,
                                 const std::function<bool()>& goOn)
{
    if (!m_staged.contains(fileName))
        m_staged.append(fileName);
    const QString path = folder() + fileName + kStaging;
    if (!HttpDownFile::getInstance()->downFile(path, url, kMaxPictureBytes, deadlineMs, goOn))
        return false;
    QImageReader reader(path);
    if (!usable(reader)) {
        qWarning().noquote() << QString("****the picture is larger than a screen can use (%1 x %2): %3")
                                    .arg(reader.size().width())
                                    .arg(reader.size().height())
                                    .arg(url);
        return false;
    }
    return true;
}

bool PaperPictureStore::commit()
{
    const QString dir = folder();
    for (int i = 0; i < m_staged.size(); ++i) {
        const QString& name = m_staged.at(i);
        QFile::remove(dir + name);
        if (!QFile::rename(dir + name + kStaging, dir + name)) {
            qWarning().noquote() << "****cannot keep the picture " + dir + name;
            // The paper fails: the pictures it already moved go as well.
            for (int moved = 0; moved < i; ++moved)
                QFile::remove(dir + m_staged.at(moved));
            discard();
            return false;
        }
    }
    m_staged.clear();
    return true;
}

void PaperPictureStore::discard()
{
    if (m_staged.isEmpty())
        return;
    const QString dir = folder();
    for (const QString& name : qAsConst(m_staged))
        QFile::remove(dir + name + kStaging);
    m_staged.clear();
}
