#include "TavWriteCause.h"

#include <QCoreApplication>

namespace TavWriteCause {

Cause fromCode(const QString& nativeCode)
{
    bool number = false;
    // Extended codes carry the primary one in their low byte.
    const int code = nativeCode.toInt(&number) & 0xff;
    if (!number)
        return Other;
    switch (code) {
    case 0:
        return None;
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return Busy;
    case 13: // SQLITE_FULL
        return Full;
    case 8: // SQLITE_READONLY
    case 14: // SQLITE_CANTOPEN: no journal can be made beside the file
    case 23: // SQLITE_AUTH
        return ReadOnly;
    default:
        return Other;
    }
}

Cause of(const QSqlError& error)
{
    return error.isValid() ? fromCode(error.nativeErrorCode()) : None;
}

QString text(Cause cause)
{
    switch (cause) {
    case None:
        return QString();
    case Busy:
        return QCoreApplication::translate("TavWriteCause", "数据库文件正被其他程序使用");
    case Full:
        return QCoreApplication::translate("TavWriteCause", "磁盘已满");
    case ReadOnly:
        return QCoreApplication::translate("TavWriteCause", "数据库文件无法写入（只读）");
    case Other:
        break;
    }
    return QCoreApplication::translate("TavWriteCause", "无法写入数据库");
}

QString advice(Cause cause)
{
    switch (cause) {
    case None:
        return QString();
    case Busy:
        return QCoreApplication::translate("TavWriteCause", "请关闭正在使用该文件的程序");
    case Full:
        return QCoreApplication::translate("TavWriteCause", "请清理磁盘空间");
    case ReadOnly:
    case Other:
        break;
    }
    return QCoreApplication::translate("TavWriteCause", "请联系管理员");
}

} // namespace TavWriteCause
