// Rows read straight from SQLite give every value as QSqlQuery gives it, so the upload document is the same text.
#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TavRowCursor.h"

#include <QSqlQuery>
#include <QtTest>

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
        auto row = [](const char* tag, const char* sql) { QTest::newRow(tag) << QString::fromUtf8(sql); };
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
    }

    void valuesReadAsQSqlQueryReadsThem()
    {
        QFETCH(QString, stored);
        const QString sql = "select " + stored;
        QSqlQuery query(m_db);
        QVERIFY(query.exec(sql) && query.next());
        const QVariant expected = query.value(0);
        query.finish();

        TavRowCursor rows(m_db, sql);
        QVERIFY(rows.next());
        QCOMPARE(rows.value(0), expected);
        QCOMPARE(rows.number(0), expected.toInt());
        QCOMPARE(rows.text(0).toString(), expected.toString());
        TavStatement::TimeReader readTime;
        QCOMPARE(rows.time(0).toString(), readTime(expected));
        QVERIFY(!rows.next());
    }

    void rowsComeInOrderWithTheirBoundValues()
    {
        TavRowCursor rows(
            m_db, "with n(i) as (select ? union all select i + 1 from n where i < ?) select i, 'r' || i from n");
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
        QTest::newRow("statement refused") << "select nothing from nowhere";
        QTest::newRow("row fails") << "select abs(-9223372036854775807 - 1)";
    }

    void failureIsLoggedAndCounted()
    {
        QFETCH(QString, sql);
        DbTestSupport::LogCapture log;
        const quint64 failures = TavStatement::failureCount();
        TavRowCursor rows(m_db, sql);
        QVERIFY(!rows.next());
        QVERIFY(!rows.next());
        QCOMPARE(TavStatement::failureCount(), failures + 1);
        QCOMPARE(log.count("****database error: "), 1);
        QVERIFY(log.contains("****the sql is: " + sql));
    }
};

TAV_DB_TEST_MAIN(TestTavRowCursor)
#include "TestTavRowCursor.moc"
