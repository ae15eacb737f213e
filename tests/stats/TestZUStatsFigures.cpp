// The numbers and texts the result views show: shares, accuracy, times, scores, option titles, the sizes of the
// name grids and bars, the legend, the option colours, the podium and the ranking cells.
#include "ZUStatsFigures.h"

#include <QtTest>

using namespace ZUStatsFigures;

class TestZUStatsFigures : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("share of three") << shareText(1, 3) << "33.3%";
        QTest::newRow("share of class") << shareText(3, 30) << "10.0%";
        QTest::newRow("share of nobody") << shareText(0, 0) << "0.0%";
        QTest::newRow("accuracy 1/3") << accuracyText(1, 3) << "33%";
        QTest::newRow("accuracy 2/3") << accuracyText(2, 3) << "66%";
        QTest::newRow("accuracy 3/3") << accuracyText(3, 3) << "100%";
        QTest::newRow("accuracy 0/5") << accuracyText(0, 5) << "0%";
        QTest::newRow("accuracy empty class") << accuracyText(0, 0) << "0%";
        QTest::newRow("accuracy exact") << accuracyText(57, 100) << "57%";
        QTest::newRow("time h m s") << usedTimeText(3725) << "1时2分5秒";
        QTest::newRow("time minute") << usedTimeText(60) << "1分";
        QTest::newRow("time hours") << usedTimeText(7200) << "2时";
        QTest::newRow("time seconds") << usedTimeText(59) << "59秒";
        QTest::newRow("time 3661") << usedTimeText(3661) << "1时1分1秒";
        QTest::newRow("time none") << usedTimeText(86400) << "--";
        QTest::newRow("time zero") << usedTimeText(0) << "--";
        QTest::newRow("score half") << scoreText(7350) << "73.5分";
        QTest::newRow("score zero") << scoreText(0) << "0分";
        QTest::newRow("score full") << scoreText(10000) << "100分";
        QTest::newRow("score whole") << scoreText(9000) << "90分";
        QTest::newRow("count") << headCount(12) << "12人";
        QTest::newRow("option 8") << wrapOption("ABCDEFGH") << "ABCD\nEFG\nH";
        QTest::newRow("option 10") << wrapOption("ABCDEFGHIJ") << "ABCD\nEFG\nHIJ";
        QTest::newRow("option number") << wrapOption("12.5") << "12.5";
        QTest::newRow("option integer") << wrapOption("42") << "42";
        QTest::newRow("option label") << wrapOption("未作答") << "未作答";
    }
    void texts()
    {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
    }

    void nameGrids_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("names");
        QTest::addColumn<QList<int>>("grid"); // columns, rows, table height, block height
        QTest::newRow("620, 13 names") << 620 << 13 << QList<int> { 6, 3, 118, 128 };
        QTest::newRow("620, 5 names") << 620 << 5 << QList<int> { 6, 1, 36, 108 };
        QTest::newRow("620, nobody") << 620 << 0 << QList<int> { 6, 0, 0, 108 };
        QTest::newRow("popup 900, 15") << 900 - 157 << 15 << QList<int> { 7, 3, 118, 128 };
        QTest::newRow("popup 900, 4") << 900 - 157 << 4 << QList<int> { 7, 1, 36, 108 };
        QTest::newRow("narrow table") << 60 << 2 << QList<int> { 1, 2, 72, 108 };
        QTest::newRow("60 names") << 720 << 60 << QList<int> { 6, 10, 370, 380 };
    }
    void nameGrids()
    {
        QFETCH(int, width);
        QFETCH(int, names);
        QFETCH(QList<int>, grid);
        const NameGrid g = optionNameGrid(names, columnsFor(width));
        QCOMPARE(QList<int>({ g.columns, g.rows, g.tableHeight, g.blockHeight }), grid);
    }

    void sheetWidths_data()
    {
        QTest::addColumn<QList<int>>("counts"); // right, wrong, unanswered, total width, minimum
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("nobody") << QList<int> { 0, 0, 0, 300, 0 } << QList<int> { 0, 0, 0 };
        QTest::newRow("thirds of 300") << QList<int> { 1, 1, 1, 300, 0 } << QList<int> { 100, 100, 100 };
        QTest::newRow("one empty") << QList<int> { 2, 1, 0, 300, 30 } << QList<int> { 200, 100, 0 };
        QTest::newRow("pixel short") << QList<int> { 1, 1, 1, 100, 30 } << QList<int> { 33, 33, 33 };
        QTest::newRow("counts kept legible") << QList<int> { 58, 1, 1, 440, 30 } << QList<int> { 379, 30, 30 };
        QTest::newRow("too narrow to help") << QList<int> { 1, 1, 1, 60, 30 } << QList<int> { 20, 20, 20 };
    }
    void sheetWidths()
    {
        QFETCH(QList<int>, counts);
        QFETCH(QList<int>, widths);
        const SheetWidths w = ZUStatsFigures::sheetWidths(counts[0], counts[1], counts[2], counts[3], counts[4]);
        QCOMPARE(QList<int>({ w.right, w.wrong, w.unanswered }), widths);
    }

    void legendListsTheLastOptionFirst()
    {
        const QVector<LegendRow> rows = legendRows({ 3, 1, 0 }, { Qt::red, Qt::green, Qt::blue }, { "A", "B", "C" });
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].name + rows[0].percent, QString("C0.0%"));
        QCOMPARE(rows[1].name + rows[1].percent, QString("B25.0%"));
        QCOMPARE(rows[2].name + rows[2].percent + rows[2].color.name(), QString("A75.0%#ff0000"));
        QCOMPARE(legendRows({ 0, 0 }, {}, { "A", "B" })[0].percent, QString("0.0%"));
        QVERIFY(legendRows({}, {}, {}).isEmpty());
    }

    void specialOptionsKeepTheirColours()
    {
        QStringList names;
        for (const QColor& c : optionColors({ "A", "未作答", "B", "其他", "C", "D", "E", "F" }))
            names << c.name();
        QCOMPARE(names.join(' '), QString("#54cf79 #e7e7e7 #f9ce61 #e281ba #f98c50 #8591e5 #66d4ff #54cf79"));
    }

    void podiumAndRankingCells()
    {
        const StuRankingInfo first { "王伟", 8550, 3725, 3, 1, 3 };
        const StuRankingInfo noTime { "李娜", 0, 86400, 0, 4, 0 };
        QCOMPARE(podiumNames({ first, noTime }), QStringList({ "王伟", "", "" }));
        QCOMPARE(podiumNames({}), QStringList({ "", "", "" }));
        QCOMPARE(rankingCells(1, first), QStringList({ "1", "王伟", "85.5分", "75%", "1时2分5秒", "3", "1" }));
        QCOMPARE(rankingCells(2, noTime), QStringList({ "2", "李娜", "0分", "0%", "--", "0", "4" }));
        QCOMPARE(rankingCells(3, StuRankingInfo { "张", 0, 86400, 0, 0, 0 }).at(3), QString("0%"));
    }

    void analysisColumns() { QCOMPARE(analysisColumnWidths(1000), QVector<int>({ 80, 145, 88, 88, 419 })); }
};

QTEST_APPLESS_MAIN(TestZUStatsFigures)
#include "TestZUStatsFigures.moc"
