#include "ContrastRatio.h"
#include "InteractTestSupport.h"
#include "InterfaceWatch.h"
#include "TavSchema.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActBar_left.h"
#include "ZUFreeActBar_right.h"
#include "ZUFreeCard.h"
#include "ZUFreeStuList.h"
#include "ZUTAVAnswerGraph.h"
#include "ZUTAVAnswerList.h"
#include "ZUTAVAnswerListItem.h"
#include "ZUTAVPieHeader.h"
#include "ZUTipDlg.h"

#include <QLabel>
#include <QTableView>
#include <QTableWidget>

using namespace InteractTestSupport;

// Answering and feedback interactions over the simulated receiver: live counting, countdown, stop, the stored
// rows, the graph, the list with its right answer, and the answered lists.
class TestZUFreeActBar_left : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void initTestCase();
    void init();
    void answersCountLiveAndAreStoredOnce();
    void countdownPausesAndEndsByItself();
    void unplugMidInteractionKeepsWhatArrived();
    void interactionThatCouldNotBeStoredLeavesNothing_data();
    void interactionThatCouldNotBeStoredLeavesNothing();
    void graphAndListToggleAfterTheEnd();
    void markedRightAnswerIsWrittenWhenTheNextStarts();
    void digitAnswersAreStoredAsSentAndMarkedRight();
    void answerListRowsAndRemoteMarks();
    void markOfARoundWithoutItsRowIsStoredAndCleared();
    void listShowsTheNextRoundAfterAMarkedRoundWithoutItsRow();
    void answerListHintReadsOnItsBand();
    void feedbackCardsAndAnonymousNames();
    void answeredListsFollowKeypads();

private:
    void start(void (ZUFreeActBar_right::*type)());
    bool markRoundWithoutItsRow();
    ZUFreeActBar* m_bar = nullptr;
    ZUFreeActBar_left* m_panel = nullptr;
};

void TestZUFreeActBar_left::initTestCase()
{
    // The windows take their pictures from the program directory, as the program runs there.
    QVERIFY(QDir::setCurrent(TAV_BIN_DIR));
    QVERIFY(openReceiver());
    m_bar = ZUFreeActBar::getInstance();
    m_panel = ZUFreeActBar_left::getInstance();
}

void TestZUFreeActBar_left::init()
{
    QVERIFY(freshLesson());
    if (m_bar->freeState() == ZUFreeActSer::Running)
        m_panel->stopRound();
    ZUTAVAnswerList::getInstance()->insertAnswerIntoDatabase();
    m_bar->showFreeBar();
}

void TestZUFreeActBar_left::start(void (ZUFreeActBar_right::*type)())
{
    m_bar->onCenterButton(false);
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Menu));
    (ZUFreeActBar_right::getInstance()->*type)();
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Running));
}

void TestZUFreeActBar_left::answersCountLiveAndAreStoredOnce()
{
    start(&ZUFreeActBar_right::mulSelA_clicked);
    QCOMPARE(m_panel->title(), QString("多项选择"));
    QCOMPARE(Rf21xSimulator::instance()->commands().filter("startQuiz").size(), 1);
    QVERIFY(press({ { 1, "B" }, { 1, "CA" }, { 2, "DBAB" }, { 9, "A" }, { 3, "Rush" }, { 4, "" } }));
    // Answers close together are counted on screen a moment later.
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->answeredCountText(), QString("2"), kEventBoundMs);
    QCOMPARE(count("select count(*) from TAV_InteractInfo where endTime is null and answer = '-1'"), 1);

    m_panel->on_end_clicked();
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Ended));
    QVERIFY(Rf21xSimulator::instance()->commands().contains("stopQuiz"));
    QVERIFY(press({ { 5, "A" } })); // after the stop
    m_panel->stopRound();
    QCOMPARE(m_panel->answeredCountText(), QString("2"));
    QVERIFY(writerIdle());
    QCOMPARE(count("select count(*) from TAV_InteractInfo where endTime is not null and localRecordID = ? and "
                   "answerType = 1",
                   { kRecord }),
             1);
    QCOMPARE(count("select count(*) from TAV_StuResult"), 2);
    QCOMPARE(text("select group_concat(dovaneID || ':' || result, ' ') from TAV_StuResult"), QString("D01:AC D02:ABD"));

    start(&ZUFreeActBar_right::simpleSelA_clicked);
    QVERIFY(press({ { 1, "A" }, { 2, "B" }, { 3, "C" } }));
    m_panel->stopRound(); // at once: an interaction ends showing every answer it took
    QCOMPARE(m_panel->answeredCountText(), QString("3"));
}

