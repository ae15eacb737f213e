#include "TavStatement.h"

#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSqlError>
#include <QtDebug>

struct TavStatement::Cached
{
    QSqlQuery query;
    bool prepared = false;
    bool busy = false;
};

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Statement text to its prepared query, per registered connection. A table operation runs the same few
// statements over and over (a quiz writes thousands of rows); preparing each once keeps that cheap.
using StatementCache = QHash<QString, TavStatement::Cached*>;
thread_local quint64 t_failures = 0;
thread_local QString t_lastCode;
QMutex g_cacheMutex;
QHash<QString, StatementCache*> g_caches;

StatementCache* cacheOf(const QSqlDatabase& db)
{
    QMutexLocker locker(&g_cacheMutex);
    return g_caches.value(db.connectionName(), nullptr);
}

// The fields of text when it is a time exactly as the table classes write it, on a real calendar day.
bool splitWrittenTime(QStringView text, TavStatement::WrittenTime* t)
{
    // "yyyy-MM-dd HH:mm:ss": the separators, then every other place a digit.
    if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' || text[13] != u':'
        || text[16] != u':')
        return false;
    bool digits = true;
    const auto digit = [&](int at) {
        const unsigned d = text[at].unicode() - unsigned('0');
        digits &= d <= 9;
        return int(d);
    };
    const auto two = [&](int at) { return digit(at) * 10 + digit(at + 1); };
    *t = { two(0) * 100 + two(2), two(5), two(8), two(11), two(14), two(17) };
    return digits && QDate::isValid(t->year, t->month, t->day) && QTime::isValid(t->hour, t->minute, t->second);
}

QDate dateOf(const TavStatement::WrittenTime& t)
{
    return QDate(t.year, t.month, t.day);
}

// True when text is a written time that QDateTime::fromString() with kTimeFormat would read back unchanged: one
// that also exists in the local time zone (not in a daylight-saving gap). That parser looks the time zone up
// several times per call, which made reading a quiz's answers slow; this costs one look-up.
bool isWrittenTime(const QString& text)
{
    TavStatement::WrittenTime t;
    return splitWrittenTime(text, &t) && QDateTime(dateOf(t), QTime(t.hour, t.minute, t.second)).isValid();
}
} // namespace

TavStatement::TavStatement(const QSqlDatabase& db, const QString& sql)
    : m_db(db)
    , m_sql(sql)
    , m_errorPrefix(QStringLiteral("****database error: "))
    , m_sqlPrefix(QStringLiteral("****the sql is: "))
{
    m_values.reserve(12); // the widest insert binds ten values
    if (!db.isValid() || !db.isOpen())
        return;
    if (StatementCache* cache = cacheOf(db)) {
        Cached*& cached = (*cache)[sql];
        if (!cached) {
            cached = new Cached;
            cached->query = QSqlQuery(db);
        }
        // The same statement nested in itself gets a query of its own.
        if (!cached->busy) {
            cached->busy = true;
            m_cached = cached;
            m_query = &cached->query;
            return;
        }
    }
    m_ownQuery = QSqlQuery(db);
}

TavStatement::~TavStatement()
{
    // A step that failed after the first row ends the loop of the reader as if the rows had run out. Only a
    // read steps after exec(); the check is left out for the thousands of inserts of a quiz.
    if (m_ran && m_query->isSelect() && m_query->lastError().isValid())
        logFailure(m_query->lastError(), m_mode);
    if (m_cached) {
        // Ends a read still open, so the kept statement holds no lock on the file.
        m_query->finish();
        m_cached->busy = false;
    }
}

void TavStatement::enableCache(const QString& connectionName)
{
    QMutexLocker locker(&g_cacheMutex);
    if (!g_caches.contains(connectionName))
        g_caches.insert(connectionName, new StatementCache);
}

void TavStatement::dropCache(const QString& connectionName)
{
    StatementCache* cache = nullptr;
    {
        QMutexLocker locker(&g_cacheMutex);
        cache = g_caches.take(connectionName);
    }
    if (cache)
        qDeleteAll(*cache);
    delete cache;
}

TavStatement& TavStatement::bind(const QVariant& value)
{
    m_values.append(value);
    return *this;
}

bool TavStatement::exec(LogMode mode)
{
    return run(false, mode);
}

bool TavStatement::execBatch(LogMode mode)
{
    return run(true, mode);
}

bool TavStatement::run(bool batch, LogMode mode)
{
    // An invalid handle (say, from an exhausted pool) must not fall back to Qt's default connection.
    if (!m_db.isValid() || !m_db.isOpen()) {
        logFailure(QStringLiteral("the connection is not open"), mode);
        return false;
    }
    if (!m_cached || !m_cached->prepared) {
        if (!m_query->prepare(m_sql)) {
            logFailure(m_query->lastError(), mode);
            return false;
        }
        if (m_cached)
            m_cached->prepared = true;
    }
    for (const QVariant& value : qAsConst(m_values))
        m_query->addBindValue(value);
    const bool ok = batch ? m_query->execBatch() : m_query->exec();
    if (!ok)
        logFailure(m_query->lastError(), mode);
    m_ran = ok;
    m_mode = mode;
    return ok;
}

