#include "NetTestSupport.h"

#include "iniParse.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTextStream>

namespace NetTestSupport {

bool useServer(const QString& host, int port)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TAVConfig.ini"));
    QFile file(path);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream(&file) << "[ClientInfo]\nDomain=" << host << "\nServerPort=" << port << "\n";
    file.close();
    return iniParse::getInstance()->loadFile(path);
}

QString md5(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

} // namespace NetTestSupport
