#pragma once

#include "TavStatement.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>
#include <QVariant>

struct sqlite3_stmt;

// The rows of one select read straight from SQLite, for reads of many thousand rows whose values go into text at
// once (the upload document). QSqlQuery makes a QVariant and a QString of every value and keeps each row, which
// costs more than SQLite's own read. Every value reads as QSqlQuery::value() gives it: number() as its toInt(),
// text() as its toString() and time() as TavStatement::TimeReader reads it; a view lasts until the next call.
class TavRowCursor
{
public:
    // Prepares sql on the connection's SQLite handle, so it runs in the transaction the caller's borrowing began.
    TavRowCursor(const QSqlDatabase& db, const QString& sql);
    TavRowCursor(TavRowCursor&& other) noexcept;
    ~TavRowCursor();

    TavRowCursor(const TavRowCursor&) = delete;
    TavRowCursor& operator=(const TavRowCursor&) = delete;
    TavRowCursor& operator=(TavRowCursor&&) = delete;

    // Binds the next placeholder; before the first next().
    TavRowCursor& bind(int value);
    // Steps to the next row: false after the last one and on a failure, which is logged and counted as a failed
    // TavStatement is (TavStatement::failureCount()).
    bool next();

    int number(int column) const;
    QStringView text(int column);
    QStringView time(int column);
    QVariant value(int column) const;

private:
    void fail(const QString& driverText);
    QStringView decodeAsSqlite(const unsigned char* bytes, int size);

    sqlite3_stmt* m_statement = nullptr;
    QString m_sql;
    int m_bound = 0;
    bool m_failed = false;
    QVarLengthArray<char16_t, 256> m_units; // the last text read
    QString m_converted; // a value that is not stored as text, in the text form QSqlQuery gives it
    TavStatement::TimeReader m_times;
};
