#include "DialogAnswerer.h"
#include "ZUInputDlg.h"
#include "ZUTipDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

QPushButton* button(QWidget* box, const char* name)
{
    return box->findChild<QPushButton*>(QLatin1String(name));
}

} // namespace

class TestZUTipDlg : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void tipResultByButton_data();
    void tipResultByButton();
    void tipClosedOtherwiseAfterYesReadsClose();
    void tipHiddenDuringExecReadsClose();
    void tipEscapeKeepsBoxOpen();
    void tipHidingResetsButtons();
    void tipButtonTextOnlyForYesAndNo();

    void inputResultByButton_data();
    void inputResultByButton();
    void inputClosedOtherwiseAfterYesReadsClose();
    void inputButtonsFollowFlagsExactly_data();
    void inputButtonsFollowFlagsExactly();
};

void TestZUTipDlg::init()
{
    DialogAnswerer::clear();
}

void TestZUTipDlg::cleanup()
{
    QCOMPARE(DialogAnswerer::failures(), 0);
    QVERIFY(!ZUTipDlg::getInstance()->isVisible());
    QVERIFY(!ZUInputDlg::getInstance()->isVisible());
}

void TestZUTipDlg::tipResultByButton_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("expected");
    QTest::newRow("notice yes") << 2 << int(ZUTipDlg::Yes) << 2;
    QTest::newRow("notice close button") << 2 << int(ZUTipDlg::Close) << 1;
    QTest::newRow("notice closed otherwise") << 2 << DialogAnswerer::CloseOtherwise << 1;
    QTest::newRow("question yes") << 6 << int(ZUTipDlg::Yes) << 2;
    QTest::newRow("question no") << 6 << int(ZUTipDlg::No) << 4;
    QTest::newRow("question close button") << 6 << int(ZUTipDlg::Close) << 1;
    QTest::newRow("question closed otherwise") << 6 << DialogAnswerer::CloseOtherwise << 1;
}

void TestZUTipDlg::tipResultByButton()
{
    QFETCH(int, flags);
    QFETCH(int, answer);
    QFETCH(int, expected);
    ZUTipDlg* box = ZUTipDlg::getInstance();
    box->setButtons(flags, 0);
    box->setText(QStringLiteral("是否为课堂记录"), QStringLiteral("消息"));
    DialogAnswerer::answerNextTipDlg(answer);
    QCOMPARE(box->exec(), expected);
    QCOMPARE(DialogAnswerer::answeredCount(), 1);
    QCOMPARE(DialogAnswerer::lastText(), QStringLiteral("是否为课堂记录"));
    QCOMPARE(DialogAnswerer::lastTitle(), QStringLiteral("消息"));
}

void TestZUTipDlg::tipClosedOtherwiseAfterYesReadsClose()
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    box->setButtons(6, 0);
    box->setText(QStringLiteral("第一次"), QStringLiteral("消息"));
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    QCOMPARE(box->exec(), 2);

    box->setButtons(6, 0);
    box->setText(QStringLiteral("第二次"), QStringLiteral("消息"));
    DialogAnswerer::answerNextTipDlg(DialogAnswerer::CloseOtherwise);
    QCOMPARE(box->exec(), 1);
}

void TestZUTipDlg::tipHiddenDuringExecReadsClose()
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    box->setButtons(6, 0);
    box->setText(QStringLiteral("x"), QStringLiteral("y"));
    DialogAnswerer::answerNextModal([](QWidget* w) { w->hide(); });
    QCOMPARE(box->exec(), 1);
}

void TestZUTipDlg::tipEscapeKeepsBoxOpen()
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    box->setButtons(6, 0);
    box->setText(QStringLiteral("x"), QStringLiteral("y"));
    bool openAfterEscape = false;
    DialogAnswerer::answerNextModal([&](QWidget* w) {
        QTest::keyClick(w, Qt::Key_Escape);
        openAfterEscape = w->isVisible();
    });
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::No);
    QCOMPARE(box->exec(), 4);
    QVERIFY(openAfterEscape);
}