quint64 TavStatement::failureCount()
{
    return t_failures;
}

QString TavStatement::lastFailureCode()
{
    return t_lastCode;
}

void TavStatement::reportFailure(const QString& driverText, const QString& sql)
{
    ++t_failures;
    qWarning().noquote() << QStringLiteral("****database error: ") + driverText;
    qWarning().noquote() << QStringLiteral("****the sql is: ") + sql;
}

bool TavStatement::runInOneTransaction(QSqlDatabase db, const QStringList& statements)
{
    if (!db.transaction()) {
        qWarning().noquote() << QStringLiteral("****database error: ") + errorText(db.lastError());
        return false;
    }
    bool ok = true;
    {
        QSqlQuery query(db);
        for (int i = 0; ok && i < statements.size(); ++i) {
            ok = query.exec(statements.at(i));
            if (!ok) {
                t_lastCode = query.lastError().nativeErrorCode();
                reportFailure(errorText(query.lastError()), statements.at(i));
            }
        }
    }
    if (ok && !db.commit()) {
        qWarning().noquote() << QStringLiteral("****database error: ") + errorText(db.lastError());
        ok = false;
    }
    if (!ok)
        db.rollback();
    return ok;
}

void TavStatement::logFailure(const QSqlError& error, LogMode mode) const
{
    t_lastCode = error.nativeErrorCode();
    logFailure(errorText(error), mode);
}

void TavStatement::logFailure(const QString& driverText, LogMode mode) const
{
    ++t_failures;
    qWarning().noquote() << m_errorPrefix + driverText;
    if (mode == ErrorAndSql)
        qWarning().noquote() << m_sqlPrefix + m_sql;
}

QString TavStatement::errorText(const QSqlError& error)
{
    // SQLite's own reason ("UNIQUE constraint failed: ...") is in the database text.
    const QString reason = error.databaseText();
    return reason.isEmpty() ? error.driverText()
                            : error.driverText() + QStringLiteral(" (") + reason + QLatin1Char(')');
}

int TavStatement::lastInsertId() const
{
    const QVariant id = m_query->lastInsertId();
    bool ok = false;
    const int value = id.toInt(&ok);
    return ok && id.isValid() ? value : -1;
}

QVariant TavStatement::text(const QString& value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

QVariant TavStatement::optionalTime(const QString& value)
{
    QString time = value.trimmed();
    if (time.size() >= 2 && time.startsWith(QLatin1Char('\'')) && time.endsWith(QLatin1Char('\'')))
        time = time.mid(1, time.size() - 2).trimmed();
    if (time.isEmpty() || time.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0)
        return QVariant(QVariant::String);
    return time;
}

QString TavStatement::readTime(const QVariant& value)
{
    if (value.isNull())
        return QStringLiteral("");
    const QString stored = value.toString().trimmed();
    if (isWrittenTime(stored))
        return stored;
    QDateTime time = QDateTime::fromString(stored, kTimeFormat);
    if (!time.isValid())
        time = QDateTime::fromString(stored, Qt::ISODate);
    return time.isValid() ? time.toString(kTimeFormat) : QStringLiteral("");
}

QString TavStatement::TimeReader::operator()(const QVariant& value)
{
    if (value.isNull())
        return QStringLiteral("");
    const QString stored = value.toString();
    auto it = m_read.constFind(stored);
    if (it == m_read.constEnd())
        it = m_read.insert(stored, readsUnchanged(stored) ? stored : readTime(value));
    return it.value();
}

bool TavStatement::TimeReader::readsUnchanged(QStringView text)
{
    WrittenTime t;
    return splitWrittenTime(text, &t) && existsLocally(t);
}

bool TavStatement::TimeReader::existsLocally(const WrittenTime& t)
{
    // Clocks jump by whole minutes, so all seconds of a minute are on the clock or none are; the zone is then
    // looked up twice per minute instead of once per second of a quiz. A jump inside the minute (a few zones
    // before 1980) leaves every second of that minute to its own look-up.
    enum { NoSecond, EverySecond, SomeSeconds };
    const qint64 minute = ((qint64(t.year) * 13 + t.month) * 32 + t.day) * 1440 + t.hour * 60 + t.minute;
    // Rows read in order mostly share the minute of the row before.
    if (minute != m_lastMinute) {
        auto it = m_minutes.constFind(minute);
        if (it == m_minutes.constEnd()) {
            const bool first = QDateTime(dateOf(t), QTime(t.hour, t.minute, 0)).isValid();
            const bool last = QDateTime(dateOf(t), QTime(t.hour, t.minute, 59)).isValid();
            it = m_minutes.insert(minute, first != last ? SomeSeconds : first ? EverySecond : NoSecond);
        }
        m_lastMinute = minute;
        m_lastMinuteSeconds = it.value();
    }
    return m_lastMinuteSeconds == EverySecond
        || (m_lastMinuteSeconds == SomeSeconds && QDateTime(dateOf(t), QTime(t.hour, t.minute, t.second)).isValid());
}
