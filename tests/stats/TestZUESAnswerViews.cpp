// The option chart and the option name list of a one-item question, filled as the run screen fills them.
#include "StatsTestSupport.h"
#include "ZUESAnswerGraphDlg.h"
#include "ZUESAnswerItem.h"
#include "ZUESAnswerListDlg.h"
#include "ZUOptionChart.h"
#include "ZUTAVPieHeader.h"
#include "ZUTAVPlot.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtTest>
#include <qwt_scale_div.h>

using namespace StatsTestSupport;

namespace {
// The legend as read top to bottom: name and share of each row.
QStringList legendText(const ZUOptionChart& chart)
{
    QStringList rows;
    for (ZUTAVPieHeader* header : chart.legend())
        rows << header->findChild<QLabel*>("nameLabel")->text() + ' '
                + header->findChild<QLabel*>("percentLabel")->text();
    return rows;
}
} // namespace

class TestZUESAnswerViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useProgramDir(); }

    void chartLegendListsTheLastOptionFirst_data()
    {
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<QVector<QString>>("names");
        QTest::addColumn<QStringList>("legend");
        QTest::newRow("nobody") << QVector<double> {} << QVector<QString> {} << QStringList {};
        QTest::newRow("one option") << QVector<double> { 30 } << QVector<QString> { "A" } << QStringList { "A 100.0%" };
        QTest::newRow("shares") << QVector<double> { 3, 1, 0 } << QVector<QString> { "A", "B", "C" }
                                << QStringList { "C 0.0%", "B 25.0%", "A 75.0%" };
        QTest::newRow("class") << QVector<double> { 2, 5, 8, 45 } << QVector<QString> { "未作答", "其他", "B", "A" }
                               << QStringList { "A 75.0%", "B 13.3%", "其他 8.3%", "未作答 3.3%" };
        QTest::newRow("all zero") << QVector<double> { 0, 0 } << QVector<QString> { "A", "B" }
                                  << QStringList { "B 0.0%", "A 0.0%" };
    }
    void chartLegendListsTheLastOptionFirst()
    {
        QFETCH(QVector<double>, values);
        QFETCH(QVector<QString>, names);
        QFETCH(QStringList, legend);
        ZUESAnswerGraphDlg* graph = ZUESAnswerGraphDlg::getInstance();
        graph->setRightAnswer("A");
        graph->setData({ 9, 9, 9, 9, 9, 9, 9 }, {}, { "1", "2", "3", "4", "5", "6", "7" });
        graph->setData(values, QVector<QColor>(values.size(), Qt::green), names);
        QVERIFY(graph->isVisible());
        QCOMPARE(graph->rightAnswer(), QString("A"));
        QCOMPARE(legendText(graph->chart()), legend);
        // One chart, one pie and one legend: the spacer still last.
        QCOMPARE(graph->findChildren<ZUTAVPlot*>().size(), 1);
        QCOMPARE(graph->findChildren<ZUTAVPieHeader*>().size(), legend.size());
        QVBoxLayout* legendLayout = graph->chart().legendLayout();
        QCOMPARE(legendLayout->itemAt(legendLayout->count() - 1)->spacerItem(), graph->chart().spacer());
        // The count after the longest bar is not cut off at the chart's edge.
        if (!values.isEmpty() && values.first() > 0)
            QVERIFY(graph->chart().plot()->axisScaleDiv(QwtPlot::xBottom).upperBound() >= values.first() * 1.1);
    }

    void listStacksTheLastOptionOnTop()
    {
        ZUESAnswerListDlg* list = ZUESAnswerListDlg::getInstance();
        list->setRightAnswer("B");
        list->setAnswerNames({ "A", "B" }, { names(40), names(2, 40) });
        list->scrollArea()->verticalScrollBar()->setValue(50);
        list->setAnswerNames({ "A", "B", "其他", "未作答" }, { names(13), names(5, 13), {}, names(2, 18) });
        QStringList shown;
        for (ZUESAnswerItem* row : list->rows())
            shown << row->titleLabel()->text() + ' ' + row->countLabel()->text() + ' '
                    + QString::number(row->titleLabel()->font().pixelSize());
        QCOMPARE(shown, QStringList({ "未作答 2人 28", "其他 0人 28", "B 5人 60", "A 13人 60" }));
        // Five columns of the 590-pixel table: 13 names take three rows.
        const QTableWidget* a = list->rows().last()->namesTable();
        QCOMPARE(a->item(2, 2)->text(), names(13).last());
        QCOMPARE(list->rows().last()->height(), 128);
        QCOMPARE(list->contents()->height(), 108 * 3 + 128 + 9);
        QCOMPARE(list->scrollArea()->verticalScrollBar()->value(), 0);
        list->setAnswerNames({}, {});
        QVERIFY(list->rows().isEmpty());
        QCOMPARE(list->contents()->height(), 0);
    }

    // The rows of the last fill are filled again: none may keep an option, a name or a height of it.
    void listRefillKeepsNothingOfTheLastFill()
    {
        ZUESAnswerListDlg* list = ZUESAnswerListDlg::getInstance();
        list->setAnswerNames({ "A", "B", "其他", "未作答" }, { names(40), names(13, 40), names(5, 53), names(2, 58) });
        list->setAnswerNames({ "未作答", "C" }, { {}, names(3, 7) });
        QCOMPARE(list->rows().size(), 2);
        QCOMPARE(list->findChildren<ZUESAnswerItem*>().size(), 2);
        QStringList shown;
        for (ZUESAnswerItem* row : list->rows()) {
            QStringList grid;
            for (int r = 0; r < row->namesTable()->rowCount(); ++r) {
                for (int c = 0; c < row->namesTable()->columnCount(); ++c) {
                    if (const QTableWidgetItem* item = row->namesTable()->item(r, c))
                        grid << item->text();
                }
            }
            shown << row->titleLabel()->text() + ' ' + row->countLabel()->text() + ' '
                    + QString::number(row->titleLabel()->font().pixelSize()) + ' ' + QString::number(row->height())
                    + ' ' + grid.join(',');
        }
        QCOMPARE(shown, QStringList({ "C 3人 60 108 " + names(3, 7).join(','), "未作答 0人 28 108 " }));
        QCOMPARE(list->contents()->height(), 108 * 2 + 9);
    }

    void rowFollowsItsTableWidth_data()
    {
        QTest::addColumn<int>("names");
        QTest::addColumn<int>("height");
        QTest::newRow("13 names") << 13 << 128;
        QTest::newRow("5 names") << 5 << 108;
        QTest::newRow("nobody") << 0 << 108;
    }
    void rowFollowsItsTableWidth()
    {
        QFETCH(int, names);
        QFETCH(int, height);
        ZUESAnswerItem row;
        row.namesTable()->setFixedWidth(620);
        QCOMPARE(row.setData("ABCDEFGH", StatsTestSupport::names(names)), height);
        QCOMPARE(row.namesTable()->columnCount(), 6);
        QCOMPARE(row.countLabel()->text(), QString::number(names) + "人");
        QCOMPARE(row.titleLabel()->text(), QString("ABCD\nEFG\nH"));
        if (names > 6)
            QCOMPARE(row.namesTable()->item(1, 0)->text(), StatsTestSupport::names(7).last());
    }
};

QTEST_MAIN(TestZUESAnswerViews)
#include "TestZUESAnswerViews.moc"
