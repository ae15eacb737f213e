#include "DialogAnswerer.h"
#include "ZUTAVAutoMsg.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

QString label(const char* name)
{
    return ZUTAVAutoMsg::getInstance()->findChild<QLabel*>(QLatin1String(name))->text();
}

QPushButton* button(const char* name)
{
    return ZUTAVAutoMsg::getInstance()->findChild<QPushButton*>(QLatin1String(name));
}

void askQuestion()
{
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    msg->setTitle(QStringLiteral("提示"));
    msg->setContent(QStringLiteral("<p>请按照学生列表的提示，</p>"));
    msg->setImageVisible(true);
    msg->showCancelButton();
    msg->showConfirmButton();
}

} // namespace

class TestZUTAVAutoMsg : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void questionResultByButton_data();
    void questionResultByButton();
    void questionClosedOtherwiseAfterConfirmReadsCancel();
    void passingNoticeShowsWithoutBlocking();
    void noticeClosesAfterItsSeconds_data();
    void noticeClosesAfterItsSeconds();
    void secondNoticeRestartsCount();
    void noticeClosesByItselfInRealTime();
    void countdownReadsCancelAfterConfirm();
    void replacedQuestionClosesAtEndOfCount();
    void earlierCountdownDoesNotCloseQuestion();
    void messageWithoutButtonsOffersCancel();
};

void TestZUTAVAutoMsg::init()
{
    DialogAnswerer::clear();
}

void TestZUTAVAutoMsg::cleanup()
{
    ZUTAVAutoMsg::getInstance()->hide();
    QCOMPARE(DialogAnswerer::failures(), 0);
}

void TestZUTAVAutoMsg::questionResultByButton_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("expected");
    QTest::newRow("confirm") << int(ZUTAVAutoMsg::Confirm) << 0;
    QTest::newRow("cancel") << int(ZUTAVAutoMsg::Cancel) << 1;
    QTest::newRow("closed otherwise") << DialogAnswerer::CloseOtherwise << 1;
}

void TestZUTAVAutoMsg::questionResultByButton()
{
    QFETCH(int, answer);
    QFETCH(int, expected);
    askQuestion();
    DialogAnswerer::answerNextAutoMsg(answer);
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    QCOMPARE(msg->exec(), expected);
    QCOMPARE(msg->result(), expected);
    QCOMPARE(DialogAnswerer::lastTitle(), QStringLiteral("提示"));
    QVERIFY(DialogAnswerer::lastText().contains(QStringLiteral("请按照学生列表的提示")));
    // Closing clears the notice for its next use.
    QVERIFY(label("titleLabel").isEmpty());
    QVERIFY(label("textLabel").isEmpty());
    QVERIFY(button("confirmBtn")->isHidden());
    QVERIFY(button("cancelBtn")->isHidden());
}

void TestZUTAVAutoMsg::questionClosedOtherwiseAfterConfirmReadsCancel()
{
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    askQuestion();
    DialogAnswerer::answerNextAutoMsg(ZUTAVAutoMsg::Confirm);
    QCOMPARE(msg->exec(), 0);
    askQuestion();
    DialogAnswerer::answerNextAutoMsg(DialogAnswerer::CloseOtherwise);
    msg->exec();
    QCOMPARE(msg->result(), 1);
}

void TestZUTAVAutoMsg::passingNoticeShowsWithoutBlocking()
{
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    msg->showMessage(QStringLiteral("信息提示"), QStringLiteral("答题结束"), 1, false);
    QVERIFY(msg->isVisible());
    QVERIFY(!msg->isModal());
    QCOMPARE(label("titleLabel"), QStringLiteral("信息提示"));
    QCOMPARE(label("textLabel"), QStringLiteral("答题结束"));
    QVERIFY(msg->findChild<QLabel*>(QStringLiteral("imageLabel"))->isHidden());
    QVERIFY(button("confirmBtn")->isHidden());
    msg->showMessage(QStringLiteral("信息提示"), QStringLiteral("考试结束"), 1, true);
    QVERIFY(!msg->findChild<QLabel*>(QStringLiteral("imageLabel"))->isHidden());
}

