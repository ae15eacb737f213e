// The program's result windows opened from the question-by-question screen: each button or key shows its window
// of stats/ inside the screen, filled, and the reports over it.
#include "AnimationTool.h"
#include "ContrastRatio.h"
#include "ExamResultViews.h"
#include "ExamTestSupport.h"
#include "ScreenGeometry.h"
#include "ZUESAnswerItem.h"
#include "ZUESAnswerListDlg.h"
#include "ZUESAnswerWindow.h"
#include "ZUExamMem.h"
#include "ZUStepExamDlg.h"
#include "ZUStepExamSer.h"
#include "ZUSubjectDlg.h"

#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>

using namespace ExamTestSupport;

class TestExamResultViews : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    ExamResultViews m_views;

private slots:
    void initTestCase()
    {
        // A classroom PC's screen, before any window places itself on it.
        QVERIFY(ScreenGeometry::useFullHd());
        QVERIFY(DbTestSupport::freshDatabase());
        QVERIFY(startService(m_service));
        ZUExamResultViews::install(&m_views);
        useScreenClass(10);
        openReceiver();
        ZUExamMem::getInstance()->m_examDuration = 300;
        ZUStepExamSer* ser = ZUStepExamSer::getInstance();
        QVERIFY(loadPaper(m_service, *ser, { "C", "A|B" }));
        QString error;
        QCOMPARE(ser->checkExamSettings(error), 0);
        ZUStepExamDlg::getInstance()->showExam();
    }

    void everyViewOpens_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("view");
        const QStringList two { "NextBtn", "StartExamBtn", "1:1:A", "1:2:B", "StopExamBtn" };
        QTest::newRow("answering") << QStringList { "StartExamBtn", "1:1:C", "PersonBtn" }
                                   << int(ZUExamResultViews::AnsweringPanel);
        QTest::newRow("option chart") << QStringList { "2:1:A", "StopExamBtn", "ChartBtn" }
                                      << int(ZUExamResultViews::OptionChart);
        QTest::newRow("option names") << QStringList { "TableBtn" } << int(ZUExamResultViews::OptionList);
        QTest::newRow("explanation") << QStringList { "key:question" } << int(ZUExamResultViews::Explanation);
        QTest::newRow("item bars") << two + QStringList { "ChartBtn" } << int(ZUExamResultViews::ItemBars);
        QTest::newRow("item table") << QStringList { "TableBtn" } << int(ZUExamResultViews::ItemTable);
        QTest::newRow("paper analysis") << QStringList { "TestAnalyBtn" } << int(ZUExamResultViews::PaperAnalysis);
        QTest::newRow("ranking") << QStringList { "StuInteractBtn" } << int(ZUExamResultViews::Ranking);
    }

    void everyViewOpens()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, view);
        ZUStepExamDlg* screen = ZUStepExamDlg::getInstance();
        QCOMPARE(act(screen, ZUStepExamSer::getInstance(), steps), QString());
        QWidget* window = m_views.window(ZUExamResultViews::View(view));
        QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 30000);
        // The question's windows belong to the screen; the reports stand on their own, full screen.
        QCOMPARE(window->parentWidget() == screen, view < ZUExamResultViews::PaperAnalysis);
        if (auto* options = qobject_cast<ZUESAnswerWindow*>(window))
            QCOMPARE(options->rightAnswer(), QString("C"));
        window->hide();
    }

    // The right answer stands on the dark strip of the option windows: it must read from the back of a classroom.
    void rightAnswerReadsOnItsStrip_data()
    {
        QTest::addColumn<int>("view");
        QTest::newRow("chart") << int(ZUExamResultViews::OptionChart);
        QTest::newRow("names") << int(ZUExamResultViews::OptionList);
    }

    void rightAnswerReadsOnItsStrip()
    {
        QFETCH(int, view);
        QWidget* window = m_views.window(ZUExamResultViews::View(view));
        auto* answer = window->findChild<QLabel*>("rightAnswerL");
        QVERIFY(answer);
        window->show();
        window->ensurePolished();
        answer->ensurePolished();
        const QColor text = answer->palette().color(answer->foregroundRole());
        const QColor strip = answer->parentWidget()->grab().toImage().pixelColor(2, 2);
        window->hide();
        const double contrast = ContrastRatio::between(text, strip);
        QVERIFY2(contrast >= 4.5, qPrintable(QString("%1 on %2: %3").arg(text.name(), strip.name()).arg(contrast)));
    }

    // The report is raised each time it opens; a question's details opened from it come over it every time.
    void detailsOpenOverTheReport()
    {
        ZUStepExamDlg* screen = ZUStepExamDlg::getInstance();
        ZUSubjectDlg* details = ZUSubjectDlg::getInstance();
        RaiseCounter raised(details);
        for (int time = 1; time <= 2; ++time) {
            QCOMPARE(act(screen, ZUStepExamSer::getInstance(), { "TestAnalyBtn" }), QString());
            auto* table = m_views.window(ZUExamResultViews::PaperAnalysis)->findChild<QTableWidget*>("anyTabelWidget");
            auto* button = qobject_cast<QPushButton*>(table->cellWidget(0, 5));
            QVERIFY(button);
            button->click();
            QVERIFY(details->isVisible());
            QCOMPARE(raised.raised, time);
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), details, 20000);
            details->hide();
        }
        m_views.window(ZUExamResultViews::PaperAnalysis)->hide();
    }

    // After a question the table shows how the class of ten answered: every option row stands on the screen,
    // none cut off and no scroll bar, for a question of one item (the names under each option) and of several
    // (an item a row), as long as the rows fit below the top bar; more rows fill the room there and scroll.
    void optionTableStandsWholeOnTheScreen_data()
    {
        QTest::addColumn<QString>("rightAnswers");
        QTest::addColumn<int>("options");
        for (int options = 2; options <= 8; ++options) {
            QTest::addRow("one item, %d options", options) << "A" << options;
            QTest::addRow("two items, %d options", options) << "A|B" << options;
        }
        QTest::newRow("seven items, 8 options") << "A|B|C|D|A|B|C" << 8;
    }

    void optionTableStandsWholeOnTheScreen()
    {
        QFETCH(QString, rightAnswers);
        QFETCH(int, options);
        ZUStepExamDlg* screen = ZUStepExamDlg::getInstance();
        ZUStepExamSer* ser = ZUStepExamSer::getInstance();
        QVERIFY(loadPaper(m_service, *ser, { rightAnswers }));
        screen->showExam();
        // Nine keypads spread over the options, every item alike; the tenth student does not answer.
        QStringList steps { "StartExamBtn" };
        const int items = rightAnswers.count('|') + 1;
        for (int keypad = 1; keypad <= 9; ++keypad) {
            for (int item = 1; item <= items; ++item)
                steps << QString("%1:%2:%3").arg(keypad).arg(item).arg(QChar('A' + (keypad - 1) % options));
        }
        steps << "StopExamBtn"
              << "TableBtn";
        QCOMPARE(act(screen, ser, steps), QString());
        QWidget* window = m_views.window(items == 1 ? ZUExamResultViews::OptionList : ZUExamResultViews::ItemTable);
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        // Once slid in.
        QTRY_COMPARE_WITH_TIMEOUT(QRect(window->mapToGlobal(QPoint(0, 0)), window->size()),
                                  AnimationTool::slideGeometry(available, window->size(), AnimationTool::Bottom).second,
                                  20000);
        QVERIFY(window->isVisible());
        QVERIFY(available.contains(QRect(window->mapToGlobal(QPoint(0, 0)), window->size())));
        QCoreApplication::sendPostedEvents();
        auto* area = window->findChild<QScrollArea*>("scrollArea");
        QVERIFY(area);
        const QWidget* top = screen->findChild<QWidget*>("TopWidget");
        const int room = available.bottom() + 1 - top->mapToGlobal(QPoint(0, top->height())).y();
        if (window->height() < room) {
            QVERIFY2(area->widget()->height() <= area->viewport()->height(),
                     qPrintable(
                         QString("rows %1 high in %2").arg(area->widget()->height()).arg(area->viewport()->height())));
            QVERIFY(!area->verticalScrollBar()->isVisible());
        } else {
            QCOMPARE(window->height(), room);
            QVERIFY(area->widget()->height() > area->viewport()->height());
            QVERIFY(area->verticalScrollBar()->isVisible());
        }
        window->hide();
        ser->quitExam();
    }

    // A multiple-choice question gives a row for every different answer: up to 15 of four options, 31 of five.
    // However many, the table rises below the top bar (the timer, the class and the counts stay in sight) and
    // every row can be scrolled into view.
    void manyAnswersStayBelowTheTopBar_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("9 rows") << 9;
        QTest::newRow("15 rows") << 15;
        QTest::newRow("31 rows") << 31;
    }

    void manyAnswersStayBelowTheTopBar()
    {
        QFETCH(int, rows);
        // Every non-empty choice among A to E, shortest first; a keypad each.
        QStringList choices;
        for (int size = 1; size <= 5; ++size) {
            for (int set = 1; set < 32; ++set) {
                QString choice;
                for (int bit = 0; bit < 5; ++bit)
                    choice += set & (1 << bit) ? QString(QChar('A' + bit)) : QString();
                if (choice.size() == size)
                    choices << choice;
            }
        }
        ZUStepExamDlg* screen = ZUStepExamDlg::getInstance();
        ZUStepExamSer* ser = ZUStepExamSer::getInstance();
        useScreenClass(rows);
        QVERIFY(loadPaper(m_service, *ser, { "ABCDE" }));
        screen->showExam();
        QStringList steps { "StartExamBtn" };
        for (int keypad = 1; keypad <= rows; ++keypad)
            steps << QString("%1:1:%2").arg(keypad).arg(choices.at(keypad - 1));
        steps << "StopExamBtn"
              << "TableBtn";
        QCOMPARE(act(screen, ser, steps), QString());
        auto* window = qobject_cast<ZUESAnswerListDlg*>(m_views.window(ZUExamResultViews::OptionList));
        QVERIFY(window);
        QCOMPARE(window->rows().size(), rows);
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QTRY_COMPARE_WITH_TIMEOUT(QRect(window->mapToGlobal(QPoint(0, 0)), window->size()),
                                  AnimationTool::slideGeometry(available, window->size(), AnimationTool::Bottom).second,
                                  20000);
        // A look under a display, when asked for.
        if (!qEnvironmentVariableIsEmpty("TAV_SHOT_DIR")) {
            QTest::qWait(100);
            QGuiApplication::primaryScreen()->grabWindow(0).save(
                QString("%1/step-option-table-%2-rows.png").arg(qEnvironmentVariable("TAV_SHOT_DIR")).arg(rows));
        }
        const QWidget* top = screen->findChild<QWidget*>("TopWidget");
        const QRect header(top->mapToGlobal(QPoint(0, 0)), top->size());
        const QRect table(window->mapToGlobal(QPoint(0, 0)), window->size());
        QVERIFY2(!table.intersects(header) && available.contains(table),
                 qPrintable(QString("table at %1,%2 %3 high; top bar ends at %4")
                                .arg(table.x())
                                .arg(table.y())
                                .arg(table.height())
                                .arg(header.bottom())));
        // The last row and the first one can each be brought into the list's view.
        QCoreApplication::sendPostedEvents();
        QScrollArea* area = window->scrollArea();
        for (ZUESAnswerItem* row : { window->rows().last(), window->rows().first() }) {
            area->ensureWidgetVisible(row, 0, 0);
            const QRect shown(row->mapTo(area->viewport(), QPoint(0, 0)), row->size());
            QVERIFY2(area->viewport()->rect().contains(shown),
                     qPrintable(QString("row at %1, %2 high, in a view %3 high")
                                    .arg(shown.y())
                                    .arg(shown.height())
                                    .arg(area->viewport()->height())));
        }
        window->hide();
        ser->quitExam();
        useScreenClass(10);
    }
};

TAV_DB_TEST_MAIN(TestExamResultViews)
#include "TestExamResultViews.moc"
