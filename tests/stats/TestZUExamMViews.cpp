// The right/wrong bars and the option table of a question with several answer items.
#include "StatsTestSupport.h"
#include "ZUAnswerSheet.h"
#include "ZUExamMGraphDlg.h"
#include "ZUExamMGraphItemDlg.h"
#include "ZUExamMTableDlg.h"
#include "ZUExamMTableItemDlg.h"
#include "ZUOptionCountCells.h"

#include <QLabel>
#include <QtTest>

using namespace StatsTestSupport;

namespace {
QuestionStatInfo stat(int number, int right, int wrong, int unanswered)
{
    return { number, "一", "单项选择题", right + wrong, right, wrong, unanswered };
}

QString cellText(const ZUExamMTableItemDlg* row, int column)
{
    return row->cells()->cellText(column);
}
} // namespace

class TestZUExamMViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useProgramDir(); }

    void barsShareTheirWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<QString>("shown"); // widths, then the counts on the bars
        QTest::newRow("thirds") << 300 << QList<int> { 1, 1, 1 } << "100 100 100 1人 1人 1人";
        QTest::newRow("one empty") << 300 << QList<int> { 2, 1, 0 } << "200 100 0 2人 1人 0人";
        QTest::newRow("pixel short") << 100 << QList<int> { 1, 1, 1 } << "33 33 33 1人 1人 1人";
    }
    void barsShareTheirWidth()
    {
        QFETCH(int, width);
        QFETCH(QList<int>, counts);
        QFETCH(QString, shown);
        ZUAnswerSheet sheet;
        sheet.setTotalWidth(width);
        sheet.setData(counts[0], counts[1], counts[2]);
        const QString widths = QStringList { QString::number(sheet.rightWidth()),
                                             QString::number(sheet.wrongWidth()),
                                             QString::number(sheet.unansweredWidth()),
                                             sheet.rightText(),
                                             sheet.wrongText(),
                                             sheet.unansweredText() }
                                   .join(' ');
        QCOMPARE(widths, shown);
        // Nobody at all changes nothing.
        sheet.setData(0, 0, 0);
        QCOMPARE(sheet.rightText() + QString::number(sheet.rightWidth()),
                 shown.section(' ', 3, 3) + shown.section(' ', 0, 0));
    }

    // The bars are drawn where their widths say, in their colours, and nothing is drawn beyond them.
    void barsArePaintedInTheirWidths()
    {
        QWidget row;
        row.setStyleSheet("background-color: #ffffff;");
        row.resize(400, 60);
        auto* sheet = new ZUAnswerSheet(&row);
        sheet->setGeometry(0, 0, 400, 60);
        sheet->setTotalWidth(300);
        sheet->setData(2, 1, 1);
        const QImage picture = row.grab().toImage();
        const auto colourAt = [&](int x) {
            const QColor c = picture.pixelColor(x, 30);
            if (c.red() > 240 && c.green() > 240 && c.blue() > 240)
                return QString("white");
            if (c.green() > c.red() + 40)
                return QString("green");
            if (c.red() > c.green() + 40)
                return QString("red");
            return qAbs(c.red() - c.green()) < 12 && qAbs(c.green() - c.blue()) < 12 ? QString("grey") : c.name();
        };
        QCOMPARE(QStringList({ colourAt(140), colourAt(190), colourAt(260), colourAt(310), colourAt(30 + 1) }),
                 QStringList({ "green", "red", "grey", "white", "green" }));
        // Above and below the bar the row shows through.
        QCOMPARE(picture.pixelColor(140, 5), QColor(Qt::white));
    }

    void barsWindowNumbersItsRows()
    {
        ZUExamMGraphDlg* dlg = ZUExamMGraphDlg::getInstance();
        dlg->setData({ "A", "B", "C", "D" },
                     { stat(1, 5, 5, 5), stat(2, 1, 1, 1), stat(3, 0, 0, 1), stat(4, 2, 2, 2) });
        dlg->setData({ "AC", "B", "D" }, { stat(9, 40, 15, 5), stat(7, 0, 0, 60), stat(9, 1, 0, 0) });
        QCOMPARE(dlg->rows().size(), 3);
        QCOMPARE(dlg->findChildren<ZUExamMGraphItemDlg*>().size(), 3);
        QStringList shown;
        for (ZUExamMItemBase* row : dlg->rows()) {
            const ZUAnswerSheet* sheet = static_cast<ZUExamMGraphItemDlg*>(row)->sheet();
            shown << row->numberText() + row->answerText() + ' ' + sheet->rightText() + sheet->wrongText()
                    + sheet->unansweredText() + ' ' + QString::number(sheet->totalWidth());
        }
        QCOMPARE(shown, QStringList({ "1.AC 40人15人5人 440", "2.B 0人0人60人 440", "3.D 1人0人0人 440" }));
        dlg->setData({}, {});
        QVERIFY(dlg->rows().isEmpty());
    }

    // Another question shown in the same window keeps its rows for speed: nothing of the last question may stay.
    void refillShowsTheNewQuestionOnly()
    {
        ZUExamMTableDlg* table = ZUExamMTableDlg::getInstance();
        table->setData({ "A", "B" },
                       { { 0, { { "A", 10 }, { "B", 20 }, { "C", 5 }, { "其他", 4 }, { "未作答", 3 } } },
                         { 1, { { "B", 30 } } } });
        table->setData({ "D" }, { { 0, { { "D", 2 } } } });
        QCOMPARE(table->rows().size(), 1);
        QCOMPARE(table->findChildren<ZUExamMTableItemDlg*>().size(), 1);
        const auto* row = static_cast<ZUExamMTableItemDlg*>(table->rows().first());
        QStringList cells;
        for (int c = 0; c < ZUOptionCountCells::kColumns; ++c)
            cells << cellText(row, c);
        QCOMPARE(row->numberText() + row->answerText() + ' ' + cells.join('|'), QString("1.D D.2|||||"));

        ZUExamMGraphDlg* bars = ZUExamMGraphDlg::getInstance();
        bars->setData({ "A", "C" }, { stat(1, 30, 20, 10), stat(2, 5, 5, 50) });
        // A class without students answers nobody: no bar keeps the last counts.
        bars->setData({ "B" }, { stat(1, 0, 0, 0) });
        QCOMPARE(bars->findChildren<ZUAnswerSheet*>().size(), 1);
        const ZUAnswerSheet* sheet = static_cast<ZUExamMGraphItemDlg*>(bars->rows().first())->sheet();
        QCOMPARE(sheet->rightText() + sheet->wrongText() + sheet->unansweredText(), QString());
        QCOMPARE(sheet->rightWidth() + sheet->wrongWidth() + sheet->unansweredWidth(), 0);
        bars->setData({ "B", "D" }, { stat(1, 1, 2, 3), stat(2, 6, 0, 0) });
        QCOMPARE(static_cast<ZUExamMGraphItemDlg*>(bars->rows().last())->sheet()->rightText(), QString("6人"));
    }

    void tableRowsShowEachOption()
    {
        ZUExamMTableDlg* dlg = ZUExamMTableDlg::getInstance();
        dlg->setData({ "X" }, { { 0, { { "A", 1 } } } });
        dlg->setData({ "A", "C", "B" },
                     { { 0, { { "A", 12 }, { "B", 5 }, { "未作答", 3 } } },
                       { 1, { { "C", 20 } } },
                       { 2, {} },
                       { 5, { { "<b>", 1 } } } });
        QCOMPARE(dlg->rows().size(), 4);
        const auto* first = static_cast<ZUExamMTableItemDlg*>(dlg->rows().first());
        QCOMPARE(first->numberText() + first->answerText(), QString("1.A"));
        QCOMPARE(QStringList({ cellText(first, 0), cellText(first, 1), cellText(first, 2) }),
                 QStringList({ "A.12", "B.5", "未作答.3" }));
        QCOMPARE(first->cells()->cellWidth(), 100);
        const auto* empty = static_cast<ZUExamMTableItemDlg*>(dlg->rows().at(2));
        QCOMPARE(empty->numberText() + empty->answerText(), QString("3.B"));
        QCOMPARE(empty->cells()->cellCount(), 0);
        // A key beyond the answers has no answer.
        const auto* odd = static_cast<ZUExamMTableItemDlg*>(dlg->rows().last());
        QCOMPARE(odd->numberText() + odd->answerText() + cellText(odd, 0), QString("4.<b>.1"));
    }

    void tableCellsTakeASixthOfTheRow()
    {
        ZUExamMTableItemDlg row;
        row.cells()->setFixedWidth(610);
        // A seventh group has no place in the row.
        row.setData({ { "A", 1 }, { "B", 2 }, { "C", 3 }, { "D", 4 }, { "E", 5 }, { "其他", 6 }, { "未作答", 7 } });
        QCOMPARE(row.cells()->cellCount(), 6);
        QCOMPARE(row.cells()->cellWidth(), 101);
        QCOMPARE(cellText(&row, 5), QString("其他.6"));
    }
};

QTEST_MAIN(TestZUExamMViews)
#include "TestZUExamMViews.moc"