void TestZUFreeActBar_left::countdownPausesAndEndsByItself()
{
    TAVMemInfo::getInstance()->configMap["TimeLimit"] = "2";
    start(&ZUFreeActBar_right::simpleSelA_clicked);
    m_panel->on_pause_clicked();
    QVERIFY(!m_panel->clockRunning());
    QVERIFY(!m_panel->pauseVisible());
    QVERIFY(press({ { 2, "C" } })); // a paused interaction still takes answers
    QCOMPARE(m_panel->answeredCountText(), QString("1"));
    m_panel->on_graph_clicked(); // nothing while seconds are left
    QVERIFY(!ZUTAVAnswerGraph::getInstance()->isVisible());
    remote("start/pause");
    QVERIFY(m_panel->clockRunning());
    QTRY_COMPARE_WITH_TIMEOUT(m_bar->freeState(), int(ZUFreeActSer::Ended), kEventBoundMs);
    QCOMPARE(m_panel->remaining(), 0);
    QVERIFY(writerIdle());
    QCOMPARE(count("select count(*) from TAV_StuResult where result = 'C'"), 1);
}

void TestZUFreeActBar_left::unplugMidInteractionKeepsWhatArrived()
{
    TAVMemInfo::getInstance()->configMap["TimeLimit"] = "1";
    start(&ZUFreeActBar_right::simpleSelA_clicked);
    m_panel->on_pause_clicked(); // however slow the keypad road, the answer comes before the end
    QVERIFY(press({ { 1, "A" } }));
    Rf21xSimulator::instance()->unplug();
    QString message;
    ZURf228Api::getInstance()->pollDevice(message);
    QCOMPARE(message, QString("硬件连接异常"));
    m_panel->on_start_clicked();
    QTRY_COMPARE_WITH_TIMEOUT(m_bar->freeState(), int(ZUFreeActSer::Ended), kEventBoundMs);
    QVERIFY(writerIdle());
    QCOMPARE(count("select count(*) from TAV_StuResult"), 1);
    QCOMPARE(count("select count(*) from TAV_InteractInfo where endTime is null"), 0);
    Rf21xSimulator::instance()->plug();
    ZURf228Api::getInstance()->pollDevice(message);
    QVERIFY(ZURf228Api::getInstance()->isConnected());
}

void TestZUFreeActBar_left::interactionThatCouldNotBeStoredLeavesNothing_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::newRow("row not inserted") << "drop table TAV_InteractInfo";
    QTest::newRow("second result refused")
        << "create trigger refuse before insert on TAV_StuResult when new.dovaneID = 'D02' "
           "begin select raise(abort, 'refused'); end";
}

// No box comes between the teacher and the class: a round that cannot be written waits, open and out of the
// upload, with what the class answered.
void TestZUFreeActBar_left::interactionThatCouldNotBeStoredLeavesNothing()
{
    QFETCH(QString, breakage);
    const bool rowMissing = breakage.startsWith("drop");
    if (rowMissing)
        QVERIFY(DbTestSupport::runOutside(breakage));
    InterfaceWatch watch;
    DbTestSupport::LogCapture log;
    start(&ZUFreeActBar_right::simpleSelA_clicked);
    if (!rowMissing)
        QVERIFY(DbTestSupport::runOutside(breakage));
    QVERIFY(press({ { 1, "A" }, { 2, "B" }, { 3, "C" } }));
    m_panel->stopRound();
    QVERIFY(QTest::qWaitFor([&log] { return log.contains("not in the file for now"); }, kEventBoundMs));
    QCOMPARE(watch.modals(), QStringList());
    QCOMPARE(count("select count(*) from TAV_StuResult where dovaneID = 'D02'"), 0);
    if (rowMissing)
        QCOMPARE(m_panel->interaction().interactID, -1);
    else
        QCOMPARE(count("select count(*) from TAV_InteractInfo where endTime is not null"), 0);
    // Once the file takes it, the round goes in whole.
    QVERIFY(DbTestSupport::runOutside(rowMissing ? TavSchema::statements().filter("TAV_InteractInfo").first()
                                                 : QString("drop trigger refuse")));
    QVERIFY(writerIdle());
    QCOMPARE(count("select count(*) from TAV_InteractInfo where endTime is not null"), 1);
    QCOMPARE(text("select group_concat(dovaneID || ':' || result, ' ') from (select * from TAV_StuResult order by "
                  "dovaneID)"),
             QString("D01:A D02:B D03:C"));
    QCOMPARE(watch.modals(), QStringList());
}

