#include "ZUTAVBarChart.h"
#include "ZUTAVColumnSymbol.h"
#include "ZUTAVPlot.h"
#include "ZUTAVScaleDraw.h"

#include <QImage>
#include <QTest>
#include <qwt_plot_canvas.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>
#include <qwt_text.h>

#include <memory>

namespace {

const QColor green("#54cf79");
const QColor yellow("#f9ce61");
const QColor orange("#f98c50");

// Pixel rows and columns of the canvas painted in the given colour.
QRect paintedArea(const QImage& img, const QColor& color)
{
    QRect area;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixelColor(x, y) == color)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

} // namespace

class TestZUTAVPlot : public QObject
{
    Q_OBJECT
private slots:
    void fillSetsBarsAndAxes_data();
    void fillSetsBarsAndAxes();
    void differentCountsLeavePlotAsItWas();
    void secondFillUsesItsOwnColours();
    void symbolsOnlyForKnownBars();
    void namesLabelTheBarAxis_data();
    void namesLabelTheBarAxis();
    void barShape_data();
    void barShape();
    void drawnBarsSitOnTheirNames_data();
    void drawnBarsSitOnTheirNames();
    void emptyChartDrawsNothing();
};

void TestZUTAVPlot::fillSetsBarsAndAxes_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<double>("valueEnd");
    QTest::newRow("none") << QVector<double> {} << 1.0;
    QTest::newRow("one") << QVector<double> { 4 } << 4.4;
    QTest::newRow("with zero") << QVector<double> { 3, 0, 5 } << 5.5;
    QTest::newRow("all zero") << QVector<double> { 0, 0 } << 1.0;
    QTest::newRow("three digits") << QVector<double> { 120, 450.7, 999 } << 1098.9;
    QTest::newRow("many") << QVector<double> { 1, 2, 3, 4, 5, 6, 7, 8 } << 8.8;
}

void TestZUTAVPlot::fillSetsBarsAndAxes()
{
    QFETCH(QVector<double>, values);
    QFETCH(double, valueEnd);
    QStringList names;
    QVector<QColor> colors;
    for (int i = 0; i < values.size(); ++i) {
        names << QString(QChar('A' + i));
        colors << QColor::fromHsv(i * 40, 200, 200);
    }
    ZUTAVPlot plot;
    plot.setData(values, colors, names);

    ZUTAVBarChart* chart = plot.barChart();
    QCOMPARE(int(chart->dataSize()), values.size());
    QCOMPARE(chart->orientation(), Qt::Horizontal);
    QCOMPARE(chart->barColors(), colors);
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(chart->barValues().at(i), int(values.at(i)));

    const QwtScaleDiv bars = plot.axisScaleDiv(QwtPlot::yLeft);
    QCOMPARE(bars.lowerBound(), -0.5);
    QCOMPARE(bars.upperBound(), qMax(values.size(), 1) - 0.5);
    const QwtScaleDiv counts = plot.axisScaleDiv(QwtPlot::xBottom);
    QCOMPARE(counts.lowerBound(), 0.0);
    QVERIFY(qFuzzyCompare(counts.upperBound(), valueEnd));
    QVERIFY(!plot.barChart()->testItemAttribute(QwtPlotItem::Margins));
}

void TestZUTAVPlot::differentCountsLeavePlotAsItWas()
{
    ZUTAVPlot plot;
    plot.setData({ 1, 2 }, { green, yellow }, { "A", "B" });
    plot.setData({ 7, 8 }, { orange, orange }, { "A", "B", "C" });
    QCOMPARE(int(plot.barChart()->dataSize()), 2);
    QCOMPARE(plot.barChart()->barValues(), QVector<int>({ 1, 2 }));
    QCOMPARE(plot.barChart()->barColors(), QVector<QColor>({ green, yellow }));
    QCOMPARE(plot.axisScaleDiv(QwtPlot::xBottom).upperBound(), 2.2);
}

void TestZUTAVPlot::secondFillUsesItsOwnColours()
{
    ZUTAVPlot plot;
    plot.setData({ 1, 2 }, { green, yellow }, { "A", "B" });
    plot.setData({ 5, 6, 7 }, { orange, yellow, green }, { "X", "Y", "Z" });
    QCOMPARE(plot.barChart()->barColors(), QVector<QColor>({ orange, yellow, green }));
    QCOMPARE(plot.barChart()->barValues(), QVector<int>({ 5, 6, 7 }));
    std::unique_ptr<QwtColumnSymbol> first(plot.barChart()->specialSymbol(0, QPointF(0, 5)));
    QCOMPARE(static_cast<ZUTAVColumnSymbol*>(first.get())->color(), orange);
}

void TestZUTAVPlot::symbolsOnlyForKnownBars()
{
    ZUTAVPlot plot;
    plot.setData({ 2.9, 0 }, { green, yellow }, { "A", "B" });
    std::unique_ptr<QwtColumnSymbol> sym(plot.barChart()->specialSymbol(0, QPointF(0, 2.9)));
    auto* bar = dynamic_cast<ZUTAVColumnSymbol*>(sym.get());
    QVERIFY(bar);
    QCOMPARE(bar->value(), 2);
    QCOMPARE(bar->color(), green);
    QVERIFY(!plot.barChart()->specialSymbol(2, QPointF(2, 0)));
    QVERIFY(!plot.barChart()->specialSymbol(-1, QPointF(-1, 0)));
}

