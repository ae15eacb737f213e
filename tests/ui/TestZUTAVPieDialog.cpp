#include "ZUTAVPieDialog.h"
#include "ZUTAVPieHeader.h"

#include <QImage>
#include <QLabel>
#include <QTest>

namespace {

struct Expected
{
    int start;
    int span;
    QColor color;
};

int paintedRed(const QImage& img)
{
    int count = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
                ++count;
        }
    return count;
}

} // namespace

Q_DECLARE_METATYPE(QVector<Expected>)

class TestZUTAVPieDialog : public QObject
{
    Q_OBJECT
private slots:
    void slices_data();
    void slices();
    void emptyPieIsAWhiteCircle_data();
    void emptyPieIsAWhiteCircle();
    void slicesArePainted();
    void pieWithParentIsPartOfIt();
    void legendRowShowsColourNameAndShare();
};

void TestZUTAVPieDialog::slices_data()
{
    const QColor a("#54cf79"), b("#f9ce61"), c("#f98c50"), grey("#e7e7e7");
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector<QColor>>("colors");
    QTest::addColumn<QVector<Expected>>("expected");
    QTest::newRow("three equal") << QVector<double> { 1, 1, 1 } << QStringList { "A", "B", "C" }
                                 << QVector<QColor> { a, b, c }
                                 << QVector<Expected> { { 1440, 1920, a }, { 3360, 1920, b }, { 5280, 1920, c } };
    QTest::newRow("zero value skipped") << QVector<double> { 3, 0, 1 } << QStringList { "A", "B", "C" }
                                        << QVector<QColor> { a, b, c }
                                        << QVector<Expected> { { 1440, 4320, a }, { 5760, 1440, c } };
    QTest::newRow("one value is the whole pie") << QVector<double> { 9 } << QStringList { "A" } << QVector<QColor> { a }
                                                << QVector<Expected> { { 1440, 5760, a } };
    QTest::newRow("none takes the last colour")
        << QVector<double> { 1, 1 } << QStringList { "none", "B" } << QVector<QColor> { a, grey }
        << QVector<Expected> { { 1440, 2880, grey }, { 4320, 2880, grey } };
    QTest::newRow("spans are truncated") << QVector<double> { 1, 2, 4 } << QStringList { "A", "B", "C" }
                                         << QVector<QColor> { a, b, c }
                                         << QVector<Expected> { { 1440, 822, a },
                                                                { 2262, 1645, b },
                                                                { 3907, 3291, c } };
    QTest::newRow("all zero") << QVector<double> { 0, 0 } << QStringList { "A", "B" } << QVector<QColor> { a, b }
                              << QVector<Expected> {};
    QTest::newRow("empty") << QVector<double> {} << QStringList {} << QVector<QColor> {} << QVector<Expected> {};
}

void TestZUTAVPieDialog::slices()
{
    QFETCH(QVector<double>, values);
    QFETCH(QStringList, names);
    QFETCH(QVector<QColor>, colors);
    QFETCH(QVector<Expected>, expected);
    const QVector<ZUTAVPieDialog::Slice> got = ZUTAVPieDialog::slicesFor(values, names, colors);
    QCOMPARE(got.size(), expected.size());
    for (int i = 0; i < got.size(); ++i) {
        QCOMPARE(got.at(i).startAngle, expected.at(i).start);
        QCOMPARE(got.at(i).spanAngle, expected.at(i).span);
        QCOMPARE(got.at(i).color, expected.at(i).color);
    }
}

void TestZUTAVPieDialog::emptyPieIsAWhiteCircle_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::newRow("no values") << QVector<double> {};
    QTest::newRow("all zero") << QVector<double> { 0, 0, 0 };
}

void TestZUTAVPieDialog::emptyPieIsAWhiteCircle()
{
    QFETCH(QVector<double>, values);
    QWidget window;
    window.setStyleSheet(QStringLiteral("background: rgb(200, 200, 200);"));
    auto* pie = new ZUTAVPieDialog(&window);
    pie->setFixedSize(330, 300);
    QStringList names;
    for (int i = 0; i < values.size(); ++i)
        names << QString::number(i);
    pie->setData(values, names, QVector<QColor>(values.size(), Qt::red));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage img = pie->grab().toImage();
    const QRect square = ZUTAVPieDialog::pieRect(330);
    QCOMPARE(img.pixelColor(square.center()), QColor(Qt::white));
    QCOMPARE(paintedRed(img), 0);
}

void TestZUTAVPieDialog::slicesArePainted()
{
    QWidget window;
    auto* pie = new ZUTAVPieDialog(&window);
    pie->setFixedSize(330, 300);
    pie->setData({ 1, 1 }, { "A", "B" }, { QColor(255, 0, 0), QColor(0, 0, 255) });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage img = pie->grab().toImage();
    const QRect square = ZUTAVPieDialog::pieRect(330);
    // The first half runs counter-clockwise from 12 o'clock: the left side; the second the right.
    QCOMPARE(img.pixelColor(square.center() + QPoint(-40, 0)), QColor(255, 0, 0));
    QCOMPARE(img.pixelColor(square.center() + QPoint(40, 0)), QColor(0, 0, 255));
}

void TestZUTAVPieDialog::pieWithParentIsPartOfIt()
{
    QWidget window;
    ZUTAVPieDialog pie(&window);
    QVERIFY(!pie.isWindow());
    QVERIFY(pie.hasMouseTracking());
    QCOMPARE(pie.windowTitle(), QStringLiteral("饼图"));
    ZUTAVPieDialog alone;
    QVERIFY(alone.isWindow());
}

void TestZUTAVPieDialog::legendRowShowsColourNameAndShare()
{
    ZUTAVPieHeader header;
    QCOMPARE(header.windowTitle(), QStringLiteral("Form"));
    header.setColor(QColor("#54cf79"));
    header.setName(QStringLiteral("未作答"));
    header.setPercent(QStringLiteral("33.3%"));
    QCOMPARE(header.findChild<QLabel*>(QStringLiteral("colorLabel"))->styleSheet(),
             QStringLiteral("background-color: rgb(84, 207, 121);"));
    QCOMPARE(header.findChild<QLabel*>(QStringLiteral("nameLabel"))->text(), QStringLiteral("未作答"));
    QCOMPARE(header.findChild<QLabel*>(QStringLiteral("percentLabel"))->text(), QStringLiteral("33.3%"));
}

QTEST_MAIN(TestZUTAVPieDialog)
#include "TestZUTAVPieDialog.moc"
