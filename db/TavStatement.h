#pragma once

#include <QDate>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringView>
#include <QTime>
#include <QVariant>
#include <QVariantList>

// One prepared statement of a table operation: prepares, binds by position, runs, and on failure writes
// the warning lines every table class shares ("****database error: ..." and "****the sql is: ...").
class TavStatement
{
public:
    struct Cached; // a kept prepared statement

    enum LogMode {
        ErrorOnly = 1, // only the driver text
        ErrorAndSql = 2 // the driver text, then the statement
    };

    TavStatement(const QSqlDatabase& db, const QString& sql);
    ~TavStatement();

    TavStatement(const TavStatement&) = delete;
    TavStatement& operator=(const TavStatement&) = delete;

    TavStatement& bind(const QVariant& value);

    bool exec(LogMode mode = ErrorAndSql);
    // Runs the statement once per position of the bound lists (one list per placeholder).
    bool execBatch(LogMode mode = ErrorAndSql);

    // Prefixes of the two warning lines for the few operations that use others.
    void setErrorPrefix(const QString& prefix) { m_errorPrefix = prefix; }
    void setSqlPrefix(const QString& prefix) { m_sqlPrefix = prefix; }

    // For a long result read once from first to last row: the driver then keeps no copy of the rows.
    // Call before exec(); query().last() and the like no longer work.
    void setForwardOnly() { m_query->setForwardOnly(true); }

    QSqlQuery& query() { return *m_query; }
    // Row id assigned by the last insert; -1 when there is none.
    int lastInsertId() const;

    // Text for a column that later statements compare with '' or '-1': a null text is bound as ''.
    static QVariant text(const QString& value);
    // Time for a column where NULL means "no time": empty text gives NULL. Old callers handed over
    // "'yyyy-MM-dd HH:mm:ss'" or "null"; one pair of enclosing quotes is dropped and "null" counts as empty.
    static QVariant optionalTime(const QString& value);
    // The driver text of an error, followed by SQLite's reason when there is one.
    static QString errorText(const QSqlError& error);
    // Prepared statements of a connection are kept for reuse while it is registered here. The owner of the
    // connection registers it once it is open and drops it before closing it; only its own thread uses it.
    static void enableCache(const QString& connectionName);
    static void dropCache(const QString& connectionName);

    // Counts a failed statement of the calling thread and logs the two lines every table class shares, for reads
    // that do not go through this class.
    static void reportFailure(const QString& driverText, const QString& sql);
    // Runs the statements in one transaction of db: committed when every one went through, rolled back otherwise,
    // failures logged. True when committed.
    static bool runInOneTransaction(QSqlDatabase db, const QStringList& statements);

    // Failed statements of the calling thread so far, a fetch that broke off after a good start included.
    // A group of reads whose results only count whole compares it before and after.
    static quint64 failureCount();
    // SQLite's result code of the calling thread's last failed statement, as the driver gives it ("5": busy).
    static QString lastFailureCode();

    // Reads a date-time column back as "yyyy-MM-dd HH:mm:ss"; NULL or an unreadable value gives "".
    static QString readTime(const QVariant& value);

    // A time as the table classes write it, "yyyy-MM-dd HH:mm:ss", in its fields.
    struct WrittenTime
    {
        int year, month, day, hour, minute, second;
    };

    // readTime for the rows of one result. Each parse costs a time-zone lookup, and the thousands of answer
    // rows of a quiz share a few hundred times within a few minutes: every text is read once, and the zone
    // looked up once per minute.
    class TimeReader
    {
    public:
        QString operator()(const QVariant& value);
        // True when a stored text reads back as it is: a time as the table classes write it, on the clock.
        bool readsUnchanged(QStringView text);

    private:
        bool existsLocally(const WrittenTime& time);

        QHash<QString, QString> m_read;
        QHash<qint64, int> m_minutes; // a minute of the calendar -> which of its seconds exist in the local zone
        qint64 m_lastMinute = -1;
        int m_lastMinuteSeconds = 0;
    };

private:
    bool run(bool batch, LogMode mode);
    void logFailure(const QSqlError& error, LogMode mode) const;
    void logFailure(const QString& driverText, LogMode mode) const;

    QSqlDatabase m_db;
    QString m_sql;
    Cached* m_cached = nullptr;
    QSqlQuery m_ownQuery;
    // The kept query, or m_ownQuery. Never a copy: QSqlQuery::prepare() on a shared query detaches it.
    QSqlQuery* m_query = &m_ownQuery;
    QVariantList m_values;
    QString m_errorPrefix;
    QString m_sqlPrefix;
    LogMode m_mode = ErrorAndSql;
    bool m_ran = false;
};
