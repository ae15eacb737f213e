// The start-up's message box, above all the database's refusal, which comes whenever the read-through of the file
// ends: perhaps while the program's one message box waits for the teacher (the version check's question).
#include "StartUpMessage.h"
#include "ZUTipDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest>

class TestStartUpMessage : public QObject
{
    Q_OBJECT
private slots:
    void refusalShowsWhileTheOneBoxWaits();
};

void TestStartUpMessage::refusalShowsWhileTheOneBoxWaits()
{
    ZUTipDlg* waiting = ZUTipDlg::getInstance();
    QStringList shown;
    bool returned = false;
    // The teacher answers every box on top of the waiting one, reading it first.
    QTimer teacher;
    connect(&teacher, &QTimer::timeout, this, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || box == waiting || !box->isVisible())
            return;
        shown << box->findChild<QLabel*>("titleLabel")->text() + " / " + box->findChild<QLabel*>("textLabel")->text();
        box->findChild<QAbstractButton*>("yesBtn")->click();
    });
    teacher.start(20);
    QTimer::singleShot(0, this, [&] {
        showStartUpMessage("错误", "数据库加载失败，请联系管理员");
        returned = true;
        waiting->closeBtnIsClicked();
    });
    // Nothing may keep the test in the waiting box.
    QTimer::singleShot(10000, waiting, &ZUTipDlg::closeBtnIsClicked);
    waiting->setText("发现新版本，是否升级?", "信息");
    waiting->setButtons(ZUTipDlg::Yes | ZUTipDlg::No, 0);
    waiting->exec();
    QVERIFY(returned);
    QCOMPARE(shown, QStringList("错误 / 数据库加载失败，请联系管理员"));
}

QTEST_MAIN(TestStartUpMessage)
#include "TestStartUpMessage.moc"
