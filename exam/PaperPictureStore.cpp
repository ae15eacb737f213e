#include "PaperPictureStore.h"

#include "CodeTool.h"
#include "HttpDownFile.h"

#include <QCoreApplication>
#include <QFile>
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

bool PaperPictureStore::download(const QString& url, const QString& fileName)
{
    if (!m_staged.contains(fileName))
        m_staged.append(fileName);
    return HttpDownFile::getInstance()->downFile(folder() + fileName + kStaging, url);
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
