#pragma once

#include <QSqlError>
#include <QString>

// Why a write did not go into the database file, told apart from SQLite's result code, and the words that tell the
// teacher.
namespace TavWriteCause {

enum Cause {
    None, // written
    Busy, // another program holds the file
    Full, // the disk is full
    ReadOnly, // the file or its folder cannot be written
    Other
};

// From SQLite's result code as the driver gives it ("5", "13", ...).
Cause fromCode(const QString& nativeCode);
Cause of(const QSqlError& error);
// What happened, in a few words, for a sentence of the screen that tells it: "数据库文件正被其他程序使用".
QString text(Cause cause);
// What the teacher may do about it.
QString advice(Cause cause);

} // namespace TavWriteCause