void TestZUTAVAutoMsg::noticeClosesAfterItsSeconds_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("ticks");
    QTest::newRow("0 s") << 0 << 1;
    QTest::newRow("1 s") << 1 << 1;
    QTest::newRow("3 s") << 3 << 3;
    QTest::newRow("negative") << -2 << 1;
}

void TestZUTAVAutoMsg::noticeClosesAfterItsSeconds()
{
    QFETCH(int, seconds);
    QFETCH(int, ticks);
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    msg->showMessage(QStringLiteral("t"), QStringLiteral("x"), seconds, true);
    for (int i = 1; i < ticks; ++i) {
        msg->timeout();
        QVERIFY(msg->isVisible());
    }
    msg->timeout();
    QVERIFY(!msg->isVisible());
    QVERIFY(!msg->isCounting());
}

void TestZUTAVAutoMsg::secondNoticeRestartsCount()
{
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    msg->showMessage(QStringLiteral("t"), QStringLiteral("first"), 3, true);
    msg->timeout();
    QCOMPARE(msg->remainingSeconds(), 2);
    msg->showMessage(QStringLiteral("t"), QStringLiteral("second"), 3, true);
    QCOMPARE(msg->remainingSeconds(), 3);
    QCOMPARE(label("textLabel"), QStringLiteral("second"));
    msg->timeout();
    msg->timeout();
    QVERIFY(msg->isVisible());
    msg->timeout();
    QVERIFY(!msg->isVisible());
}

void TestZUTAVAutoMsg::noticeClosesByItselfInRealTime()
{
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    msg->showMessage(QStringLiteral("信息提示"), QStringLiteral("答题结束"), 1, true);
    QVERIFY(msg->isCounting());
    QTRY_VERIFY_WITH_TIMEOUT(!msg->isVisible(), 3000);
}

void TestZUTAVAutoMsg::countdownReadsCancelAfterConfirm()
{
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    askQuestion();
    DialogAnswerer::answerNextAutoMsg(ZUTAVAutoMsg::Confirm);
    QCOMPARE(msg->exec(), 0);
    msg->showMessage(QStringLiteral("提示"), QStringLiteral("教师机绑定失败！"), 1, true);
    msg->timeout();
    QCOMPARE(msg->result(), 1);
}

void TestZUTAVAutoMsg::replacedQuestionClosesAtEndOfCount()
{
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    askQuestion();
    QString shownText;
    // A keypad reply arrives while the question is up: its text replaces the question and closes it.
    DialogAnswerer::answerNextModal([&](QWidget*) {
        msg->showMessage(QStringLiteral("提示"), QStringLiteral("教师机绑定成功！"), 2, true);
        shownText = label("textLabel");
        msg->timeout();
        msg->timeout();
    });
    QCOMPARE(msg->exec(), 1);
    QCOMPARE(shownText, QStringLiteral("教师机绑定成功！"));
}

void TestZUTAVAutoMsg::earlierCountdownDoesNotCloseQuestion()
{
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    msg->showMessage(QStringLiteral("信息提示"), QStringLiteral("答题结束"), 1, true);
    askQuestion();
    bool counting = true;
    DialogAnswerer::answerNextModal([&](QWidget*) { counting = msg->isCounting(); });
    DialogAnswerer::answerNextAutoMsg(ZUTAVAutoMsg::Confirm);
    QCOMPARE(msg->exec(), 0);
    QVERIFY(!counting);
}

void TestZUTAVAutoMsg::messageWithoutButtonsOffersCancel()
{
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    msg->setTitle(QStringLiteral("错误"));
    msg->setContent(QStringLiteral("未有空闲的数据库连接"));
    bool onlyCancel = false;
    DialogAnswerer::answerNextModal([&](QWidget*) {
        onlyCancel = button("cancelBtn")->isVisible() && !button("confirmBtn")->isVisible() && !msg->isCounting();
    });
    DialogAnswerer::answerNextAutoMsg(ZUTAVAutoMsg::Cancel);
    QCOMPARE(msg->exec(), 1);
    QVERIFY(onlyCancel);
    QCOMPARE(DialogAnswerer::lastTitle(), QStringLiteral("错误"));
}

QTEST_MAIN(TestZUTAVAutoMsg)
#include "TestZUTAVAutoMsg.moc"
