// The paper analysis and the ranking of the program's result windows, opened from the all-at-once quiz's run
// screen in the order a teacher opens them after a quiz: the analysis first, in a process where neither report
// was opened before, then the ranking, by mouse (through the window system's input queue), by the remote and by
// the floating control that both reports share.
#include "ExamResultViews.h"
#include "ExamTestSupport.h"
#include "ScreenGeometry.h"
#include "ZUAnyLevitate.h"
#include "ZUExamMem.h"
#include "ZUFormFrame.h"
#include "ZUPaperAnalyDlg.h"
#include "ZUStuRankingDlg.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTeamExamDlg.h"
#include "ZUTeamExamSer.h"

#include <QTableWidget>

using namespace ExamTestSupport;

class TestRunScreenReports : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    ExamResultViews m_views;
    ZUTeamExamDlg* m_screen = nullptr;

    bool clickOn(QWidget* window, const char* name)
    {
        return WindowInput::click(window->findChild<QPushButton*>(name));
    }
    static QString cell(const QTableWidget* table, int row, int column)
    {
        const QTableWidgetItem* item = table->item(row, column);
        return item ? item->text() : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(ScreenGeometry::useFullHd());
        ZUFormFrame::usePictureFolder(QCoreApplication::applicationDirPath());
        QVERIFY(DbTestSupport::freshDatabase());
        QVERIFY(startService(m_service));
        ZUExamResultViews::install(&m_views);
        useScreenClass(4);
        openReceiver();
        ZUTeamExamSer* ser = ZUTeamExamSer::getInstance();
        QVERIFY(loadPaper(m_service, *ser, { "A", "B|C" }));
        ZUExamMem* exam = ZUExamMem::getInstance();
        exam->m_examDuration = 600;
        exam->m_questionNum = 2;
        exam->m_examSer = ser;
        ser->resetExamTime();
        m_screen = ZUTeamExamDlg::getInstance();
        m_screen->showExam();
        // N01 answers everything right, N02 one item, N03 one item wrong, N04 nothing.
        QCOMPARE(act(m_screen, ser, { "StartExamBtn", "1:1:A", "1:2:B", "1:3:C", "2:1:A", "3:2:A", "StopExamBtn" }),
                 QString());
        QTRY_VERIFY_WITH_TIMEOUT(!ZUTAVAutoMsg::getInstance()->isVisible(), 20000);
    }

    // A test that failed midway leaves no report open for the next.
    void cleanup()
    {
        for (QWidget* report : { static_cast<QWidget*>(TavSingleton<ZUPaperAnalyDlg>::existing()),
                                 static_cast<QWidget*>(TavSingleton<ZUStuRankingDlg>::existing()) }) {
            if (report)
                report->hide();
        }
    }

    void rankingOpensWholeAfterTheAnalysis()
    {
        QVERIFY(clickOn(m_screen, "TestAnalyBtn"));
        QTRY_VERIFY_WITH_TIMEOUT(
            TavSingleton<ZUPaperAnalyDlg>::existing() && TavSingleton<ZUPaperAnalyDlg>::existing()->isVisible(), 20000);
        ZUPaperAnalyDlg* analysis = ZUPaperAnalyDlg::getInstance();
        QCOMPARE(analysis->table()->rowCount(), 3);
        ZUAnyLevitate* levitate = ZUAnyLevitate::getInstance();
        QCOMPARE(levitate->parent(), analysis->table());
        // What follows is the ranking's own first opening.
        QVERIFY(!TavSingleton<ZUStuRankingDlg>::existing());
        QVERIFY(clickOn(levitate, "closeBtn"));
        QTRY_VERIFY_WITH_TIMEOUT(analysis->isHidden(), 20000);
        QVERIFY(!TavSingleton<ZUStuRankingDlg>::existing());

        QVERIFY(clickOn(m_screen, "StuInteractBtn"));
        QTRY_VERIFY_WITH_TIMEOUT(
            TavSingleton<ZUStuRankingDlg>::existing() && TavSingleton<ZUStuRankingDlg>::existing()->isVisible(), 20000);
        ZUStuRankingDlg* ranking = ZUStuRankingDlg::getInstance();
        QVERIFY(analysis->isHidden());
        const QTableWidget* table = ranking->table();
        QCOMPARE(table->rowCount(), 4);
        QStringList rows;
        for (int r = 0; r < table->rowCount(); ++r)
            rows << cell(table, r, 0) + cell(table, r, 1) + cell(table, r, 2) + cell(table, r, 3);
        QCOMPARE(rows.join(' '), QString("1N013分100% 2N021分33% 3N030分0% 4N040分0%"));
        QCOMPARE(table->columnWidth(0), (1920 - 100) / 7);
        // The floating control moved to the ranking, and its close closes the ranking alone.
        QCOMPARE(levitate->parent(), table);
        QVERIFY(levitate->isVisible());
        QCOMPARE(levitate->geometry().bottomRight(), table->rect().bottomRight());
        QVERIFY(clickOn(levitate, "closeBtn"));
        QTRY_VERIFY_WITH_TIMEOUT(ranking->isHidden(), 20000);
        QVERIFY(analysis->isHidden() && m_screen->isVisible());
    }

    // The remote opens either report and closes the one open with the key that opened it, in any order.
    void remoteTogglesEitherReport_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("open");
        QTest::newRow("ranking") << QStringList { "report" } << "ranking";
        QTest::newRow("ranking, other keys ignored") << QStringList { "report", "result", "up" } << "ranking";
        QTest::newRow("ranking closed") << QStringList { "report", "report" } << "";
        QTest::newRow("analysis") << QStringList { "result" } << "analysis";
        QTest::newRow("analysis, then ranking") << QStringList { "result", "result", "report" } << "ranking";
        QTest::newRow("ranking, then analysis") << QStringList { "report", "report", "result" } << "analysis";
    }

    void remoteTogglesEitherReport()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, open);
        for (const QString& key : keys)
            m_screen->__getTeacherData(TeacherInfo { key });
        QStringList shown;
        if (ZUPaperAnalyDlg::getInstance()->isVisible())
            shown << "analysis";
        if (ZUStuRankingDlg::getInstance()->isVisible())
            shown << "ranking";
        QCOMPARE(shown.join(','), open);
        QCOMPARE(m_screen->state(), 3);
    }
};

QTEST_MAIN(TestRunScreenReports)
#include "TestRunScreenReports.moc"
