#include "InteractTestSupport.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActBar_left_rush.h"
#include "ZUFreeActBar_right.h"
#include "ZUTAVAnswerList.h"
#include "ZUTAVAnswerListItem.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTAVRandomStu.h"

#include <QLabel>

using namespace InteractTestSupport;

// Rush to answer over the simulated receiver: the winner, the presses stored in order, pauses and restarts.
class TestZUFreeActBar_left_rush : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void initTestCase();
    void init();
    void firstPressWinsAndTheRoundEndsThreeTicksLater();
    void winnerEndsTheRoundOnTheThirdTick();
    void pressDuringPauseIsStoredBeforeTheNextRush();
    void roundWithoutPressEndsWithNotice();
    void listGroupsOnlyAfterTheEnd();

private:
    void launch();
    ZUFreeActBar* m_bar = nullptr;
    ZUFreeActBar_left_rush* m_rush = nullptr;
};

void TestZUFreeActBar_left_rush::initTestCase()
{
    QVERIFY(openReceiver());
    m_bar = ZUFreeActBar::getInstance();
    m_rush = ZUFreeActBar_left_rush::getInstance();
}

void TestZUFreeActBar_left_rush::init()
{
    if (m_bar->freeState() == ZUFreeActSer::RushRunning)
        m_rush->on_end_clicked();
    QVERIFY(freshLesson());
    m_bar->showFreeBar();
}

void TestZUFreeActBar_left_rush::launch()
{
    m_bar->onCenterButton(false);
    ZUFreeActBar_right::getInstance()->rushA_clicked();
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::RushRunning));
    QCOMPARE(text("select answer from TAV_InteractInfo where endTime is null and answerType = 3"), QString("1"));
}

void TestZUFreeActBar_left_rush::firstPressWinsAndTheRoundEndsThreeTicksLater()
{
    launch();
    QVERIFY(press({ { 3, "Rush" }, { 3, "Rush" }, { 2, "A" }, { 9, "Rush" }, { 1, "Rush" } }));
    QVERIFY(m_rush->winnerFound());
    QCOMPARE(m_rush->secondsText(), QString("0"));
    QVERIFY(!m_rush->pauseVisible());
    QVERIFY(ZUTAVRandomStu::getInstance()->isVisible());
    QCOMPARE(ZUTAVRandomStu::getInstance()->shownName(), QString("S3"));
    QVERIFY(press({ { 4, "Rush" } })); // still taken in the seconds after the winner
    QTRY_COMPARE_WITH_TIMEOUT(m_bar->freeState(), int(ZUFreeActSer::RushEnded), kEventBoundMs);
    QVERIFY(!ZUTAVAutoMsg::getInstance()->isVisible());
    QVERIFY(writerIdle());
    QCOMPARE(text("select group_concat(dovaneID || ':' || result, ' ') from (select * from TAV_StuResult order by "
                  "stuResultID)"),
             QString("D03:1 D01:0 D04:0"));
    QCOMPARE(count("select count(*) from TAV_InteractInfo where endTime is null"), 0);
}

void TestZUFreeActBar_left_rush::winnerEndsTheRoundOnTheThirdTick()
{
    launch();
    m_rush->on_pause_clicked(); // the clock's ticks are given by hand: none comes early or late
    QVERIFY(press({ { 3, "Rush" } }));
    QVERIFY(m_rush->winnerFound());
    for (int tick = 1; tick <= 2; ++tick) {
        m_rush->timeout();
        QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::RushRunning));
    }
    m_rush->timeout();
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::RushEnded));
    QVERIFY(writerIdle());
    QCOMPARE(text("select dovaneID || result from TAV_StuResult"), QString("D031"));
}

void TestZUFreeActBar_left_rush::pressDuringPauseIsStoredBeforeTheNextRush()
{
    launch();
    const int first = m_rush->interaction().interactID;
    m_rush->on_pause_clicked();
    QVERIFY(press({ { 2, "Rush" } }));
    QVERIFY(m_rush->winnerFound());
    QVERIFY(!m_rush->clockRunning());
    remote("start/pause"); // a new rush, the paused one is stored first
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::RushRunning));
    QVERIFY(m_rush->interaction().interactID != first);
    QVERIFY(!m_rush->winnerFound());
    QVERIFY(writerIdle());
    QCOMPARE(text("select dovaneID || result from TAV_StuResult where interactID = ?", { first }), QString("D021"));
    QCOMPARE(count("select count(*) from TAV_InteractInfo where interactID = ? and endTime is not null", { first }), 1);
    QVERIFY(!ZUTAVRandomStu::getInstance()->isVisible());
}

void TestZUFreeActBar_left_rush::roundWithoutPressEndsWithNotice()
{
    TAVMemInfo::getInstance()->configMap["TimeLimit"] = "none";
    launch();
    // The clock's first tick, given here so that the notice is looked at before it closes itself.
    m_rush->timeout();
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::RushEnded));
    QVERIFY(ZUTAVAutoMsg::getInstance()->isVisible());
    QVERIFY(writerIdle());
    QCOMPARE(count("select count(*) from TAV_StuResult"), 0);
    QCOMPARE(count("select count(*) from TAV_InteractInfo where endTime is not null"), 1);
    ZUTAVAutoMsg::getInstance()->hide();
}

void TestZUFreeActBar_left_rush::listGroupsOnlyAfterTheEnd()
{
    launch();
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    list->hide();
    remote("report");
    QVERIFY(!list->isVisible());
    QVERIFY(press({ { 4, "Rush" }, { 5, "Rush" } }));
    remote("stop");
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::RushEnded));
    remote("report");
    QVERIFY(list->isVisible());
    QStringList labels;
    for (const ZUTAVAnswerListItem* row : list->rows())
        labels << row->optionText() + row->countText();
    QCOMPARE(labels, QStringList({ "抢答成功1人", "参与抢答1人", "未参与3人" }));
    QCOMPARE(list->interactID(), -1);
    list->rows().first()->on_ZUTAVStatisticalTableItemDialog_clicked();
    QCOMPARE(list->rightAnswer(), QString());
    remote("power");
    QCOMPARE(m_bar->freeState(), int(ZUFreeActSer::Menu));
}

// The writer thread ends with its connection before the test program does.
void TestZUFreeActBar_left_rush::cleanupTestCase()
{
    TavWriteBehind::getInstance()->finish();
}

TAV_DB_TEST_MAIN(TestZUFreeActBar_left_rush)
#include "TestZUFreeActBar_left_rush.moc"
