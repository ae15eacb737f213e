#include "DbTestSupport.h"
#include "FullDisk.h"
#include "TAVDatabase.h"
#include "TavSideRecord.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QtTest>

#include <sys/stat.h>

using namespace DbTestSupport;

namespace {

TavWrite write(const QString& kind, const QString& key = QString(), int round = -1)
{
    TavWrite w;
    w.kind = kind;
    w.localRecordID = 7;
    w.lessonUUID = QStringLiteral("{00000000-0000-0000-0000-000000000007}");
    w.key = key;
    w.round = round;
    w.data = { { QStringLiteral("text"), kind + key } };
    return w;
}

QStringList kindsOf(const QList<TavWrite>& writes)
{
    QStringList kinds;
    for (const TavWrite& w : writes)
        kinds << w.kind + (w.key.isEmpty() ? QString() : QLatin1Char(':') + w.data.value("text").toString());
    return kinds;
}

// The entries of the record as written, the room after them left out.
QByteArray recordText()
{
    QFile file(TavSideRecord::path());
    file.open(QIODevice::ReadOnly);
    const QByteArray all = file.readAll();
    const int room = all.indexOf('\0');
    return room == -1 ? all : all.left(room);
}

void writeRecord(const QByteArray& text)
{
    QFile file(TavSideRecord::path());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(text), qint64(text.size()));
}

QByteArray lineOf(const QByteArray& json)
{
    return QCryptographicHash::hash(json, QCryptographicHash::Md5).toHex() + ' ' + json + '\n';
}

} // namespace

// The record of the writes the file could not take: what comes back at the next start, and what never does.
class TestTavSideRecord : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void recordedWritesComeBackInOrderUntilSettled();
    void lineThatIsNotAnEntryIsSkippedAndTheRestKept_data();
    void lineThatIsNotAnEntryIsSkippedAndTheRestKept();
    void recordOfAnotherShapeIsSetAsideWhole();
    void recordTakesEntriesOnAFullDisk();
    void recordGoesAtTheEndOnlyWhenNothingIsLeft();
    void listOfAnEarlierVersionIsDropped();
};

void TestTavSideRecord::init()
{
    QFile::remove(TavSideRecord::path());
    TavSideRecord::getInstance()->load();
}

void TestTavSideRecord::cleanup()
{
    TavSideRecord::getInstance()->close();
    QFile::remove(TavSideRecord::path());
    const QStringList aside = QDir(QCoreApplication::applicationDirPath()).entryList({ "*.set-aside-*" });
    for (const QString& name : aside)
        QFile::remove(QCoreApplication::applicationDirPath() + "/" + name);
}

void TestTavSideRecord::recordedWritesComeBackInOrderUntilSettled()
{
    TavSideRecord* record = TavSideRecord::getInstance();
    QList<TavWrite> first { write("result", "5/D01", 5), write("roundEnd", QString(), 5), write("quiz") };
    first[1].endsRound = true;
    first[2].maybeWritten = true;
    QVERIFY(record->add(first));
    QCOMPARE(first.at(0).recorded.size(), 1);
    // The student's newer answer, recorded later, takes the place of the older one.
    QList<TavWrite> newer { write("result", "5/D01", 5) };
    newer[0].data = { { "text", "newer" } };
    QVERIFY(record->add(newer));
    QVERIFY(record->settle(first.at(2).recorded));
    QCOMPARE(record->pendingCount(), 3);

    const QList<TavWrite> back = record->load();
    QCOMPARE(kindsOf(back), QStringList({ "result:newer", "roundEnd" }));
    QCOMPARE(back.at(0).round, 5);
    QCOMPARE(back.at(0).localRecordID, 7);
    QCOMPARE(back.at(0).lessonUUID, QString("{00000000-0000-0000-0000-000000000007}"));
    QVERIFY(back.at(1).endsRound);
    QVERIFY(!back.at(1).maybeWritten);
    // Written anew with one entry each.
    QCOMPARE(recordText().count('\n'), 3);
    QCOMPARE(record->pendingCount(), 2);

    QVERIFY(record->settle(back.at(0).recorded + back.at(1).recorded));
    QCOMPARE(record->load().size(), 0);
}