void TestZUFreeActBar_left::graphAndListToggleAfterTheEnd()
{
    start(&ZUFreeActBar_right::simpleSelA_clicked);
    QVERIFY(press({ { 1, "A" }, { 2, "A" }, { 3, "B" } }));
    m_panel->stopRound();
    ZUTAVAnswerGraph* graph = ZUTAVAnswerGraph::getInstance();
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    remote("result");
    QVERIFY(graph->isVisible());
    QCOMPARE(graph->legend().size(), 3); // A, B, unanswered
    remote("report");
    QVERIFY(!graph->isVisible());
    QVERIFY(list->isVisible());
    QCOMPARE(list->rows().size(), 3);
    QCOMPARE(list->rows().first()->optionText(), QString("A"));
    QCOMPARE(list->rows().last()->optionText(), QString("未作答"));
    remote("report");
    QTRY_VERIFY_WITH_TIMEOUT(!list->isVisible(), kEventBoundMs);
}

void TestZUFreeActBar_left::markedRightAnswerIsWrittenWhenTheNextStarts()
{
    start(&ZUFreeActBar_right::simpleSelA_clicked);
    const int first = m_panel->interaction().interactID;
    QVERIFY(press({ { 1, "B" }, { 2, "A" }, { 3, "B" } }));
    m_panel->stopRound();
    m_panel->on_list_clicked();
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    list->rows().first()->on_ZUTAVStatisticalTableItemDialog_clicked();
    QCOMPARE(list->rightAnswer(), QString("B"));
    m_panel->on_start_clicked(); // restart of the same type
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Running));
    QVERIFY(!list->isVisible());
    QVERIFY(m_panel->interaction().interactID != first);
    QVERIFY(writerIdle());
    QCOMPARE(text("select answer from TAV_InteractInfo where interactID = ?", { first }), QString("B"));
    QCOMPARE(count("select count(*) from TAV_InteractInfo"), 2);
}

void TestZUFreeActBar_left::digitAnswersAreStoredAsSentAndMarkedRight()
{
    start(&ZUFreeActBar_right::digA_clicked);
    const int id = m_panel->interaction().interactID;
    QVERIFY(press({ { 1, "3.5" }, { 2, "-2" }, { 3, "3.5" }, { 4, "Rush" } }));
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->answeredCountText(), QString("3"), kEventBoundMs);
    m_panel->stopRound();
    QVERIFY(writerIdle());
    QCOMPARE(text("select group_concat(dovaneID || ':' || result, ' ') from (select * from TAV_StuResult order by "
                  "dovaneID)"),
             QString("D01:3.5 D02:-2 D03:3.5"));
    m_panel->on_list_clicked();
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    QCOMPARE(list->rows().first()->optionText(), QString("3.5"));
    list->rows().first()->on_ZUTAVStatisticalTableItemDialog_clicked();
    remote("power"); // closing the ended interaction hands the mark to the writer
    QTRY_COMPARE_WITH_TIMEOUT(text("select answer from TAV_InteractInfo where interactID = ?", { id }), QString("3.5"),
                              kEventBoundMs);
}

