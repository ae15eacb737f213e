#include "TavRowCursor.h"

#include <QByteArray>
#include <QSqlDriver>
#include <QtDebug>

#include <dlfcn.h>
#include <sqlite3.h>

#include <atomic>

namespace {
// The SQLite handle of an open connection of the QSQLITE driver.
sqlite3* handleOf(const QSqlDatabase& db)
{
    if (!db.isValid() || !db.isOpen())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

// Whether the QSQLITE driver shares this program's SQLite library; asked once, the driver being loaded once.
bool sharesSqlite(const QSqlDriver* driver)
{
    static std::atomic<int> known { -1 };
    int shares = known.load();
    if (shares < 0) {
        shares = TavRowCursor::driverSharesSqlite(driver) ? 1 : 0;
        if (!shares)
            qWarning() << "****the SQLite driver does not use the SQLite library of the program: the upload reads "
                          "its rows through QSqlQuery";
        known.store(shares);
    }
    return shares == 1;
}

QString sqliteText(sqlite3* handle)
{
    return QString::fromUtf8(sqlite3_errmsg(handle));
}
} // namespace

TavRowCursor::TavRowCursor(const QSqlDatabase& db, const QString& sql)
    : TavRowCursor(db, sql, db.isValid() && sharesSqlite(db.driver()) ? Reading::Straight : Reading::ThroughQuery)
{
}

TavRowCursor::TavRowCursor(const QSqlDatabase& db, const QString& sql, Reading reading)
    : m_sql(sql)
{
    if (reading == Reading::Straight) {
        prepareStraight(db);
        return;
    }
    m_query = std::make_unique<QSqlQuery>(db);
    m_query->setForwardOnly(true);
    if (!m_query->prepare(sql))
        fail(TavStatement::errorText(m_query->lastError()));
}

void TavRowCursor::prepareStraight(const QSqlDatabase& db)
{
    sqlite3* handle = handleOf(db);
    if (!handle) {
        fail(QStringLiteral("the connection is not open"));
        return;
    }
    const QByteArray text = m_sql.toUtf8();
    if (sqlite3_prepare_v2(handle, text.constData(), text.size(), &m_statement, nullptr) != SQLITE_OK) {
        fail(QStringLiteral("Unable to execute statement (") + sqliteText(handle) + QLatin1Char(')'));
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

TavRowCursor::TavRowCursor(TavRowCursor&& other) noexcept
    : m_statement(other.m_statement)
    , m_query(std::move(other.m_query))
    , m_sql(std::move(other.m_sql))
    , m_bound(other.m_bound)
    , m_failed(other.m_failed)
    , m_ran(other.m_ran)
{
    other.m_statement = nullptr;
}

TavRowCursor::~TavRowCursor()
{
    // Finalised at once: a statement left open would keep the connection from closing.
    sqlite3_finalize(m_statement);
}

bool TavRowCursor::driverSharesSqlite(const QSqlDriver* driver)
{
    // The library the driver's code lives in, and what a call of SQLite from there reaches: this program's
    // library gives the text of its own version, at its own address. A driver with SQLite built in reaches its
    // copy, or finds no SQLite to call when the copy's names are hidden.
    Dl_info place {};
    if (!driver || !dladdr(driver->metaObject(), &place) || !place.dli_fname)
        return false;
    void* library = dlopen(place.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (!library)
        return false;
    using Version = const char* (*)();
    const auto version = reinterpret_cast<Version>(dlsym(library, "sqlite3_libversion"));
    const bool same = version && version() == sqlite3_libversion();
    dlclose(library);
    return same;
}

TavRowCursor& TavRowCursor::bind(int value)
{
    if (m_query) {
        m_query->addBindValue(value);
        return *this;
    }
    if (m_statement && sqlite3_bind_int(m_statement, ++m_bound, value) != SQLITE_OK)
        fail(QStringLiteral("Unable to bind value (") + sqliteText(sqlite3_db_handle(m_statement)) + QLatin1Char(')'));
    return *this;
}

bool TavRowCursor::next()
{
    if (m_failed)
        return false;
    if (m_query) {
        if (!m_ran && !m_query->exec()) {
            fail(TavStatement::errorText(m_query->lastError()));
            return false;
        }
        m_ran = true;
        if (m_query->next())
            return true;
        if (m_query->lastError().isValid())
            fail(TavStatement::errorText(m_query->lastError()));
        return false;
    }
    if (!m_statement)
        return false;
    const int step = sqlite3_step(m_statement);
    if (step == SQLITE_ROW)
        return true;
    if (step != SQLITE_DONE)
        fail(QStringLiteral("Unable to fetch row (") + sqliteText(sqlite3_db_handle(m_statement)) + QLatin1Char(')'));
    return false;
}

void TavRowCursor::fail(const QString& driverText)
{
    if (m_failed)
        return;
    m_failed = true;
    TavStatement::reportFailure(driverText, m_sql);
}

int TavRowCursor::number(int column) const
{
    if (m_query)
        return m_query->value(column).toInt();
    if (sqlite3_column_type(m_statement, column) == SQLITE_INTEGER)
        return int(sqlite3_column_int64(m_statement, column));
    return value(column).toInt();
}

QStringView TavRowCursor::text(int column)
{
    if (m_query) {
        m_converted = m_query->value(column).toString();
        return m_converted;
    }
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_TEXT: {
        // Asked in this order, SQLite hands over the stored UTF-8 as it is.
        const auto* bytes = sqlite3_column_text(m_statement, column);
        const int size = sqlite3_column_bytes(m_statement, column);
        return decodeAsSqlite(bytes, size);
    }
    case SQLITE_NULL:
        return QStringView();
    default:
        m_converted = value(column).toString();
        return m_converted;
    }
}

QStringView TavRowCursor::decodeAsSqlite(const unsigned char* bytes, int size)
{
    // QSqlQuery asks SQLite for UTF-16, which SQLite converts at every read (a copy made and freed per value,
    // most of the cost of reading a row). The conversion is done here instead, by SQLite's own rules, so
    // that even bytes that are no valid UTF-8 read as QSqlQuery reads them.
    static const unsigned char leadBits[64] = {
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
        0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f,
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x00, 0x01, 0x02, 0x03, 0x00, 0x01, 0x00, 0x00,
    };
    // Never more units than bytes: only a sequence of four or more bytes makes two.
    if (m_units.size() < size)
        m_units.resize(size);
    char16_t* const start = m_units.data();
    char16_t* out = start;
    const unsigned char* in = bytes;
    const unsigned char* const end = bytes + size;
    while (in != end) {
        unsigned c = *in++;
        if (c < 0xc0) {
            *out++ = char16_t(c); // ASCII, or a continuation byte without its lead, taken as it is
            continue;
        }
        c = leadBits[c - 0xc0];
        while (in != end && (*in & 0xc0) == 0x80)
            c = (c << 6) + (0x3f & *in++);
        if (c < 0x80 || (c & 0xfffff800) == 0xd800 || (c & 0xfffffffe) == 0xfffe)
            c = 0xfffd;
        if (c <= 0xffff) {
            *out++ = char16_t(c);
        } else {
            *out++ = char16_t(0xd800 + ((((c - 0x10000) >> 18) & 0x03) << 8) + ((c >> 10) & 0x3f)
                              + (((c - 0x10000) >> 10) & 0xc0));
            *out++ = char16_t(0xdc00 + (((c >> 8) & 0x03) << 8) + (c & 0xff));
        }
    }
    return QStringView(start, out - start);
}

QStringView TavRowCursor::time(int column)
{
    if (m_query) {
        m_converted = m_times(m_query->value(column));
        return m_converted;
    }
    const int type = sqlite3_column_type(m_statement, column);
    if (type == SQLITE_NULL)
        return QStringView(u"");
    if (type == SQLITE_TEXT) {
        const QStringView stored = text(column);
        if (m_times.readsUnchanged(stored))
            return stored;
    }
    m_converted = TavStatement::readTime(value(column));
    return m_converted;
}

QVariant TavRowCursor::value(int column) const
{
    if (m_query)
        return m_query->value(column);
    // The value the QSQLITE driver makes of each storage class.
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(m_statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, column);
    case SQLITE_NULL:
        return QVariant(QVariant::String);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_statement, column)),
                          sqlite3_column_bytes(m_statement, column));
    default: {
        const void* units = sqlite3_column_text16(m_statement, column);
        return QString(static_cast<const QChar*>(units),
                       sqlite3_column_bytes16(m_statement, column) / int(sizeof(QChar)));
    }
    }
}