void TestTavSideRecord::lineThatIsNotAnEntryIsSkippedAndTheRestKept_data()
{
    QTest::addColumn<QByteArray>("line");
    const QByteArray entry = R"({"seq":5,"kind":"quiz","lesson":7,"uuid":"{u}","data":{}})";
    QByteArray broken = lineOf(entry);
    broken[3] = broken[3] == 'a' ? 'b' : 'a';
    QTest::newRow("checksum does not fit") << broken;
    QTest::newRow("no checksum") << entry + '\n';
    QTest::newRow("not JSON") << lineOf("{\"seq\":5,");
    QTest::newRow("no kind") << lineOf(R"({"seq":5,"lesson":7,"uuid":"{u}","data":{}})");
    QTest::newRow("seq is text") << lineOf(R"({"seq":"5","kind":"quiz","lesson":7,"uuid":"{u}","data":{}})");
    QTest::newRow("lesson not whole") << lineOf(R"({"seq":5,"kind":"quiz","lesson":7.5,"uuid":"{u}","data":{}})");
    QTest::newRow("round below one") << lineOf(
        R"({"seq":5,"kind":"quiz","lesson":7,"uuid":"{u}","round":-3,"data":{}})");
    QTest::newRow("data not an object") << lineOf(R"({"seq":5,"kind":"quiz","lesson":7,"uuid":"{u}","data":[1]})");
    QTest::newRow("settles what is not a seq") << lineOf(R"({"settle":["1"]})");
    QTest::newRow("cut short by a kill") << lineOf(entry).left(30);
}

void TestTavSideRecord::lineThatIsNotAnEntryIsSkippedAndTheRestKept()
{
    QFETCH(QByteArray, line);
    TavSideRecord* record = TavSideRecord::getInstance();
    record->close();
    const QByteArray before = lineOf(R"({"seq":1,"kind":"before","lesson":7,"uuid":"{u}","data":{}})");
    const QByteArray after = lineOf(R"({"seq":2,"kind":"after","lesson":7,"uuid":"{u}","data":{}})");
    writeRecord("TAV pending writes 1\n" + before + line + (line.endsWith('\n') ? "" : "\n") + after);

    LogCapture log;
    const QList<TavWrite> back = record->load();
    QCOMPARE(kindsOf(back), QStringList({ "before", "after" }));
    QVERIFY(log.contains("****"));
    // Entries added now come after those kept.
    QList<TavWrite> more { write("later") };
    QVERIFY(record->add(more));
    QCOMPARE(more.at(0).recorded, QList<quint64>({ 3 }));
    QCOMPARE(kindsOf(record->load()), QStringList({ "before", "after", "later" }));
}

void TestTavSideRecord::recordOfAnotherShapeIsSetAsideWhole()
{
    TavSideRecord* record = TavSideRecord::getInstance();
    record->close();
    writeRecord("something else\n" + lineOf(R"({"seq":1,"kind":"quiz","lesson":7,"uuid":"{u}","data":{}})"));
    LogCapture log;
    QVERIFY(record->load().isEmpty());
    QVERIFY(log.contains("set aside"));
    const QStringList aside = QDir(QCoreApplication::applicationDirPath()).entryList({ "*.set-aside-*" });
    QCOMPARE(aside.size(), 1);
    // A record of its own takes entries again.
    QList<TavWrite> next { write("quiz") };
    QVERIFY(record->add(next));
    QCOMPARE(record->load().size(), 1);
}

void TestTavSideRecord::recordTakesEntriesOnAFullDisk()
{
    TavSideRecord* record = TavSideRecord::getInstance();
    // The room is held on the disk from the start.
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(TavSideRecord::path()).constData(), &info), 0);
    QVERIFY2(qint64(info.st_blocks) * 512 >= TavSideRecord::kRoomBytes, "no room held on the disk");

    QList<TavWrite> writes { write("result", "9/D01", 9), write("roundEnd", QString(), 9) };
    {
        FullDisk full;
        QVERIFY(full.isFull());
        QVERIFY(record->add(writes));
        QVERIFY(record->settle(writes.at(0).recorded));
    }
    QCOMPARE(kindsOf(record->load()), QStringList({ "roundEnd" }));
}

void TestTavSideRecord::recordGoesAtTheEndOnlyWhenNothingIsLeft()
{
    TavSideRecord* record = TavSideRecord::getInstance();
    QList<TavWrite> writes { write("quiz") };
    QVERIFY(record->add(writes));
    record->close();
    QVERIFY(QFile::exists(TavSideRecord::path()));
    QCOMPARE(record->load().size(), 1);
    QVERIFY(record->settle(writes.at(0).recorded));
    record->close();
    QVERIFY(!QFile::exists(TavSideRecord::path()));
}

void TestTavSideRecord::listOfAnEarlierVersionIsDropped()
{
    const QString legacy = TAVDatabase::databasePath() + ".unended";
    writeRecord(QByteArray());
    QFile file(legacy);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("12\n13\n");
    file.close();
    LogCapture log;
    TavSideRecord::getInstance()->load();
    QVERIFY(!QFile::exists(legacy));
    QVERIFY(log.contains("12 13"));
}

TAV_DB_TEST_MAIN(TestTavSideRecord)
#include "TestTavSideRecord.moc"
