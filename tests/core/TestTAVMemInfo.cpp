#include "TAVMemInfo.h"

#include <QThread>
#include <QtTest>

#include <vector>

Q_DECLARE_METATYPE(QList<ClassInfoRow>)

class TestTAVMemInfo : public QObject
{
    Q_OBJECT
private slots:
    void sortedClasses_data();
    void sortedClasses();
    void onlineFlagCrossesThreads();
    void oneInstanceForConcurrentFirstUse();
};

namespace {

ClassInfoRow makeClass(int id, int phase, int grade, int classNum)
{
    ClassInfoRow row;
    row.classID = id;
    row.phase = phase;
    row.grade = grade;
    row.classNum = classNum;
    row.className = QString("class %1").arg(id);
    return row;
}

} // namespace

void TestTAVMemInfo::sortedClasses_data()
{
    QTest::addColumn<QList<ClassInfoRow>>("classes");
    QTest::addColumn<QList<int>>("expectedIds");

    QTest::newRow("same phase and grade by class number")
        << QList<ClassInfoRow> { makeClass(1, 2, 3, 4), makeClass(2, 2, 3, 1), makeClass(3, 2, 3, 2) }
        << QList<int> { 2, 3, 1 };
    QTest::newRow("smaller phase first whatever the grade")
        << QList<ClassInfoRow> { makeClass(10, 3, 1, 1), makeClass(11, 1, 9, 1), makeClass(12, 2, 5, 1) }
        << QList<int> { 11, 12, 10 };
    QTest::newRow("larger grade first within a phase")
        << QList<ClassInfoRow> { makeClass(20, 1, 7, 1), makeClass(21, 1, 9, 1), makeClass(22, 1, 8, 3) }
        << QList<int> { 21, 22, 20 };
    QTest::newRow("all three keys") << QList<ClassInfoRow> { makeClass(30, 2, 7, 2), makeClass(31, 1, 6, 2),
                                                             makeClass(32, 2, 7, 1), makeClass(33, 1, 6, 1),
                                                             makeClass(34, 2, 8, 5) }
                                    << QList<int> { 33, 31, 34, 32, 30 };
    QTest::newRow("one class") << QList<ClassInfoRow> { makeClass(5, 0, 0, 0) } << QList<int> { 5 };
}

void TestTAVMemInfo::sortedClasses()
{
    QFETCH(QList<ClassInfoRow>, classes);
    QFETCH(QList<int>, expectedIds);

    TAVMemInfo mem;
    for (const ClassInfoRow& row : classes) {
        mem.classMap.insert(row.classID, row);
    }
    QList<int> ids;
    const QList<ClassInfoRow> sorted = mem.sortedClasses();
    for (const ClassInfoRow& row : sorted) {
        ids << row.classID;
    }
    QCOMPARE(ids, expectedIds);
    QCOMPARE(sorted.first().className, QString("class %1").arg(expectedIds.first()));
    QCOMPARE(mem.classMap.size(), classes.size());
}

void TestTAVMemInfo::onlineFlagCrossesThreads()
{
    TAVMemInfo mem;
    QThread* writer = QThread::create([&mem] { mem.onlineFlag = true; });
    writer->start();
    QTRY_VERIFY_WITH_TIMEOUT(mem.onlineFlag, 5000);
    QVERIFY(writer->wait(5000));
    delete writer;
    mem.onlineFlag = false;
    QVERIFY(!mem.onlineFlag.load());
}

void TestTAVMemInfo::oneInstanceForConcurrentFirstUse()
{
    std::vector<TAVMemInfo*> seen(8, nullptr);
    std::vector<QThread*> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.push_back(QThread::create([&seen, i] { seen[i] = TAVMemInfo::getInstance(); }));
    }
    for (QThread* thread : threads) {
        thread->start();
    }
    for (QThread* thread : threads) {
        QVERIFY(thread->wait(5000));
        delete thread;
    }
    for (TAVMemInfo* instance : seen) {
        QCOMPARE(instance, TAVMemInfo::getInstance());
    }
}

QTEST_GUILESS_MAIN(TestTAVMemInfo)
#include "TestTAVMemInfo.moc"
