// The binding screen's own prompts as the teacher sees them: the key pictures inline, the texts in their size and
// colour, each prompt whole.
#include "RosterTestSupport.h"

#include "ZUFormFrame.h"
#include "ZUStuLinkDlg.h"
#include "ZUStuLinkFlow.h"
#include "ZUTAVAutoMsg.h"

#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>

using namespace RosterTestSupport;

namespace {

// What a label shows: its text as a reader sees it (a picture stands as "[file name]"), the pictures it draws,
// and whether every text run is in 14 pt black.
struct Shown
{
    QString text;
    QStringList pictures;
    bool ownLook = true;
    bool whole = false;
};

Shown shownBy(const QLabel* label)
{
    Shown shown;
    const int width = label->contentsRect().width();
    const int height = label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
    shown.whole = label->isVisible() && label->height() >= height && width >= label->minimumSizeHint().width();
    if (label->textFormat() == Qt::PlainText) {
        shown.text = label->text();
        shown.ownLook = false;
        return shown;
    }
    QTextDocument doc;
    doc.setHtml(label->text());
    QStringList lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QString line;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                const QString file = QFileInfo(format.toImageFormat().name()).fileName();
                shown.pictures << format.toImageFormat().name();
                line += "[" + file + "]";
                continue;
            }
            line += fragment.text();
            shown.ownLook
                = shown.ownLook && format.fontPointSize() == 14 && format.foreground().color() == QColor(Qt::black);
        }
        lines << line;
    }
    shown.text = lines.join('\n');
    return shown;
}

QLabel* noticeText()
{
    return ZUTAVAutoMsg::getInstance()->findChild<QLabel*>("textLabel");
}

} // namespace

class TestZUStuLinkDlg : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    ZUStuLinkDlg* m_screen = nullptr;

    QPushButton* button(const char* name) const { return m_screen->findChild<QPushButton*>(name); }

    // The prompt the button opens, read while it is up, then cancelled.
    void promptOf(const QString& name, Shown* shown)
    {
        DialogAnswerer::answerNextModal([shown](QWidget* box) {
            *shown = shownBy(noticeText());
            box->findChild<QPushButton*>("cancelBtn")->click();
        });
        button(qPrintable(name))->click();
        QVERIFY(DialogAnswerer::waitUntilAnswered(20000));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(startDemoService(m_service));
        m_screen = ZUStuLinkDlg::getInstance();
    }

    void init()
    {
        QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
        QVERIFY(demoLesson(m_service, "fake"));
        // The second student has no keypad, so that fast binding has someone to bind.
        TAVMemInfo::getInstance()->studentList[1].sn.clear();
        m_screen->onShow();
        QVERIFY(m_screen->flow()->isMatch());
    }

    void cleanup()
    {
        m_screen->flow()->reset();
        ZUTAVAutoMsg::getInstance()->hide();
        m_screen->hide();
        QVERIFY(dialogsAnswered());
    }

    void prompts_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("teacher keypad") << "TeaBindBtn"
                                        << "确认接收器正确连接后，\n"
                                           "同时按住教师机的[tav_setup_up.png]+[tav_setup_pow.png]键";
        QTest::newRow("fast binding")
            << "StuBindingBtn"
            << "请按照学生列表的提示，\n"
               "依次按住学生机[tav_setup_FN.png]+[tav_setup_5.png]-->[tav_setup_figer.png]键，\n"
               "完成快速绑定！";
    }

    void prompts()
    {
        QFETCH(QString, button);
        QFETCH(QString, text);
        Shown shown;
        promptOf(button, &shown);
        QCOMPARE(shown.text, text);
        QVERIFY(shown.ownLook);
        QVERIFY(shown.whole);
        for (const QString& picture : shown.pictures) {
            QVERIFY2(picture.startsWith(ZUFormFrame::imagePath("setup/")), qPrintable(picture));
        }
    }

    void teacherResult_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("text");
        QTest::newRow("bound") << "Success"
                               << "教师机绑定成功！";
        QTest::newRow("refused") << "Fail"
                                 << "教师机绑定失败！";
    }

    void teacherResult()
    {
        QFETCH(QString, reply);
        QFETCH(QString, text);
        QCOMPARE(m_screen->flow()->bindTeacher(), ZUStuLinkFlow::TeacherStarted);
        m_screen->receivedSetIdData(SetIdInfo { reply });
        QVERIFY(ZUTAVAutoMsg::getInstance()->isVisible());
        const Shown shown = shownBy(noticeText());
        QCOMPARE(shown.text, text);
        QVERIFY(shown.ownLook);
        QVERIFY(shown.whole);
        QVERIFY(ZUTAVAutoMsg::getInstance()->isCounting());
    }
};

TAV_DB_TEST_MAIN(TestZUStuLinkDlg)
#include "TestZUStuLinkDlg.moc"
