#include "ZURepaintPacer.h"

#include <QElapsedTimer>
#include <QWidget>
#include <QtTest>

namespace {

// A window that notes every repaint and what it showed then.
class Canvas : public QWidget
{
public:
    int paints = 0;
    int value = 0;
    int painted = -1;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        painted = value;
    }
};

} // namespace

// A paced window: changes close together are drawn in one repaint, and the last change is always drawn.
class TestZURepaintPacer : public QObject
{
    Q_OBJECT

private slots:
    void changesCloseTogetherShareARepaint_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("changes");
        QTest::newRow("one change") << 300 << 1;
        QTest::newRow("a burst") << 300 << 40;
        QTest::newRow("a burst with a short interval") << 20 << 40;
    }

    void changesCloseTogetherShareARepaint()
    {
        QFETCH(int, intervalMs);
        QFETCH(int, changes);
        Canvas window;
        window.resize(200, 100);
        new ZURepaintPacer(&window, intervalMs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY_WITH_TIMEOUT(window.painted == 0, 30000);
        QTest::qWait(intervalMs + 50);

        const int before = window.paints;
        QElapsedTimer clock;
        clock.start();
        for (int i = 1; i <= changes; ++i) {
            window.value = i;
            window.update();
            QTest::qWait(2);
        }
        const qint64 spent = clock.elapsed();
        // The last change reaches the screen however the burst fell.
        QTRY_COMPARE_WITH_TIMEOUT(window.painted, changes, 30000);
        // Never more than one repaint an interval, plus the one that ends the burst.
        QVERIFY2(window.paints - before <= spent / intervalMs + 2,
                 qPrintable(QString("%1 repaints in %2 ms").arg(window.paints - before).arg(spent)));
    }
};

QTEST_MAIN(TestZURepaintPacer)
#include "TestZURepaintPacer.moc"