void TestZUTipDlg::tipHidingResetsButtons()
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    box->setButtons(6, 0);
    box->setButtonText(2, QStringLiteral("是"));
    box->setButtonText(4, QStringLiteral("否"));
    box->setText(QStringLiteral("x"), QStringLiteral("y"));
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::No);
    QCOMPARE(box->exec(), 4);

    box->setButtons(2, 0);
    box->show();
    QVERIFY(button(box, "yesBtn")->isVisible());
    QVERIFY(!button(box, "noBtn")->isVisible());
    QCOMPARE(button(box, "yesBtn")->text(), QStringLiteral("确认"));
    QCOMPARE(button(box, "noBtn")->text(), QStringLiteral("取消"));
    box->hide();
}

void TestZUTipDlg::tipButtonTextOnlyForYesAndNo()
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    box->setButtonText(3, QStringLiteral("改"));
    box->setButtonText(1, QStringLiteral("改"));
    QCOMPARE(button(box, "yesBtn")->text(), QStringLiteral("确认"));
    QCOMPARE(button(box, "noBtn")->text(), QStringLiteral("取消"));
    box->setButtonText(2, QStringLiteral("确定"));
    QCOMPARE(button(box, "yesBtn")->text(), QStringLiteral("确定"));
    box->hide();
    QCOMPARE(button(box, "yesBtn")->text(), QStringLiteral("确认"));
}

void TestZUTipDlg::inputResultByButton_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("expected");
    QTest::newRow("yes") << int(ZUInputDlg::Yes) << 2;
    QTest::newRow("no") << int(ZUInputDlg::No) << 4;
    QTest::newRow("close button") << int(ZUInputDlg::Close) << 1;
    QTest::newRow("closed otherwise") << DialogAnswerer::CloseOtherwise << 1;
}

void TestZUTipDlg::inputResultByButton()
{
    QFETCH(int, answer);
    QFETCH(int, expected);
    ZUInputDlg* box = ZUInputDlg::getInstance();
    box->setButtons(7);
    box->setText(QStringLiteral("请输入本次课堂名称:"), QStringLiteral("消息"));
    box->setInputText(QStringLiteral("语文-一班-202401011200"));
    DialogAnswerer::answerNextInput(QStringLiteral("第三课"), answer);
    QCOMPARE(box->exec(), expected);
    QCOMPARE(box->inputText(), QStringLiteral("第三课"));
    QCOMPARE(DialogAnswerer::lastText(), QStringLiteral("请输入本次课堂名称:"));
}

void TestZUTipDlg::inputClosedOtherwiseAfterYesReadsClose()
{
    ZUInputDlg* box = ZUInputDlg::getInstance();
    box->setButtons(2);
    box->setText(QStringLiteral("a"), QStringLiteral("b"));
    DialogAnswerer::answerNextInput(QStringLiteral("x"), ZUInputDlg::Yes);
    QCOMPARE(box->exec(), 2);
    box->setButtons(2);
    DialogAnswerer::answerNextInput(QStringLiteral("y"), DialogAnswerer::CloseOtherwise);
    QCOMPARE(box->exec(), 1);
}

void TestZUTipDlg::inputButtonsFollowFlagsExactly_data()
{
    QTest::addColumn<int>("flags");
    QTest::newRow("yes only") << 2;
    QTest::newRow("yes and no") << 6;
    QTest::newRow("close and no") << 5;
    QTest::newRow("all") << 7;
}

void TestZUTipDlg::inputButtonsFollowFlagsExactly()
{
    QFETCH(int, flags);
    ZUInputDlg* box = ZUInputDlg::getInstance();
    box->setButtons(7);
    box->setButtons(flags);
    box->show();
    QCOMPARE(button(box, "yesBtn")->isVisible(), bool(flags & 2));
    QCOMPARE(button(box, "noBtn")->isVisible(), bool(flags & 4));
    QCOMPARE(button(box, "closeBtn")->isVisible(), bool(flags & 1));
    QCOMPARE(box->findChild<QLineEdit*>(QStringLiteral("inputEdit"))->placeholderText(), QStringLiteral("用户名"));
    box->hide();
}

QTEST_MAIN(TestZUTipDlg)
#include "TestZUTipDlg.moc"