void TestZUTAVPlot::namesLabelTheBarAxis_data()
{
    QTest::addColumn<double>("position");
    QTest::addColumn<QString>("label");
    QTest::newRow("before first") << -1.0 << QString();
    QTest::newRow("first") << 0.0 << QStringLiteral("   A");
    QTest::newRow("between") << 1.5 << QStringLiteral("   B");
    QTest::newRow("last") << 2.0 << QStringLiteral("   未作答");
    QTest::newRow("after last") << 3.0 << QString();
}

void TestZUTAVPlot::namesLabelTheBarAxis()
{
    QFETCH(double, position);
    QFETCH(QString, label);
    ZUTAVScaleDraw draw({ "A", "B", "未作答" });
    QCOMPARE(draw.label(position).text(), label);
    ZUTAVScaleDraw empty({});
    QVERIFY(empty.label(0).text().isEmpty());
}

void TestZUTAVPlot::barShape_data()
{
    QTest::addColumn<QRectF>("columnRect");
    QTest::addColumn<QRect>("bar");
    QTest::addColumn<bool>("round");
    QTest::addColumn<QRect>("text");
    QTest::newRow("thick bar is trimmed to 30 px")
        << QRectF(10, 100, 200, 50) << QRect(10, 110, 200, 30) << true << QRect(10, 110, 430, 30);
    QTest::newRow("thin bar keeps its thickness")
        << QRectF(10, 100, 200, 20) << QRect(10, 100, 200, 20) << true << QRect(10, 100, 430, 20);
    QTest::newRow("12 px bar is square") << QRectF(40, 5, 12, 30) << QRect(40, 5, 12, 30) << false
                                         << QRect(40, 5, 54, 30);
    QTest::newRow("15 px bar is square") << QRectF(40, 5, 15, 30) << QRect(40, 5, 15, 30) << false
                                         << QRect(40, 5, 60, 30);
    QTest::newRow("16 px bar is round") << QRectF(40, 5, 16, 30) << QRect(40, 5, 16, 30) << true
                                        << QRect(40, 5, 62, 30);
    QTest::newRow("empty bar writes its value at the start")
        << QRectF(40, 5, 0, 30) << QRect(40, 5, 0, 30) << false << QRect(40, 5, 30, 30);
    QTest::newRow("fractions are truncated")
        << QRectF(10.9, 20.7, 99.9, 31.5) << QRect(10, 20, 99, 30) << true << QRect(10, 20, 228, 30);
}

void TestZUTAVPlot::barShape()
{
    QFETCH(QRectF, columnRect);
    QFETCH(QRect, bar);
    QFETCH(bool, round);
    QFETCH(QRect, text);
    const ZUTAVColumnSymbol::Shape shape = ZUTAVColumnSymbol::shapeFor(columnRect);
    QCOMPARE(shape.bar, bar);
    QCOMPARE(shape.roundEnd, round);
    QCOMPARE(shape.text, text);
}

void TestZUTAVPlot::drawnBarsSitOnTheirNames_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::newRow("one bar") << QVector<double> { 7 };
    QTest::newRow("three with an empty one") << QVector<double> { 3, 0, 5 };
    QTest::newRow("three digits") << QVector<double> { 120, 450, 999 };
    QTest::newRow("many") << QVector<double> { 1, 2, 3, 4, 5, 6 };
}

void TestZUTAVPlot::drawnBarsSitOnTheirNames()
{
    QFETCH(QVector<double>, values);
    QStringList names;
    QVector<QColor> colors;
    for (int i = 0; i < values.size(); ++i) {
        names << QStringLiteral("选项%1").arg(i);
        colors << QColor::fromRgb(200, 10 + 30 * i, 10);
    }
    ZUTAVPlot plot;
    plot.setFixedSize(360, 300);
    plot.setData(values, colors, names);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    const QImage img = plot.canvas()->grab().toImage();
    const QwtScaleMap barMap = plot.canvasMap(QwtPlot::yLeft);
    const QwtScaleMap countMap = plot.canvasMap(QwtPlot::xBottom);
    const double maxValue = *std::max_element(values.cbegin(), values.cend());

    for (int i = 0; i < values.size(); ++i) {
        const QRect area = paintedArea(img, colors.at(i));
        if (values.at(i) == 0) {
            QVERIFY(area.isEmpty());
            continue;
        }
        // Each bar is 30 px thick (its band is wider), centred on its name, and as long as its value says.
        const int band = img.height() / values.size();
        QCOMPARE(area.height(), qMin(30, band - 10));
        QVERIFY(qAbs(QRectF(area).center().y() - barMap.transform(i)) <= 3);
        // Bands share the whole canvas height: no margin squeezes them together.
        const double bandCentre = img.height() * (1.0 - (i + 0.5) / values.size());
        QVERIFY(qAbs(QRectF(area).center().y() - bandCentre) <= 3);
        QVERIFY(qAbs(area.right() + 1 - countMap.transform(values.at(i))) <= 3);
        QVERIFY(area.left() <= 1);
        // The longest bar takes the canvas's width but for the tenth kept for its value.
        if (values.at(i) == maxValue)
            QVERIFY(area.width() >= img.width() * 0.85);
    }
}

void TestZUTAVPlot::emptyChartDrawsNothing()
{
    ZUTAVPlot plot;
    plot.setFixedSize(200, 150);
    plot.setData({}, {}, {});
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    const QImage img = plot.canvas()->grab().toImage();
    for (int y = 0; y < img.height(); y += 7)
        for (int x = 0; x < img.width(); x += 7)
            QCOMPARE(img.pixelColor(x, y), QColor(Qt::white));
}

QTEST_MAIN(TestZUTAVPlot)
#include "TestZUTAVPlot.moc"
