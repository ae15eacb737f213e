// Rows read straight from SQLite give every value as QSqlQuery gives it, so the upload document is the same text;
// so do the rows read through QSqlQuery when the driver's SQLite is not the program's.
#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TavRowCursor.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QtTest>

Q_DECLARE_METATYPE(TavRowCursor::Reading)

namespace {
// A driver whose code lies in Qt's SQL library, which reaches no SQLite.
class DriverElsewhere : public QSqlDriver
{
public:
    bool hasFeature(DriverFeature) const override { return false; }
    bool open(const QString&, const QString&, const QString&, const QString&, int, const QString&) override
    {
        return false;
    }
    void close() override { }
    QSqlResult* createResult() const override { return nullptr; }
};

// Text of many code points of every length in UTF-8, as an SQL literal: Latin letters, the CJK block in steps
// that meet every continuation byte, and characters beyond the BMP.
QString everyContinuation()
{
    QString text = QStringLiteral("é ü ß Ü ");
    for (uint c = 0x4e00; c <= 0x9fff; c += 7)
        text += QChar(c);
    text += QString::fromUcs4(U"𠀀𠮷😀𝄞");
    return "'" + text + "'";
}
} // namespace

class TestTavRowCursor : public QObject
{
    Q_OBJECT

    QSqlDatabase m_db;

private slots:
    void initTestCase()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        m_db = TAVDatabase::getInstance()->getDbCon();
    }

    void cleanupTestCase() { TAVDatabase::getInstance()->closeDbCon(m_db); }

    void valuesReadAsQSqlQueryReadsThem_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<TavRowCursor::Reading>("reading");
        const auto add = [](const QString& tag, const QString& sql) {
            QTest::newRow(qPrintable(tag)) << sql << TavRowCursor::Reading::Straight;
            QTest::newRow(qPrintable(tag + ", through QSqlQuery")) << sql << TavRowCursor::Reading::ThroughQuery;
        };
        auto row = [&add](const char* tag, const char* sql) { add(QString::fromUtf8(tag), QString::fromUtf8(sql)); };
        row("integer", "42");
        row("integer beyond int", "8589934597");
        row("negative", "-7");
        row("real", "2.5");
        row("large real", "9e99");
        row("number and letters", "'12abc'");
        row("number in spaces", "' 12 '");
        row("null", "NULL");
        row("blob", "x'41420043'");
        row("quotes and backslash", "'say \"hi\" \\ '");
        row("beyond the BMP", "'数学 😀'");
        row("control characters", "char(0, 1, 9, 10, 31, 127) || 'z'");
        row("U+FFFE and U+FFFF", "char(65534, 65535)");
        // Bytes no UTF-8 encoder makes, as another writer of the file may leave them.
        row("continuation byte alone", "cast(x'4180' as text)");
        row("overlong zero", "cast(x'C080' as text)");
        row("overlong letter", "cast(x'C181' as text)");
        row("five-byte sequence", "cast(x'F880808080' as text)");
        row("encoded surrogate", "cast(x'EDA080' as text)");
        row("beyond U+10FFFF", "cast(x'F4908080' as text)");
        row("lead before ASCII", "cast(x'C341' as text)");
        row("lead at the end", "cast(x'41E0' as text)");
        row("time as written", "'2024-09-01 10:00:00'");
        row("time in spaces", "' 2024-09-01 10:00:00 '");
        row("ISO time", "'2024-09-01T10:00:00'");
        row("no such day", "'2024-02-30 10:00:00'");
        row("year zero", "'0000-01-01 00:00:00'");
        row("time as a number", "20240901");
        row("a class and its teacher", "'数学-初二(1)班 王明'");
        add("every continuation byte", everyContinuation());
    }

    void valuesReadAsQSqlQueryReadsThem()
    {
        QFETCH(QString, stored);
        QFETCH(TavRowCursor::Reading, reading);
        const QString sql = "select " + stored;
        QSqlQuery query(m_db);
        QVERIFY(query.exec(sql) && query.next());
        const QVariant expected = query.value(0);
        query.finish();

        // Each read on a row of its own, as the upload reads a column once: a read converts SQLite's copy of the
        // value, and a later one would meet the converted value, not the stored bytes.
        TavRowCursor texts(m_db, sql, reading);
        QVERIFY(texts.next());
        QCOMPARE(texts.text(0).toString(), expected.toString());
        QVERIFY(!texts.next());
        TavRowCursor times(m_db, sql, reading);
        QVERIFY(times.next());
        TavStatement::TimeReader readTime;
        QCOMPARE(times.time(0).toString(), readTime(expected));
        TavRowCursor numbers(m_db, sql, reading);
        QVERIFY(numbers.next());
        QCOMPARE(numbers.number(0), expected.toInt());
        TavRowCursor values(m_db, sql, reading);
        QVERIFY(values.next());
        QCOMPARE(values.value(0), expected);
    }

    // Debian's driver links the SQLite library the program calls: the upload reads straight from it.
    void driverOfTheSharedLibraryIsSteppedStraight()
    {
        QVERIFY(TavRowCursor::driverSharesSqlite(m_db.driver()));
        const DriverElsewhere elsewhere;
        QVERIFY(!TavRowCursor::driverSharesSqlite(&elsewhere));
        QVERIFY(!TavRowCursor::driverSharesSqlite(nullptr));
    }

    void rowsComeInOrderWithTheirBoundValues_data()
    {
        QTest::addColumn<TavRowCursor::Reading>("reading");
        QTest::newRow("straight") << TavRowCursor::Reading::Straight;
        QTest::newRow("through QSqlQuery") << TavRowCursor::Reading::ThroughQuery;
    }

    void rowsComeInOrderWithTheirBoundValues()
    {
        QFETCH(TavRowCursor::Reading, reading);
        TavRowCursor rows(m_db,
                          "with n(i) as (select ? union all select i + 1 from n where i < ?) select i, 'r' || i from n",
                          reading);
        rows.bind(3).bind(5);
        QStringList read;
        while (rows.next())
            read << QString::number(rows.number(0)) + rows.text(1).toString();
        QCOMPARE(read, QStringList({ "3r3", "4r4", "5r5" }));
    }

    // A failed read is logged and counted as every failed statement is, so the upload sends nothing of it.
    void failureIsLoggedAndCounted_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<TavRowCursor::Reading>("reading");
        for (const auto reading : { TavRowCursor::Reading::Straight, TavRowCursor::Reading::ThroughQuery }) {
            const char* how = reading == TavRowCursor::Reading::Straight ? "" : ", through QSqlQuery";
            QTest::addRow("statement refused%s", how) << "select nothing from nowhere" << reading;
            QTest::addRow("row fails%s", how) << "select abs(-9223372036854775807 - 1)" << reading;
        }
    }

    void failureIsLoggedAndCounted()
    {
        QFETCH(QString, sql);
        QFETCH(TavRowCursor::Reading, reading);
        DbTestSupport::LogCapture log;
        const quint64 failures = TavStatement::failureCount();
        TavRowCursor rows(m_db, sql, reading);
        QVERIFY(!rows.next());
        QVERIFY(!rows.next());
        QCOMPARE(TavStatement::failureCount(), failures + 1);
        QCOMPARE(log.count("****database error: "), 1);
        QVERIFY(log.contains("****the sql is: " + sql));
    }
};

TAV_DB_TEST_MAIN(TestTavRowCursor)
#include "TestTavRowCursor.moc"
