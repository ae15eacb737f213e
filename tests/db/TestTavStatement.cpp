#include "TavStatement.h"

#include <QDateTime>
#include <QtTest>

#include <ctime>

namespace {
// How times were read before the fast path; the reading must not change.
QString parsed(const QVariant& value)
{
    const QString format("yyyy-MM-dd HH:mm:ss");
    const QString stored = value.toString().trimmed();
    QDateTime time = QDateTime::fromString(stored, format);
    if (!time.isValid())
        time = QDateTime::fromString(stored, Qt::ISODate);
    return value.isNull() || !time.isValid() ? "" : time.toString(format);
}

void setZone(const QByteArray& zone)
{
    zone.isEmpty() ? qunsetenv("TZ") : qputenv("TZ", zone);
    tzset();
}
} // namespace

// Stored times read back as QDateTime's own parser read them, only faster.
class TestTavStatement : public QObject
{
    Q_OBJECT
private slots:
    void storedTimeReadsAsTheParserReadsIt_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("as written") << QByteArray("UTC") << QVariant(" 2024-05-06 07:08:09");
        QTest::newRow("ISO form") << QByteArray("UTC") << QVariant("2024-05-06T07:08:09");
        QTest::newRow("no such day") << QByteArray("UTC") << QVariant("2024-02-30 07:08:09");
        QTest::newRow("null") << QByteArray("UTC") << QVariant();
        // A wall time that does not exist where clocks jump forward, and one that exists twice.
        QTest::newRow("spring gap") << QByteArray("Europe/Berlin") << QVariant("2024-03-31 02:30:00");
        QTest::newRow("autumn overlap") << QByteArray("Europe/Berlin") << QVariant("2024-10-27 02:30:00");
        QTest::newRow("midnight gap") << QByteArray("America/Sao_Paulo") << QVariant("2018-11-04 00:30:00");
    }

    void storedTimeReadsAsTheParserReadsIt()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QVariant, stored);
        const QByteArray previous = qgetenv("TZ");
        setZone(zone);
        const QString read = TavStatement::readTime(stored);
        QCOMPARE(read, parsed(stored));
        TavStatement::TimeReader reader;
        QCOMPARE(reader(stored), read);
        QCOMPARE(reader(stored), read); // from the reader's memory
        setZone(previous);
    }
};

QTEST_GUILESS_MAIN(TestTavStatement)
#include "TestTavStatement.moc"
