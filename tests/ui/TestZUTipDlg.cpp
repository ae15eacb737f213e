#include "DialogAnswerer.h"
#include "ZUInputDlg.h"
#include "ZURichText.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

class TestZUTipDlg : public QObject
{
    Q_OBJECT
private slots:
    void resultByButton_data();
    void resultByButton();
    void noticeClosesAfterItsSeconds_data();
    void noticeClosesAfterItsSeconds();
    void textsShowAsPlainText_data();
    void textsShowAsPlainText();
    void noticeWithoutPictureIsOneCentredLine();
    void ownPromptShowsWhole_data();
    void ownPromptShowsWhole();
    void noticeCountsWholeSeconds();
};

namespace {

enum Box { Tip, Input, Notice };
constexpr int ByCountdown = -2;

ZUTAVDialogBase* ask(Box box, int flags, int answer, const QString& text)
{
    if (box == Tip) {
        ZUTipDlg::getInstance()->setText(text, QStringLiteral("消息"));
        ZUTipDlg::getInstance()->setButtons(flags, 0);
        DialogAnswerer::answerNextTipDlg(answer);
        return ZUTipDlg::getInstance();
    }
    if (box == Input) {
        ZUInputDlg::getInstance()->setText(text, QStringLiteral("消息"));
        ZUInputDlg::getInstance()->setButtons(flags);
        DialogAnswerer::answerNextInput(QStringLiteral("第三课"), answer);
        return ZUInputDlg::getInstance();
    }
    ZUTAVAutoMsg* notice = ZUTAVAutoMsg::getInstance();
    notice->setContent(text);
    if (flags & 2)
        notice->showConfirmButton();
    if (flags & 4)
        notice->showCancelButton();
    if (answer != ByCountdown)
        DialogAnswerer::answerNextAutoMsg(answer);
    return notice;
}

} // namespace

void TestZUTipDlg::resultByButton_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("expected");
    const int closed = DialogAnswerer::CloseOtherwise;
    QTest::newRow("tip notice yes") << int(Tip) << 2 << 2 << 2;
    QTest::newRow("tip notice close button") << int(Tip) << 2 << 1 << 1;
    QTest::newRow("tip question no") << int(Tip) << 6 << 4 << 4;
    QTest::newRow("tip closed otherwise") << int(Tip) << 6 << closed << 1;
    QTest::newRow("input yes") << int(Input) << 2 << 2 << 2;
    QTest::newRow("input no") << int(Input) << 6 << 4 << 4;
    QTest::newRow("input close button") << int(Input) << 7 << 1 << 1;
    QTest::newRow("input closed otherwise") << int(Input) << 2 << closed << 1;
    QTest::newRow("notice confirm") << int(Notice) << 6 << 0 << 0;
    QTest::newRow("notice cancel") << int(Notice) << 6 << 1 << 1;
    QTest::newRow("notice closed otherwise") << int(Notice) << 6 << closed << 1;
    QTest::newRow("notice closed by countdown") << int(Notice) << 6 << ByCountdown << 1;
    QTest::newRow("notice without buttons offers cancel") << int(Notice) << 0 << 1 << 1;
}

