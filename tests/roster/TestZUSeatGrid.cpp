// The seat grid of the sign-in: seating, swapping and changing its size.
#include "ZUSeatGrid.h"

#include <QtTest>

namespace {

QVector<SeatTile> students(int n)
{
    QVector<SeatTile> list;
    for (int i = 0; i < n; ++i) {
        SeatTile tile;
        tile.studentId = QString::number(101 + i);
        tile.name = QString("S%1").arg(i + 1);
        list.append(tile);
    }
    return list;
}

// The grid as text, one line per row: student names, "." for an empty seat.
QString picture(const ZUSeatGrid& grid)
{
    QStringList lines;
    for (int r = 0; r < grid.rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid.cols(); ++c)
            cells << (grid.seat(r, c).studentId.isEmpty() ? "." : grid.seat(r, c).name);
        lines << cells.join(' ');
    }
    return lines.join('\n');
}

} // namespace

class TestZUSeatGrid : public QObject
{
    Q_OBJECT

private slots:
    void seatsAutomatically_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("maxCols");
        QTest::addColumn<QString>("expected");
        QTest::newRow("7 students, 5 columns") << 7 << 5 << "S1 S2 S3 S4 S5\nS6 S7 . . .";
        QTest::newRow("fewer students than columns") << 3 << 5 << "S1 S2 S3";
        QTest::newRow("no column fits") << 2 << 0 << "S1\nS2";
        QTest::newRow("nobody") << 0 << 5 << "";
    }

    void seatsAutomatically()
    {
        QFETCH(int, count);
        QFETCH(int, maxCols);
        QFETCH(QString, expected);
        ZUSeatGrid grid;
        grid.seatAutomatically(students(count), maxCols);
        QCOMPARE(picture(grid), expected);
        QCOMPARE(grid.studentCount(), count);
    }

    void seatsStoredPlan_data()
    {
        QTest::addColumn<QStringList>("seats"); // "row col" per student, "" for none
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::addColumn<QString>("expected"); // "" when the plan is refused
        QTest::newRow("kept") << QStringList({ "1 0", "0 1", "1 1" }) << 2 << 2 << ". S2\nS1 S3";
        QTest::newRow("a student without seat") << QStringList({ "1 0", "", "1 1" }) << 2 << 2 << "";
        QTest::newRow("two on one seat") << QStringList({ "1 0", "1 0", "1 1" }) << 2 << 2 << "";
        QTest::newRow("seat outside") << QStringList({ "1 0", "0 1", "2 1" }) << 2 << 2 << "";
        QTest::newRow("wider than the window") << QStringList({ "0 0", "0 1", "0 5" }) << 1 << 6 << "";
        QTest::newRow("too many rows") << QStringList({ "0 0", "0 1", "99 0" }) << 100 << 2 << "";
    }

    void seatsStoredPlan()
    {
        QFETCH(QStringList, seats);
        QFETCH(int, rows);
        QFETCH(int, cols);
        QFETCH(QString, expected);
        QMap<QString, SeatPos> plan;
        for (int i = 0; i < seats.size(); ++i) {
            if (!seats.at(i).isEmpty())
                plan.insert(QString::number(101 + i),
                            SeatPos { seats.at(i).section(' ', 0, 0).toInt(), seats.at(i).section(' ', 1).toInt() });
        }
        ZUSeatGrid grid;
        grid.seatAutomatically(students(1), 5);
        QCOMPARE(grid.seatStored(students(3), plan, rows, cols, 5), !expected.isEmpty());
        QCOMPARE(picture(grid), expected.isEmpty() ? QString("S1") : expected);
        if (!expected.isEmpty())
            QCOMPARE(grid.seatPlan().value("101").row, 1);
    }

    void swaps_data()
    {
        QTest::addColumn<QList<int>>("cells");
        QTest::addColumn<bool>("swapped");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two students") << QList<int> { 0, 0, 1, 1 } << true << "S5 S2 S3\nS4 S1 .";
        QTest::newRow("onto an empty seat") << QList<int> { 0, 1, 1, 2 } << true << "S1 . S3\nS4 S5 S2";
        QTest::newRow("onto itself") << QList<int> { 1, 1, 1, 1 } << false << "S1 S2 S3\nS4 S5 .";
        QTest::newRow("source outside") << QList<int> { 5, 0, 0, 0 } << false << "S1 S2 S3\nS4 S5 .";
        QTest::newRow("target outside") << QList<int> { 0, 0, 0, 3 } << false << "S1 S2 S3\nS4 S5 .";
        QTest::newRow("negative") << QList<int> { -1, 0, 0, 0 } << false << "S1 S2 S3\nS4 S5 .";
    }

    void swaps()
    {
        QFETCH(QList<int>, cells);
        QFETCH(bool, swapped);
        QFETCH(QString, expected);
        ZUSeatGrid grid;
        grid.seatAutomatically(students(5), 3);
        QCOMPARE(grid.swap(cells.at(0), cells.at(1), cells.at(2), cells.at(3)), swapped);
        QCOMPARE(picture(grid), expected);
    }

    void removesColumns_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rows"); // the grid grown to this many rows first
        QTest::addColumn<QString>("start"); // after swaps
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QString>("expected");
        // S1..S5 on 2 x 3: the student of the last column sits down after the last one seated.
        QTest::newRow("moved behind the last") << 5 << 0 << "" << true << "S1 S2\nS4 S5\nS3 .";
        QTest::newRow("fits into the last row") << 4 << 0 << "" << true << "S1 S2\nS4 S3";
        QTest::newRow("holes stay") << 4 << 0 << "0,0>1,2" << true << ". S2\nS4 S3\nS1 .";
        QTest::newRow("empty rows at the end stay") << 4 << 4 << "" << true << "S1 S2\nS4 S3\n. .\n. .";
        QTest::newRow("only column") << 1 << 0 << "" << false << "S1";
    }

    void removesColumns()
    {
        QFETCH(int, count);
        QFETCH(int, rows);
        QFETCH(QString, start);
        QFETCH(bool, removed);
        QFETCH(QString, expected);
        ZUSeatGrid grid;
        grid.seatAutomatically(students(count), 3);
        grid.grow(rows, grid.cols());
        if (!start.isEmpty()) {
            const QStringList cells = start.split(QRegularExpression("[,>]"));
            grid.swap(cells.at(0).toInt(), cells.at(1).toInt(), cells.at(2).toInt(), cells.at(3).toInt());
        }
        QCOMPARE(grid.removeColumns(1, 3), removed);
        QCOMPARE(picture(grid), expected);
        QCOMPARE(grid.studentCount(), count);
    }

    void removesRows()
    {
        ZUSeatGrid grid;
        grid.seatAutomatically(students(5), 2); // 3 rows x 2 columns
        QVERIFY(grid.removeRows(1, 5));
        QCOMPARE(picture(grid), "S1 S2 S5\nS3 S4 .");
        // A third column does not fit a window of two.
        grid.seatAutomatically(students(5), 2);
        QVERIFY(!grid.removeRows(1, 2));
        QCOMPARE(picture(grid), "S1 S2\nS3 S4\nS5 .");
        grid.seatAutomatically(students(1), 2);
        QVERIFY(!grid.removeRows(1, 5));
        // Empty columns at the end stay.
        grid.seatAutomatically(students(5), 2);
        grid.grow(3, 4);
        QVERIFY(grid.removeRows(1, 5));
        QCOMPARE(picture(grid), "S1 S2 S5 .\nS3 S4 . .");
    }

    void growsWithEmptySeats()
    {
        ZUSeatGrid grid;
        grid.seatAutomatically(students(3), 2);
        grid.grow(2, 3);
        QCOMPARE(picture(grid), "S1 S2 .\nS3 . .");
    }

    // One column of many students would need more rows than the grid may have.
    void columnRemovalStopsAtTheRowLimit()
    {
        ZUSeatGrid grid;
        grid.seatAutomatically(students(120), 2);
        QCOMPARE(grid.rows(), 60);
        QVERIFY(!grid.removeColumns(1, 2));
        QCOMPARE(grid.cols(), 2);
        QCOMPARE(grid.rows(), 60);
    }
};

QTEST_GUILESS_MAIN(TestZUSeatGrid)
#include "TestZUSeatGrid.moc"
