#include "AnimationTool.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QtTest>

class TestAnimationTool : public QObject
{
    Q_OBJECT
private slots:
    void slideGeometry_data();
    void slideGeometry();
    void slideInReachesEdge();
    void slideOutClosesWidget();
    void outTwiceThenInStaysOpen();
    void interruptedSlideOutClosesOnlyItsWidget();
    void nullWidgetIsIgnored();

private:
    static QRect onScreen(const QWidget& widget, int direction);
};

QRect TestAnimationTool::onScreen(const QWidget& widget, int direction)
{
    return AnimationTool::slideGeometry(QGuiApplication::primaryScreen()->availableGeometry(), widget.size(), direction)
        .second;
}

void TestAnimationTool::slideGeometry_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QRect>("off");
    QTest::addColumn<QRect>("on");

    const QRect full(0, 0, 1920, 1080);
    const QSize bar(400, 300);
    QTest::newRow("left") << full << bar << 0 << QRect(-400, 390, 400, 300) << QRect(0, 390, 400, 300);
    QTest::newRow("top") << full << bar << 1 << QRect(760, -300, 400, 300) << QRect(760, 0, 400, 300);
    QTest::newRow("bottom") << full << bar << 3 << QRect(760, 1080, 400, 300) << QRect(760, 780, 400, 300);

    // Work area below a 40-pixel task bar at the top and right of a 100-pixel bar at the left.
    const QRect shifted(100, 40, 1820, 1040);
    QTest::newRow("top below task bar") << shifted << bar << 1 << QRect(810, -260, 400, 300)
                                        << QRect(810, 40, 400, 300);
    QTest::newRow("left beside task bar")
        << shifted << bar << 0 << QRect(-300, 410, 400, 300) << QRect(100, 410, 400, 300);
    QTest::newRow("bottom of shifted area")
        << shifted << bar << 3 << QRect(810, 1080, 400, 300) << QRect(810, 780, 400, 300);
    // Wider than the screen by an odd amount: the half is truncated toward zero.
    QTest::newRow("wider than screen") << QRect(0, 0, 100, 100) << QSize(105, 10) << 1 << QRect(-2, -10, 105, 10)
                                       << QRect(-2, 0, 105, 10);
    QTest::newRow("right is not an edge we use") << full << bar << 2 << QRect() << QRect();
}

void TestAnimationTool::slideGeometry()
{
    QFETCH(QRect, available);
    QFETCH(QSize, size);
    QFETCH(int, direction);

    const QPair<QRect, QRect> rects = AnimationTool::slideGeometry(available, size, direction);
    QTEST(rects.first, "off");
    QTEST(rects.second, "on");
}

void TestAnimationTool::slideInReachesEdge()
{
    QWidget widget(nullptr, Qt::FramelessWindowHint);
    widget.resize(200, 80);
    widget.show();
    AnimationTool::getInstance()->animateWidget(100, &widget, AnimationTool::Bottom, true);
    QTRY_COMPARE_WITH_TIMEOUT(widget.geometry(), onScreen(widget, AnimationTool::Bottom), 5000);
    QVERIFY(widget.isVisible());
}

void TestAnimationTool::slideOutClosesWidget()
{
    QWidget widget(nullptr, Qt::FramelessWindowHint);
    widget.resize(200, 80);
    widget.show();
    AnimationTool::getInstance()->animateWidget(100, &widget, AnimationTool::Top, false);
    QTRY_VERIFY_WITH_TIMEOUT(!widget.isVisible(), 5000);
    QCOMPARE(widget.geometry().bottom(), QGuiApplication::primaryScreen()->availableGeometry().top() - 1);
}

void TestAnimationTool::outTwiceThenInStaysOpen()
{
    QWidget widget(nullptr, Qt::FramelessWindowHint);
    widget.resize(240, 120);
    widget.show();
    AnimationTool* tool = AnimationTool::getInstance();
    tool->animateWidget(100, &widget, AnimationTool::Left, false);
    tool->animateWidget(100, &widget, AnimationTool::Left, false);
    QTRY_VERIFY_WITH_TIMEOUT(!widget.isVisible(), 5000);

    widget.show();
    tool->animateWidget(100, &widget, AnimationTool::Left, true);
    const QRect target = onScreen(widget, AnimationTool::Left);
    QTRY_COMPARE_WITH_TIMEOUT(widget.geometry(), target, 5000);
    // Let the animation's end arrive and any stale close connection fire.
    QCoreApplication::processEvents();
    QVERIFY(widget.isVisible());
}

void TestAnimationTool::interruptedSlideOutClosesOnlyItsWidget()
{
    QWidget leaving(nullptr, Qt::FramelessWindowHint);
    QWidget coming(nullptr, Qt::FramelessWindowHint);
    leaving.resize(200, 80);
    coming.resize(100, 50);
    leaving.show();
    coming.show();
    AnimationTool* tool = AnimationTool::getInstance();
    tool->animateWidget(5000, &leaving, AnimationTool::Left, false);
    tool->animateWidget(100, &coming, AnimationTool::Top, true);
    QVERIFY(!leaving.isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(coming.geometry(), onScreen(coming, AnimationTool::Top), 5000);

    // The next slide's end must not reach the window closed earlier once it is shown again.
    leaving.show();
    tool->animateWidget(100, &coming, AnimationTool::Top, false);
    QTRY_VERIFY_WITH_TIMEOUT(!coming.isVisible(), 5000);
    QVERIFY(leaving.isVisible());
}

void TestAnimationTool::nullWidgetIsIgnored()
{
    AnimationTool::getInstance()->animateWidget(250, nullptr, AnimationTool::Top, true);
    AnimationTool::getInstance()->animateWidget(250, nullptr, AnimationTool::Top, false);
}

QTEST_MAIN(TestAnimationTool)
#include "TestAnimationTool.moc"
