// The question detail popup over a quiz's service, and the explanation window.
#include "StatsTestSupport.h"
#include "ZUExplanationDlg.h"
#include "ZUOptionChart.h"
#include "ZUStaffAnyItem.h"
#include "ZUSubjectDlg.h"
#include "ZUTAVPieDialog.h"
#include "ZUTAVPieHeader.h"
#include "ZUTAVPlot.h"

#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

using namespace StatsTestSupport;

namespace {
// A picture of the given size under that name in the program directory's paper folder.
QString picture(const QString& name, const QSize& size)
{
    const QString folder = QCoreApplication::applicationDirPath() + "/PaperData/";
    QDir().mkpath(folder);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.save(folder + name);
    return name;
}
} // namespace

class TestZUSubjectDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useProgramDir();
        useClass(30);
        loadPaper(m_ser,
                  { { "q1", 1, "B", picture("q1Text.png", { 400, 300 }), picture("q1Resolve.png", { 1600, 400 }) },
                    { "q2", 2, "A|B", "q1Text.png", "missing.png" } },
                  { { 1, "单项选择题" }, { 2, "综合题" } });
        // Item 1: A 10, B 6, C 4, D 3, AB 2, AC 1, nobody 4; item 3 left to the class.
        const QStringList answers { "A", "B", "C", "D", "AB", "AC" };
        const int counts[] = { 10, 6, 4, 3, 2, 1 };
        int s = 0;
        for (int k = 0; k < answers.size(); ++k) {
            for (int n = 0; n < counts[k]; ++n)
                answer(m_ser, s++, 0, answers.at(k));
        }
        m_popup->show();
    }

    void answerShowsItsItemNumberOnlyAmongSeveral_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("answer");
        QTest::newRow("single item") << 1 << "B";
        QTest::newRow("second of two") << 3 << "[2] B";
    }
    void answerShowsItsItemNumberOnlyAmongSeveral()
    {
        QFETCH(int, number);
        QFETCH(QString, answer);
        m_popup->on_ExpBtn_clicked();
        m_popup->showQuestion(number);
        QCOMPARE(m_popup->answerText(), answer);
        QCOMPARE(m_popup->currentTab(), 0);
        // The question picture takes the label's width, less 10.
        QCOMPARE(m_popup->questionLabel()->pixmap(Qt::ReturnByValue).width(), m_popup->questionLabel()->width() - 10);
    }

    void graphGivesSpecialGroupsTheirColours()
    {
        m_popup->showQuestion(1);
        QStringList legend;
        for (ZUTAVPieHeader* row : m_popup->chart().legend())
            legend << row->findChild<QLabel*>("nameLabel")->text() + ' '
                    + row->findChild<QLabel*>("percentLabel")->text() + ' '
                    + row->findChild<QLabel*>("colorLabel")->styleSheet();
        QCOMPARE(
            legend,
            QStringList(
                { "A 33.3% background-color: rgb(102, 212, 255);", "B 20.0% background-color: rgb(133, 145, 229);",
                  "C 13.3% background-color: rgb(249, 140, 80);", "D 10.0% background-color: rgb(249, 206, 97);",
                  "AB 6.7% background-color: rgb(84, 207, 121);", "其他 3.3% background-color: rgb(226, 129, 186);",
                  "未作答 13.3% background-color: rgb(231, 231, 231);" }));
        QCOMPARE(m_popup->findChildren<ZUTAVPlot*>().size(), 1);
    }

    void personsTabListsEveryOptionOnce()
    {
        m_popup->showQuestion(1);
        m_popup->on_DetBtn_clicked();
        m_popup->on_DetBtn_clicked();
        QCOMPARE(m_popup->currentTab(), 1);
        QStringList blocks;
        for (ZUStaffAnyItem* block : m_popup->staffItems())
            blocks << block->titleLabel()->text() + ' ' + block->countLabel()->text();
        QCOMPARE(blocks, QStringList({ "A 10人", "B 6人", "C 4人", "D 3人", "AB 2人", "AC 1人", "未作答 4人" }));
        QCOMPARE(m_popup->findChildren<ZUStaffAnyItem*>().size(), 7);
        QCOMPARE(m_popup->staffItems().first()->namesTable()->item(0, 0)->text(), studentName(0));
        ZUStaffAnyItem wide(900, nullptr);
        QCOMPARE(wide.setData("42", names(15)), 128);
        QCOMPARE(wide.namesTable()->columnCount(), 7);
    }

    // The blocks of the last item are filled again for the next: none may keep its option, count or names.
    void personsTabShowsTheNewItemOnly()
    {
        m_popup->showQuestion(1);
        m_popup->on_DetBtn_clicked();
        // Item 2 is left to the class: everybody in one group.
        m_popup->showQuestion(2);
        m_popup->on_DetBtn_clicked();
        QCOMPARE(m_popup->staffItems().size(), 1);
        QCOMPARE(m_popup->findChildren<ZUStaffAnyItem*>().size(), 1);
        const ZUStaffAnyItem* block = m_popup->staffItems().first();
        QCOMPARE(block->titleLabel()->text() + ' ' + block->countLabel()->text(), QString("未作答 30人"));
        const QTableWidget* table = block->namesTable();
        QCOMPARE(table->rowCount() * table->columnCount(), 30);
        QCOMPARE(table->item(table->rowCount() - 1, table->columnCount() - 1)->text(), studentName(29));
        m_popup->showQuestion(1);
        m_popup->on_DetBtn_clicked();
        QCOMPARE(m_popup->staffItems().last()->titleLabel()->text() + ' '
                     + m_popup->staffItems().last()->namesTable()->item(0, 0)->text(),
                 "未作答 " + studentName(26));
    }

    void explanationTabScalesItsPicture()
    {
        m_popup->showQuestion(1);
        m_popup->on_ExpBtn_clicked();
        QCOMPARE(m_popup->currentTab(), 2);
        QCOMPARE(m_popup->explanationLabel()->pixmap(Qt::ReturnByValue).size(), QSize(790, 198));
        m_popup->showQuestion(2);
        m_popup->on_ExpBtn_clicked();
        QVERIFY(m_popup->explanationLabel()->pixmap(Qt::ReturnByValue).isNull());
    }

    void pressBesideThePanelCloses()
    {
        QTest::mouseClick(m_popup->panel()->findChild<QLabel*>("AnswerLbl"), Qt::LeftButton);
        QVERIFY(m_popup->isVisible());
        QTest::mouseClick(m_popup, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(m_popup->isHidden());
        m_popup->show();
    }

    void emptyClassGivesEmptyTabs()
    {
        useClass(0);
        m_ser.resetAnswerRecords();
        m_popup->showQuestion(1);
        QVERIFY(m_popup->chart().legend().isEmpty());
        m_popup->on_DetBtn_clicked();
        QVERIFY(m_popup->staffItems().isEmpty());
    }

    void explanationWindowScalesAndScrolls()
    {
        ZUExplanationDlg* dlg = ZUExplanationDlg::getInstance();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(dlg->pos(), QPoint((area.width() - 836) / 2, area.height() - 432));
        dlg->show();
        const QLabel* label = dlg->explanationLabel();
        dlg->setData(QPixmap(QSize(1000, 3000)), "1、AC  2、B");
        QCOMPARE(label->pixmap(Qt::ReturnByValue).width(), label->width() - 10);
        QCOMPARE(dlg->answerText(), QString("1、AC  2、B"));
        QTRY_VERIFY_WITH_TIMEOUT(dlg->scrollArea()->verticalScrollBar()->maximum() > 0, 30000);
        dlg->setData(QPixmap(), "C");
        QVERIFY(label->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(dlg->answerText(), QString("C"));
    }

    // What the teacher opened the popup for, the chart of the item, stands in the panel as it opens, below the
    // answer and the start of the question, however long the question is; a longer question scrolls.
    void chartIsInViewWhenThePopupOpens_data()
    {
        QTest::addColumn<int>("pictureHeight");
        QTest::newRow("three lines") << 200;
        QTest::newRow("twelve lines") << 560;
        QTest::newRow("a page") << 1400;
    }
    void chartIsInViewWhenThePopupOpens()
    {
        QFETCH(int, pictureHeight);
        useClass(10);
        const QString name = picture(QString("tall%1.png").arg(pictureHeight), { 1000, pictureHeight });
        loadPaper(m_ser, { { "q6", 3, "AC|B", name, name } }, { { 3, "综合题" } });
        for (int s = 0; s < 9; ++s)
            answer(m_ser, s, 0, s % 3 ? "AC" : "A");
        // Left on another tab, scrolled down, by the last item looked at.
        m_popup->on_DetBtn_clicked();
        QWidget* viewport = m_popup->panel()->parentWidget();
        QScrollBar* panelBar = qobject_cast<QScrollArea*>(viewport->parentWidget())->verticalScrollBar();
        panelBar->setValue(panelBar->maximum());
        m_popup->showQuestion(1);
        QCOMPARE(m_popup->currentTab(), 0);
        const auto shown = [viewport](const QWidget* widget) {
            return viewport->rect().contains(QRect(widget->mapTo(viewport, QPoint(0, 0)), widget->size()));
        };
        // Laid out as the teacher sees it: each layout's pass asks for its children's.
        for (int pass = 0; pass < 5; ++pass)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QVERIFY(shown(m_popup->chart().plot()));
        QVERIFY(shown(m_popup->chart().pie()));
        QVERIFY(shown(m_popup->panel()->findChild<QLabel*>("AnswerLbl")));
        QVERIFY(m_popup->questionLabel()->mapTo(viewport, QPoint(0, 0)).y() >= 0);
        // The whole question can still be read.
        QScrollArea* pictureArea = m_popup->panel()->findChild<QScrollArea*>("TopScrollArea");
        QCOMPARE(pictureArea->verticalScrollBar()->maximum() + pictureArea->viewport()->height(),
                 m_popup->questionLabel()->pixmap(Qt::ReturnByValue).height());
    }

private:
    ZUBaseExamSer m_ser;
    ZUSubjectDlg* m_popup = ZUSubjectDlg::getInstance();
};

QTEST_MAIN(TestZUSubjectDlg)
#include "TestZUSubjectDlg.moc"