void TestZUTipDlg::resultByButton()
{
    QFETCH(int, box);
    QFETCH(int, flags);
    QFETCH(int, answer);
    QFETCH(int, expected);
    DialogAnswerer::clear();
    ZUTAVAutoMsg* notice = ZUTAVAutoMsg::getInstance();
    // Answered "yes" first, with its own button texts: neither may carry over to the next question.
    ZUTipDlg::getInstance()->setButtonText(ZUTipDlg::Yes, QStringLiteral("是"));
    ZUInputDlg::getInstance()->setButtonText(ZUInputDlg::Yes, QStringLiteral("是"));
    QCOMPARE(ask(Box(box), 6, box == Notice ? 0 : 2, QStringLiteral("第一次"))->exec(), box == Notice ? 0 : 2);

    // A passing notice is still counting when the question reuses its window.
    if (box == Notice)
        notice->showMessage(QStringLiteral("信息提示"), QStringLiteral("答题结束"), 1, false);
    bool counting = true;
    bool questionButtonsGone = true;
    DialogAnswerer::answerNextModal([&](QWidget*) {
        counting = notice->isCounting();
        if (answer == ByCountdown) {
            notice->showMessage(QStringLiteral("提示"), QStringLiteral("教师机绑定成功！"), 1, true);
            for (QPushButton* b : notice->findChildren<QPushButton*>(QRegularExpression("^(confirm|cancel)Btn$")))
                questionButtonsGone = questionButtonsGone && b->isHidden();
        }
    });
    ZUTAVDialogBase* dlg = ask(Box(box), flags, answer, QStringLiteral("是否为课堂记录"));
    QCOMPARE(dlg->exec(), expected);
    QVERIFY(!counting);
    QVERIFY(questionButtonsGone);
    QCOMPARE(DialogAnswerer::lastText(), QStringLiteral("是否为课堂记录"));
    for (QPushButton* b : dlg->findChildren<QPushButton*>(QRegularExpression("^(yes|no|confirm|cancel)Btn$")))
        QVERIFY(b->isHidden() && b->text() != QStringLiteral("是"));
    QCOMPARE(DialogAnswerer::failures(), 0);
    notice->hide();
}

void TestZUTipDlg::noticeClosesAfterItsSeconds_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("ticks");
    QTest::newRow("0 s") << 0 << 1;
    QTest::newRow("3 s") << 3 << 3;
}

void TestZUTipDlg::noticeClosesAfterItsSeconds()
{
    QFETCH(int, seconds);
    QFETCH(int, ticks);
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    QCOMPARE(ask(Notice, 2, ZUTAVAutoMsg::Confirm, QStringLiteral("x"))->exec(), 0);
    // The second notice restarts the count, and closing by it reads as cancel.
    msg->showMessage(QStringLiteral("t"), QStringLiteral("first"), 3, true);
    msg->timeout();
    msg->showMessage(QStringLiteral("t"), QStringLiteral("second"), seconds, true);
    for (int i = 1; i < ticks; ++i) {
        msg->timeout();
        QVERIFY(msg->isVisible());
    }
    msg->timeout();
    QVERIFY(!msg->isVisible() && !msg->isCounting());
    QCOMPARE(msg->result(), int(ZUTAVAutoMsg::Cancel));
}

void TestZUTipDlg::textsShowAsPlainText_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<bool>("afterOwnPrompt");
    QTest::newRow("message box") << int(Tip) << false;
    QTest::newRow("input box") << int(Input) << false;
    QTest::newRow("notice") << int(Notice) << false;
    QTest::newRow("notice after a prompt of the program") << int(Notice) << true;
}

// The boxes show texts of the server and the keypads: tags stay text, whoever the caller is, also when the
// notice showed a formatted prompt of the program just before.
void TestZUTipDlg::textsShowAsPlainText()
{
    QFETCH(int, box);
    QFETCH(bool, afterOwnPrompt);
    const QString markup = QStringLiteral("<h1 style='color:red'>HACKED</h1>");
    if (afterOwnPrompt)
        ZUTAVAutoMsg::getInstance()->showMessage(QStringLiteral("提示"), ZURichText().text(QStringLiteral("x")), 3,
                                                 true);
    QWidget* dlg = nullptr;
    if (box == Tip) {
        ZUTipDlg::getInstance()->setText(markup, markup);
        dlg = ZUTipDlg::getInstance();
    } else if (box == Input) {
        ZUInputDlg::getInstance()->setText(markup, markup);
        dlg = ZUInputDlg::getInstance();
    } else {
        ZUTAVAutoMsg::getInstance()->showMessage(markup, markup, 3, false);
        dlg = ZUTAVAutoMsg::getInstance();
    }
    int shown = 0;
    for (QLabel* label : dlg->findChildren<QLabel*>()) {
        if (label->text() != markup)
            continue;
        ++shown;
        QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
    }
    QCOMPARE(shown, 2);
    dlg->hide();
}