void TestZUFreeActBar_left::answerListRowsAndRemoteMarks()
{
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    QStringList eleven;
    for (int i = 0; i < 11; ++i)
        eleven << QString("N%1").arg(i);
    list->setAnswerNames({ "未作答", "A", "ABCDE" }, { { "N" }, { "N1", "N2" }, eleven }, ZUFreeAnswerSer::Multiple, 3);
    list->show();
    QCOMPARE(list->rows().size(), 3);
    ZUTAVAnswerListItem* top = list->rows().first();
    QCOMPARE(top->labelText(), QString("ABCD\nE"));
    QCOMPARE(top->countText(), QString("11人"));
    QCOMPARE(top->namesTable()->height(), 118);
    QCOMPARE(top->height(), 128);
    QCOMPARE(list->rows().at(1)->height(), 108);

    remote("up"); // no mark yet
    QCOMPARE(list->cursor(), -1);
    remote("down");
    QCOMPARE(list->rightAnswer(), QString("ABCDE"));
    remote("down");
    QCOMPARE(list->rightAnswer(), QString("A"));
    QCOMPARE(list->scrollPosition() >= 0, true);
    remote("down"); // the unanswered row takes no mark
    QCOMPARE(list->cursor(), 1);
    list->rows().last()->on_ZUTAVStatisticalTableItemDialog_clicked();
    QCOMPARE(list->rightAnswer(), QString("A"));
    remote("up");
    QCOMPARE(list->cursor(), 0);
    list->setAnswerNames({ "B" }, { {} }, ZUFreeAnswerSer::Single, 4); // kept while a mark waits
    QCOMPARE(list->rows().size(), 3);
    list->hide();
}

// A round that starts while another program holds the file, and so without its row, ends; the teacher opens its
// list and clicks the right answer, as the window system delivers the clicks.
bool TestZUFreeActBar_left::markRoundWithoutItsRow()
{
    {
        DbTestSupport::FileLock lock;
        if (!lock.isHeld())
            return false;
        start(&ZUFreeActBar_right::simpleSelA_clicked);
    }
    if (m_panel->interaction().interactID != -1 || !press({ { 1, "B" }, { 2, "A" }, { 3, "B" } }))
        return false;
    m_panel->stopRound();
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    if (!clickShown(m_panel->findChild<QWidget*>("stulistBtn"))
        || !QTest::qWaitFor([list] { return list->isVisible() && list->rows().size() == 3; }, kEventBoundMs))
        return false;
    for (ZUTAVAnswerListItem* row : list->rows()) {
        if (row->optionText() == "B" && !clickShown(row))
            return false;
    }
    return QTest::qWaitFor([list] { return list->rightAnswer() == "B"; }, kEventBoundMs);
}

// The mark of a round without its row is stored once the round is in the file, and the next start clears it.
void TestZUFreeActBar_left::markOfARoundWithoutItsRowIsStoredAndCleared()
{
    QVERIFY(markRoundWithoutItsRow());
    QVERIFY(clickShown(m_panel->findChild<QWidget*>("start"))); // the next round of the same type
    QTRY_COMPARE_WITH_TIMEOUT(m_bar->freeState(), int(ZUFreeActSer::Running), kEventBoundMs);
    QVERIFY(m_panel->interaction().interactID != -1);
    QCOMPARE(ZUTAVAnswerList::getInstance()->rightAnswer(), QString());
    QVERIFY(writerIdle());
    QCOMPARE(text("select group_concat(answerType || ':' || answer) from TAV_InteractInfo where endTime is not null"),
             QString("0:B"));
    m_panel->stopRound();
}

// After a marked round without its row, the list shows the next round's answers, not that round's.
void TestZUFreeActBar_left::listShowsTheNextRoundAfterAMarkedRoundWithoutItsRow()
{
    QVERIFY(markRoundWithoutItsRow());
    QVERIFY(clickShown(m_panel->findChild<QWidget*>("start")));
    QTRY_COMPARE_WITH_TIMEOUT(m_bar->freeState(), int(ZUFreeActSer::Running), kEventBoundMs);
    const int next = m_panel->interaction().interactID;
    QVERIFY(press({ { 1, "C" } }));
    m_panel->stopRound();
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    QVERIFY(clickShown(m_panel->findChild<QWidget*>("stulistBtn")));
    QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), kEventBoundMs);
    QCOMPARE(list->interactID(), next);
    QStringList options;
    for (const ZUTAVAnswerListItem* row : list->rows())
        options << row->optionText();
    QCOMPARE(options, QStringList({ "C", "未作答" }));
}

