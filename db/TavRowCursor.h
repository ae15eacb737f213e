#pragma once

#include "TavStatement.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>
#include <QVariant>

#include <memory>

class QSqlDriver;
struct sqlite3_stmt;

// The rows of one select read straight from SQLite, for reads of many thousand rows whose values go into text at
// once (the upload document). QSqlQuery makes a QVariant and a QString of every value and keeps each row, which
// costs more than SQLite's own read. Every value reads as QSqlQuery::value() gives it: number() as its toInt(),
// text() as its toString() and time() as TavStatement::TimeReader reads it; a view lasts until the next call.
// When the connection's driver does not call the SQLite library linked here (a driver with SQLite built in),
// its handle is not ours to step and the rows come through a forward-only QSqlQuery instead.
class TavRowCursor
{
public:
    enum class Reading { Straight, ThroughQuery };

    // Prepares sql on the connection, so it runs in the transaction the caller's borrowing began; straight from
    // SQLite when the driver shares this program's SQLite library, else through QSqlQuery.
    TavRowCursor(const QSqlDatabase& db, const QString& sql);
    TavRowCursor(const QSqlDatabase& db, const QString& sql, Reading reading);
    TavRowCursor(TavRowCursor&& other) noexcept;
    ~TavRowCursor();

    TavRowCursor(const TavRowCursor&) = delete;
    TavRowCursor& operator=(const TavRowCursor&) = delete;
    TavRowCursor& operator=(TavRowCursor&&) = delete;

    // True when the driver's own calls go to the SQLite library this program calls, so that its handle may be
    // stepped here.
    static bool driverSharesSqlite(const QSqlDriver* driver);

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
    void prepareStraight(const QSqlDatabase& db);
    void fail(const QString& driverText);
    QStringView decodeAsSqlite(const unsigned char* bytes, int size);

    sqlite3_stmt* m_statement = nullptr;
    std::unique_ptr<QSqlQuery> m_query; // reading through QSqlQuery
    QString m_sql;
    int m_bound = 0;
    bool m_failed = false;
    bool m_ran = false;
    QVarLengthArray<char16_t, 256> m_units; // the last text read
    QString m_converted; // a value that is not stored as text, in the text form QSqlQuery gives it
    TavStatement::TimeReader m_times;
};
