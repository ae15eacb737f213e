// The paper analysis, the ranking and the floating control that scrolls and closes them.
#include "StatsTestSupport.h"
#include "ZUAnswerSheet.h"
#include "ZUAnyLevitate.h"
#include "ZUPaperAnalyDlg.h"
#include "ZUStatsFigures.h"
#include "ZUStuRankingDlg.h"
#include "ZUSubjectDlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

using namespace StatsTestSupport;

namespace {
QList<QuestionStatInfo> items(int n)
{
    QList<QuestionStatInfo> rows;
    for (int i = 0; i < n; ++i)
        rows.append({ n - i, "二", "多项选择题", 40, 30 - i % 7, 10 + i % 7, 20 });
    return rows;
}

QList<StuRankingInfo> students(int n)
{
    QList<StuRankingInfo> rows;
    for (int i = 0; i < n; ++i)
        rows.append({ studentName(i), 8000 - 100 * i, 300 + i, 8, 0, 8 - i % 8 });
    return rows;
}

QString rowText(const QTableWidget* table, int row)
{
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c)
        cells << (table->item(row, c) ? table->item(row, c)->text() : QString());
    return cells.join('|');
}
} // namespace

class TestZUReportViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useProgramDir();
        ZUExamMem::getInstance()->m_examSer = nullptr;
    }

    void analysisShowsEachItem()
    {
        ZUPaperAnalyDlg* dlg = ZUPaperAnalyDlg::getInstance();
        dlg->show();
        dlg->setData(items(50));
        dlg->setData({ { 7, "一", "单项选择题", 3, 2, 1, 0 },
                       { 3, "三", "综合题", 0, 0, 0, 0 },
                       { 1, "一", "单项选择题", 3, 1, 2, 0 } });
        QTableWidget* table = dlg->table();
        QCOMPARE(table->rowCount(), 3);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(rowText(table, 0).section('|', 0, 3), QString("一|单项选择题|7|66%"));
        QCOMPARE(rowText(table, 1).section('|', 0, 3), QString("三|综合题|3|0%"));
        QCOMPARE(rowText(table, 2).section('|', 3, 3), QString("33%"));
        QCOMPARE(dlg->findChildren<ZUAnswerSheet*>().size(), 3);
        QCOMPARE(dlg->buttonRows().size(), 3);
        const auto* bar = qobject_cast<ZUAnswerSheet*>(table->cellWidget(2, 4));
        QCOMPARE(bar->rightText() + bar->wrongText() + bar->unansweredText(), QString("1人2人0人"));
        const QVector<int> widths = ZUStatsFigures::analysisColumnWidths(table->width());
        for (int c = 0; c < widths.size(); ++c)
            QCOMPARE(table->columnWidth(c), widths.at(c));
        QCOMPARE(bar->totalWidth(), widths.at(4));

        // The details button of the row of item 7 opens the popup on item 7.
        QTest::mouseClick(static_cast<QPushButton*>(table->cellWidget(0, 5)), Qt::LeftButton);
        QVERIFY(ZUSubjectDlg::getInstance()->isVisible());
        QCOMPARE(ZUSubjectDlg::getInstance()->itemIndex(), 6);
        ZUSubjectDlg::getInstance()->hide();

        dlg->setData({});
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(dlg->buttonRows().isEmpty());
    }

    // Opening the report again keeps its rows for speed: every row must show the new figures and open its own
    // item, whatever the last report held.
    void analysisRefillShowsTheNewRows_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("fewer") << 50 << 3;
        QTest::newRow("more") << 3 << 50;
        QTest::newRow("as many") << 20 << 20;
        QTest::newRow("none") << 0 << 5;
    }
    void analysisRefillShowsTheNewRows()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        ZUPaperAnalyDlg* dlg = ZUPaperAnalyDlg::getInstance();
        dlg->show();
        dlg->setData(items(before));
        QList<QuestionStatInfo> rows;
        for (int i = 0; i < after; ++i)
            rows.append({ 100 + i, "三", "综合题", 60 - i, 50 - i, i, 10 });
        dlg->setData(rows);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTableWidget* table = dlg->table();
        QCOMPARE(table->rowCount(), after);
        QCOMPARE(dlg->findChildren<ZUAnswerSheet*>().size(), after);
        QCOMPARE(dlg->buttonRows().size(), after);
        for (int i = 0; i < after; ++i) {
            const auto* bar = qobject_cast<ZUAnswerSheet*>(table->cellWidget(i, 4));
            QCOMPARE(rowText(table, i).section('|', 0, 3) + ' ' + bar->rightText() + bar->wrongText()
                         + bar->unansweredText(),
                     QString("三|综合题|%1|%2% %3人%4人10人").arg(100 + i).arg((50 - i) * 100 / 60).arg(50 - i).arg(i));
            QCOMPARE(dlg->buttonRows().value(static_cast<QPushButton*>(table->cellWidget(i, 5)), -1), i);
        }
        QTest::mouseClick(static_cast<QPushButton*>(table->cellWidget(after - 1, 5)), Qt::LeftButton);
        QCOMPARE(ZUSubjectDlg::getInstance()->itemIndex(), 100 + after - 2);
        ZUSubjectDlg::getInstance()->hide();
    }

    void rankingShowsPlacesAndPodium()
    {
        ZUStuRankingDlg* dlg = ZUStuRankingDlg::getInstance();
        dlg->setData(students(5));
        QCOMPARE(dlg->table()->rowCount(), 5);
        QCOMPARE(rowText(dlg->table(), 1), "2|" + studentName(1) + "|79分|87%|5分1秒|8|0");
        // A shorter ranking leaves no name of the longer one on the podium; no time, no podium.
        StuRankingInfo absent { "缺考", 0, 86400, 0, 8, 0 };
        dlg->setData({ students(1).first(), absent });
        QCOMPARE(dlg->firstName()->text() + '|' + dlg->secondName()->text() + '|' + dlg->thirdName()->text(),
                 studentName(0) + "||");
        QCOMPARE(rowText(dlg->table(), 1), QString("2|缺考|0分|0%|--|0|8"));
        // Equal results keep their order in the list.
        dlg->setData({ students(1).first(), students(1).first() });
        QCOMPARE(dlg->table()->item(1, 0)->text(), QString("2"));
        const int column = (QGuiApplication::primaryScreen()->availableGeometry().width() - 100) / 7;
        QCOMPARE(dlg->table()->columnWidth(5), column);
    }

    void levitateScrollsAndClosesBothWindows()
    {
        ZUPaperAnalyDlg* analysis = ZUPaperAnalyDlg::getInstance();
        ZUStuRankingDlg* ranking = ZUStuRankingDlg::getInstance();
        ZUAnyLevitate* levitate = ZUAnyLevitate::getInstance();
        analysis->hide();
        ranking->hide();
        levitate->on_downBtn_clicked();
        levitate->on_closeBtn_clicked();

        analysis->show();
        analysis->setData(items(50));
        analysis->showLevitate();
        analysis->table()->verticalScrollBar()->setValue(20);
        ranking->setData(students(60));
        ranking->showLevitate();
        // A new report starts at its top.
        analysis->setData(items(50));
        QCOMPARE(levitate->parent(), ranking->table());
        QCOMPARE(levitate->geometry().bottomRight(), ranking->table()->rect().bottomRight());
        QScrollBar* a = analysis->table()->verticalScrollBar();
        QScrollBar* r = ranking->table()->verticalScrollBar();
        QTRY_VERIFY_WITH_TIMEOUT(a->maximum() > 0 && r->maximum() > 0, 30000);
        QTest::mouseClick(levitate->upButton(), Qt::LeftButton);
        QCOMPARE(a->value() + r->value(), 0);
        QTest::mouseClick(levitate->downButton(), Qt::LeftButton);
        QCOMPARE(a->value(), 1);
        QCOMPARE(r->value(), 1);
        // At the foot of the long table a press changes nothing.
        for (int i = 0; i < 70; ++i)
            levitate->on_downBtn_clicked();
        QCOMPARE(r->value(), r->maximum());
        QCOMPARE(a->value(), a->maximum());

        // Close hides both windows, whichever carries the control.
        QTest::mouseClick(levitate->closeButton(), Qt::LeftButton);
        QVERIFY(analysis->isHidden() && ranking->isHidden());
        QVERIFY(!levitate->isVisible());
    }
};

QTEST_MAIN(TestZUReportViews)
#include "TestZUReportViews.moc"