// The hint on the list's green band tells the teacher how to mark the right answer: it must read on a projector.
void TestZUFreeActBar_left::answerListHintReadsOnItsBand()
{
    start(&ZUFreeActBar_right::simpleSelA_clicked);
    QVERIFY(press({ { 1, "A" }, { 2, "B" } }));
    m_panel->stopRound();
    remote("report");
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    QVERIFY(list->isVisible());
    const auto* hint = list->findChild<QLabel*>("tipsLabel");
    QVERIFY(hint && hint->isVisible() && !hint->pixmap(Qt::ReturnByValue).isNull());
    // The pill's inside, where the words stand, as the window draws it over its band.
    const QRect pill = QRect(hint->mapTo(list, QPoint(0, 0)), hint->size()).adjusted(24, 14, -24, -14);
    const ContrastRatio::TextColours shown = ContrastRatio::ofText(list->grab().toImage(), pill);
    QVERIFY2(shown.contrast >= 4.5,
             qPrintable(QString("%1 on %2: %3").arg(shown.text.name(), shown.ground.name()).arg(shown.contrast)));
    remote("report");
    QTRY_VERIFY_WITH_TIMEOUT(!list->isVisible(), kEventBoundMs);
}

void TestZUFreeActBar_left::feedbackCardsAndAnonymousNames()
{
    TAVMemInfo::getInstance()->configMap["AnonymousFeedback"] = "1";
    start(&ZUFreeActBar_right::whetherA_clicked);
    QVERIFY(ZUFreeWhether::getInstance()->isVisible());
    QVERIFY(!ZUFreeDecide::getInstance()->isVisible());
    QVERIFY(press({ { 1, "A" }, { 2, "E" } }));
    m_panel->stopRound();
    QVERIFY(!ZUFreeWhether::getInstance()->isVisible());
    m_panel->on_list_clicked();
    const QVector<ZUTAVAnswerListItem*>& rows = ZUTAVAnswerList::getInstance()->rows();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0)->optionText(), QString("是"));
    QCOMPARE(rows.at(1)->optionText(), QString("其他"));
    QCOMPARE(rows.at(2)->optionText(), QString("未参与"));
    QCOMPARE(rows.at(0)->namesTable()->item(0, 0)->text(), QString());
    rows.at(0)->on_ZUTAVStatisticalTableItemDialog_clicked(); // feedback has no right answer
    QCOMPARE(ZUTAVAnswerList::getInstance()->rightAnswer(), QString());
    m_panel->on_start_clicked();
    QVERIFY(ZUFreeWhether::getInstance()->isVisible());
    m_panel->stopRound();
}

void TestZUFreeActBar_left::answeredListsFollowKeypads()
{
    useClass(13, 12); // the last student has no keypad
    ZUFreeStuList* lists = ZUFreeStuList::getInstance();
    start(&ZUFreeActBar_right::simpleSelA_clicked);
    QCOMPARE(lists->answeredCount(), 0);
    QList<QPair<int, QByteArray>> keys;
    for (int i = 1; i <= 11; ++i)
        keys.append({ i, "A" });
    keys.append({ 1, "B" });
    keys.append({ 20, "A" });
    QVERIFY(press(keys));
    QCOMPARE(lists->answeredCountText(), QString("11人"));
    QCOMPARE(lists->unansweredCountText(), QString("2人"));
    QCOMPARE(lists->answeredTable()->model()->rowCount(), 3);
    QCOMPARE(lists->answeredPartHeight(), 110);
    QCOMPARE(lists->unansweredTable()->model()->index(0, 1).data().toString(), QString("S13"));
    remote("f1");
    QVERIFY(lists->isVisible());
    m_panel->stopRound();
    remote("power"); // back to the menu: every window of the interaction goes
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Menu));
    QTRY_VERIFY_WITH_TIMEOUT(!lists->isVisible() && !m_panel->isVisible(), kEventBoundMs);
}

// The writer thread ends with its connection before the test program does.
void TestZUFreeActBar_left::cleanupTestCase()
{
    TavWriteBehind::getInstance()->finish();
}

TAV_DB_TEST_MAIN(TestZUFreeActBar_left)
#include "TestZUFreeActBar_left.moc"
