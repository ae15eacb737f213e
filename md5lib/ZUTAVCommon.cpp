#include "ZUTAVCommon.h"

#include <QCryptographicHash>

QString MD5Encryption(QString text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}
