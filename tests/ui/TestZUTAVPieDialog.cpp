#include "ZUTAVPieDialog.h"

#include <QImage>
#include <QTest>

using Slices = QVector<QVector<int>>; // start angle, span angle, index of the colour

class TestZUTAVPieDialog : public QObject
{
    Q_OBJECT
private slots:
    void slices_data();
    void slices();
    void painting_data();
    void painting();
};

void TestZUTAVPieDialog::slices_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<Slices>("expected");
    QTest::newRow("empty") << QVector<double> {} << QStringList {} << Slices {};
    QTest::newRow("all zero") << QVector<double> { 0, 0 } << QStringList { "A", "B" } << Slices {};
    QTest::newRow("one is the whole pie")
        << QVector<double> { 9 } << QStringList { "A" } << Slices { { 1440, 5760, 0 } };
    QTest::newRow("zero skipped") << QVector<double> { 3, 0, 1 } << QStringList { "A", "B", "C" }
                                  << Slices { { 1440, 4320, 0 }, { 5760, 1440, 2 } };
    QTest::newRow("many") << QVector<double> { 1, 2, 4 } << QStringList { "A", "B", "C" }
                          << Slices { { 1440, 822, 0 }, { 2262, 1645, 1 }, { 3907, 3291, 2 } };
    QTest::newRow("none takes the last colour") << QVector<double> { 1, 1, 2 } << QStringList { "none", "B", "C" }
                                                << Slices { { 1440, 1440, 2 }, { 2880, 1440, 1 }, { 4320, 2880, 2 } };
}

void TestZUTAVPieDialog::slices()
{
    QFETCH(QVector<double>, values);
    QFETCH(QStringList, names);
    QFETCH(Slices, expected);
    const QVector<QColor> colors { Qt::red, Qt::green, Qt::blue };
    const QVector<ZUTAVPieDialog::Slice> got = ZUTAVPieDialog::slicesFor(values, names, colors.mid(0, values.size()));
    QCOMPARE(got.size(), expected.size());
    for (int i = 0; i < got.size(); ++i) {
        QCOMPARE(got.at(i).startAngle, expected.at(i).at(0));
        QCOMPARE(got.at(i).spanAngle, expected.at(i).at(1));
        QCOMPARE(got.at(i).color, colors.at(expected.at(i).at(2)));
    }
}

void TestZUTAVPieDialog::painting_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");
    QTest::newRow("no values") << QVector<double> {} << QColor(Qt::white) << QColor(Qt::white);
    // Counter-clockwise from 12 o'clock: the first half is the left one.
    QTest::newRow("halves") << QVector<double> { 1, 1 } << QColor(Qt::red) << QColor(Qt::blue);
}

void TestZUTAVPieDialog::painting()
{
    QFETCH(QVector<double>, values);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    ZUTAVPieDialog pie;
    pie.setFixedSize(330, 300);
    pie.setData(values, QStringList { "A", "B" }.mid(0, values.size()), { Qt::red, Qt::blue });
    const QImage img = pie.grab().toImage();
    const QPoint centre = ZUTAVPieDialog::pieRect(330).center();
    QCOMPARE(img.pixelColor(centre + QPoint(-40, 0)), left);
    QCOMPARE(img.pixelColor(centre + QPoint(40, 0)), right);
}

QTEST_MAIN(TestZUTAVPieDialog)
#include "TestZUTAVPieDialog.moc"
