#include "ZUTAVBarChart.h"
#include "ZUTAVPlot.h"
#include "ZUTAVScaleDraw.h"

#include <QImage>
#include <QTest>
#include <qwt_plot_canvas.h>
#include <qwt_scale_div.h>
#include <qwt_text.h>

namespace {

QRect paintedArea(const QImage& img, const QColor& color)
{
    QRect area;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == color)
                area |= QRect(x, y, 1, 1);
    return area;
}

} // namespace

class TestZUTAVPlot : public QObject
{
    Q_OBJECT
private slots:
    void barsFillTheCanvas_data();
    void barsFillTheCanvas();
    void secondFillReplacesTheBars();
};

void TestZUTAVPlot::barsFillTheCanvas_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<double>("valueEnd");
    QTest::newRow("none") << QVector<double> {} << 1.0;
    QTest::newRow("all zero") << QVector<double> { 0, 0 } << 1.0;
    QTest::newRow("one") << QVector<double> { 7 } << 7.7;
    QTest::newRow("with zero") << QVector<double> { 3, 0, 5 } << 5.5;
    QTest::newRow("three digits") << QVector<double> { 120, 450, 999 } << 1098.9;
    QTest::newRow("many") << QVector<double> { 1, 2, 3, 4, 5, 6 } << 6.6;
}

void TestZUTAVPlot::barsFillTheCanvas()
{
    QFETCH(QVector<double>, values);
    QFETCH(double, valueEnd);
    QStringList names;
    QVector<QColor> colors;
    for (int i = 0; i < values.size(); ++i) {
        names << QStringLiteral("选项%1").arg(i);
        colors << QColor::fromRgb(200, 10 + 30 * i, 10);
    }
    ZUTAVPlot plot;
    plot.setFixedSize(360, 300);
    plot.setData(values, colors, names);
    QVERIFY(qFuzzyCompare(plot.axisScaleDiv(QwtPlot::xBottom).upperBound(), valueEnd));
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot, 20000));
    const QImage img = plot.canvas()->grab().toImage();

    for (int i = 0; i < values.size(); ++i) {
        const QRect area = paintedArea(img, colors.at(i));
        if (values.at(i) == 0) {
            QVERIFY(area.isEmpty());
            continue;
        }
        // 30 px thick and centred in its share of the whole canvas height.
        const int band = img.height() / values.size();
        QCOMPARE(area.height(), qMin(30, band - 10));
        const double bandCentre = img.height() * (1.0 - (i + 0.5) / values.size());
        QVERIFY(qAbs(QRectF(area).center().y() - bandCentre) <= 3);
        // The longest bar leaves only the tenth kept for its value.
        if (qFuzzyCompare(values.at(i) * 1.1, valueEnd))
            QVERIFY(area.width() >= img.width() * 0.85);
    }
    if (values.isEmpty()) {
        QImage blank(img.size(), img.format());
        blank.fill(Qt::white);
        QCOMPARE(img, blank);
    }
}

void TestZUTAVPlot::secondFillReplacesTheBars()
{
    const QColor green("#54cf79"), yellow("#f9ce61"), orange("#f98c50");
    ZUTAVPlot plot;
    plot.setData({ 1, 2 }, { green, yellow }, { "A", "B" });
    // Counts that do not match are refused whole.
    plot.setData({ 7, 8 }, { orange, orange }, { "A", "B", "C" });
    QCOMPARE(plot.barChart()->barColors(), QVector<QColor>({ green, yellow }));
    QCOMPARE(plot.axisScaleDiv(QwtPlot::xBottom).upperBound(), 2.2);
    plot.setData({ 5, 6, 7 }, { orange, yellow, green }, { "X", "Y", "Z" });
    QCOMPARE(plot.barChart()->barColors(), QVector<QColor>({ orange, yellow, green }));
    QVERIFY(!plot.barChart()->specialSymbol(3, QPointF(3, 0)));
    QVERIFY(!plot.barChart()->specialSymbol(-1, QPointF(-1, 0)));
    QVERIFY(ZUTAVScaleDraw({ "A" }).label(-1).text().isEmpty());
    QVERIFY(ZUTAVScaleDraw({ "A" }).label(1).text().isEmpty());
    QVERIFY(ZUTAVScaleDraw({}).label(0).text().isEmpty());
}

QTEST_MAIN(TestZUTAVPlot)
#include "TestZUTAVPlot.moc"
