#include "AnimationTool.h"

#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>
#include <QtTest>

class TestAnimationTool : public QObject
{
    Q_OBJECT
private slots:
    void interruptedSlideOutClosesOnlyItsWidget();
    void hiddenWindowStopsItsSlide();
};

void TestAnimationTool::interruptedSlideOutClosesOnlyItsWidget()
{
    QWidget leaving(nullptr, Qt::FramelessWindowHint);
    QWidget coming(nullptr, Qt::FramelessWindowHint);
    leaving.show();
    coming.show();
    AnimationTool* tool = AnimationTool::getInstance();
    tool->animateWidget(5000, &leaving, AnimationTool::Left, false);
    tool->animateWidget(100, &coming, AnimationTool::Top, true);
    QVERIFY(!leaving.isVisible());
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QTRY_COMPARE_WITH_TIMEOUT(coming.y(), available.top(), 30000);

    // The end of a later slide must not reach the window closed earlier once it is shown again.
    leaving.show();
    tool->animateWidget(100, &coming, AnimationTool::Top, false);
    QTRY_VERIFY_WITH_TIMEOUT(!coming.isVisible(), 30000);
    QCOMPARE(coming.geometry().bottom(), available.top() - 1);
    QVERIFY(leaving.isVisible());
}

// A slide of a window nobody sees any more would only keep waking the interface thread.
void TestAnimationTool::hiddenWindowStopsItsSlide()
{
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.show();
    AnimationTool* tool = AnimationTool::getInstance();
    tool->animateWidget(5000, &window, AnimationTool::Left, true);
    auto* slide = tool->findChild<QPropertyAnimation*>();
    QVERIFY(slide);
    QCOMPARE(slide->state(), QAbstractAnimation::Running);
    window.hide();
    QCOMPARE(slide->state(), QAbstractAnimation::Stopped);
}

QTEST_MAIN(TestAnimationTool)
#include "TestAnimationTool.moc"
