// Who has finished, who is answering and who has not answered the current question.
#include "StatsTestSupport.h"
#include "ZUExamAnsStuDlg.h"

#include <QLabel>
#include <QTableWidget>
#include <QtTest>

using namespace StatsTestSupport;

class TestZUExamAnsStuDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useProgramDir(); }

    void groupsFillTheirGrids_data()
    {
        QTest::addColumn<QList<int>>("sizes"); // finished, answering, not answered, items
        QTest::addColumn<QList<int>>("rows"); // table rows of the three groups
        QTest::addColumn<int>("contents");
        QTest::newRow("nobody") << QList<int> { 0, 0, 0, 1 } << QList<int> { 0, 0, 0 } << 402;
        QTest::newRow("one student") << QList<int> { 1, 0, 0, 2 } << QList<int> { 1, 0, 0 } << 402;
        QTest::newRow("one item hides answering") << QList<int> { 30, 12, 18, 1 } << QList<int> { 5, 0, 3 } << 402;
        QTest::newRow("three full groups") << QList<int> { 60, 60, 60, 2 } << QList<int> { 10, 10, 10 } << 902;
        // A short group still takes its title's height: the names below it must stay reachable.
        QTest::newRow("short group first") << QList<int> { 0, 60, 60, 2 } << QList<int> { 0, 10, 10 } << 692;
    }
    void groupsFillTheirGrids()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(QList<int>, rows);
        QFETCH(int, contents);
        ZUExamAnsStuDlg* dlg = ZUExamAnsStuDlg::getInstance();
        dlg->show();
        dlg->setData(names(sizes[0]), names(sizes[1], 60), names(sizes[2], 120), sizes[3]);
        QCOMPARE(dlg->finishedCount()->text(), QString::number(sizes[0]) + "人");
        QCOMPARE(dlg->notAnsweredCount()->text(), QString::number(sizes[2]) + "人");
        QCOMPARE(dlg->answeringSection()->isVisible(), sizes[3] > 1);
        if (sizes[3] > 1)
            QCOMPARE(dlg->answeringCount()->text(), QString::number(sizes[1]) + "人");
        QCOMPARE(dlg->finishedTable()->rowCount(), rows[0]);
        QCOMPARE(dlg->finishedTable()->height(), rows[0] * 30);
        QCOMPARE(dlg->notAnsweredTable()->rowCount(), rows[2]);
        if (sizes[3] > 1)
            QCOMPARE(dlg->answeringTable()->rowCount(), rows[1]);
        QCOMPARE(dlg->contents()->height(), contents);
        if (sizes[0] > 0)
            QCOMPARE(dlg->finishedTable()->item(0, 0)->text(), names(1).first());
    }

    // The groups share the white card between them: no empty band is left under the last one.
    void groupsFillTheCard_data()
    {
        QTest::addColumn<QList<int>>("sizes"); // finished, answering, not answered, items
        QTest::newRow("one item, all answered") << QList<int> { 10, 0, 0, 1 };
        QTest::newRow("one item, some left") << QList<int> { 7, 0, 3, 1 };
        QTest::newRow("two items") << QList<int> { 8, 2, 0, 2 };
        QTest::newRow("a class of sixty") << QList<int> { 40, 12, 8, 3 };
    }
    void groupsFillTheCard()
    {
        QFETCH(QList<int>, sizes);
        ZUExamAnsStuDlg* dlg = ZUExamAnsStuDlg::getInstance();
        dlg->show();
        dlg->setData(names(sizes[0]), names(sizes[1], 60), names(sizes[2], 120), sizes[3]);
        // Laid out as the teacher sees it: each layout's pass asks for its children's.
        for (int pass = 0; pass < 5; ++pass)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QWidget* last = dlg->findChild<QWidget*>("UnWidget");
        QCOMPARE(last->geometry().bottom() + 1, dlg->contents()->height());
        // Every name still in its group's place.
        for (const QTableWidget* table : { dlg->finishedTable(), dlg->answeringTable(), dlg->notAnsweredTable() }) {
            if (table->parentWidget()->isVisible())
                QVERIFY(table->parentWidget()->height() >= table->height());
        }
    }

    void namesRunAlongTheRows()
    {
        ZUExamAnsStuDlg* dlg = ZUExamAnsStuDlg::getInstance();
        int total = 0;
        QLabel count;
        QTableWidget* table = dlg->finishedTable();
        table->setFixedWidth(720);
        dlg->fillNameTable(names(13), table, &count, total);
        QCOMPARE(table->columnCount(), 6);
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(1, 0)->text(), names(7).last());
        QCOMPARE(count.text(), QString("13人"));
        QCOMPARE(total, 90);
        table->setFixedWidth(80);
        dlg->fillNameTable(names(2), table, &count, total);
        QCOMPARE(table->columnCount(), 1);
        QCOMPARE(table->item(1, 0)->text(), names(2).last());
        table->setFixedWidth(640);
    }
};

QTEST_MAIN(TestZUExamAnsStuDlg)
#include "TestZUExamAnsStuDlg.moc"