// A passing notice without a picture (the receiver's) is a small box with its line in the middle.
void TestZUTipDlg::noticeWithoutPictureIsOneCentredLine()
{
    ZUTAVAutoMsg* notice = ZUTAVAutoMsg::getInstance();
    notice->showMessage(QStringLiteral("接收器"), QStringLiteral("硬件连接异常"), 3, false);
    auto* text = notice->findChild<QLabel*>(QStringLiteral("textLabel"));
    QVERIFY(text->alignment() & Qt::AlignHCenter);
    QVERIFY2(notice->height() <= 160, qPrintable(QString::number(notice->height())));
    notice->showMessage(QStringLiteral("提示"), QStringLiteral("教师机绑定成功！"), 3, true);
    QVERIFY(text->alignment() & Qt::AlignLeft);
    notice->hide();
}

void TestZUTipDlg::ownPromptShowsWhole_data()
{
    QTest::addColumn<int>("paragraphs");
    QTest::addColumn<bool>("modal");
    QTest::newRow("one line, passing") << 1 << false;
    QTest::newRow("three lines, asked") << 3 << true;
    QTest::newRow("eight lines, passing") << 8 << false;
    QTest::newRow("one line after eight, asked") << 1 << true;
}

// A prompt of the program: its lines with their pictures as written, every text run as text, the box sized
// to the prompt it shows now (not to the one before).
void TestZUTipDlg::ownPromptShowsWhole()
{
    QFETCH(int, paragraphs);
    QFETCH(bool, modal);
    QTemporaryDir dir;
    QImage key(30, 22, QImage::Format_ARGB32);
    key.fill(Qt::darkGray);
    QVERIFY(key.save(dir.filePath("key.png")));
    ZURichText prompt(QStringLiteral("font-size:14pt; color:#000000;"));
    QStringList lines;
    for (int i = 0; i < paragraphs; ++i) {
        prompt.paragraph().text(QStringLiteral("第%1步：同时按住").arg(i + 1)).picture(dir.filePath("key.png"));
        prompt.text(QStringLiteral("<b>键</b> & 再按"));
        lines << QStringLiteral("第%1步：同时按住\uFFFC<b>键</b> & 再按").arg(i + 1);
    }

    ZUTAVAutoMsg* notice = ZUTAVAutoMsg::getInstance();
    auto* label = notice->findChild<QLabel*>(QStringLiteral("textLabel"));
    bool whole = false;
    QString shown;
    auto look = [&] {
        QTextDocument doc;
        doc.setHtml(label->text());
        shown = label->textFormat() == Qt::RichText ? doc.toPlainText() : label->text();
        whole = label->height() >= label->sizeHint().height() && label->width() >= label->sizeHint().width();
    };
    if (modal) {
        notice->setContent(prompt);
        DialogAnswerer::answerNextModal([&](QWidget* box) {
            look();
            box->close();
        });
        notice->exec();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
    } else {
        notice->showMessage(QStringLiteral("提示"), prompt, 3, true);
        look();
        notice->hide();
    }
    QCOMPARE(shown, lines.join(QLatin1Char('\n')));
    QVERIFY(whole);
}

// The countdown ticks once a second: a notice of two seconds stays up for two seconds.
void TestZUTipDlg::noticeCountsWholeSeconds()
{
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    QElapsedTimer clock;
    clock.start();
    msg->showMessage(QStringLiteral("信息提示"), QStringLiteral("答题结束"), 2, false);
    QVERIFY(msg->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!msg->isVisible(), 20000);
    // A coarse timer may fire up to 5 % early.
    QVERIFY2(clock.elapsed() >= 1900, qPrintable(QString::number(clock.elapsed())));
}

QTEST_MAIN(TestZUTipDlg)
#include "TestZUTipDlg.moc"
