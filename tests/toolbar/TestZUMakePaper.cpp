// The lesson-preparation page, and the plain file names it and the tool bar's thumbnail rely on.
#include "ToolbarTestSupport.h"

#include "PlainFileName.h"
#include "ZUMakePaper.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebView>

using namespace ToolbarTestSupport;

const QString kPagePath = QStringLiteral("/tav/group/findKsPapers");
const QString kWordPath = QStringLiteral("/tav/group/getWordUrl");
const QString kPaperFile = QStringLiteral("一次函数单元小测.doc");

class TestZUMakePaper : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    ZUMakePaper* m_paper = nullptr;

private slots:
    void initTestCase()
    {
        QVERIFY(startDemoService(m_service));
        m_paper = ZUMakePaper::getInstance();
    }

    void init()
    {
        QVERIFY(freshStart(m_service));
        TAVMemInfo::getInstance()->currentTeacher.username = kTeacher;
    }

    void cleanup()
    {
        m_paper->setWordBounds(ZUMakePaper::kWordMaxBytes, ZUMakePaper::kWordDeadlineMs);
        QVERIFY(dialogsAnswered());
        m_paper->on_closeBtn_clicked();
        ZUToolBarDlg::getInstance()->hide();
    }

    // A plain name for untrusted text, and the download path built from the server's URL.
    void plainFileName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        auto row = [](const char* tag, const QString& text, const char* name) { QTest::newRow(tag) << text << name; };
        row("plain", "一次函数单元小测", "一次函数单元小测");
        row("parent folders", "../../etc/passwd", "etcpasswd");
        row("windows path", "..\\..\\C:\\x", "Cx");
        row("control characters", QString("a\nb\tc") + QChar(0), "abc");
        row("only dots", "..", "fallback");
        row("inner dots stay", "v1.2 paper", "v1.2 paper");
        // Rows from here on are URLs of the Word download into the folder "/d".
        row("url: name last", "http://h/getWordUrl?paperID=1&paperName=小测", "/d/小测.doc");
        row("url: name in the middle", "http://h/getWordUrl?paperName=A&x=1", "/d/A.doc");
        row("url: escaping name", "http://h/getWordUrl?paperName=../../x", "/d/x.doc");
        row("url: empty name", "http://h/getWordUrl?paperName=&x=1", "/d/paper.doc");
        row("url: no name", "http://h/getWordUrl?paperID=1", "");
    }

    void plainFileName()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        if (!text.startsWith("http://")) {
            QCOMPARE(PlainFileName::make(text, "fallback"), name);
            return;
        }
        QCOMPARE(ZUMakePaper::wordFilePath("/d", text), name);
        QCOMPARE(ZUMakePaper::wordFilePath("/d/", text), name);
    }

    void unloadedPageReturnsToToolBar_data()
    {
        QTest::addColumn<bool>("timedOut");
        QTest::newRow("closed before load") << false;
        QTest::newRow("timed out") << true;
    }

    void unloadedPageReturnsToToolBar()
    {
        QFETCH(bool, timedOut);
        m_service.setFailure(kPagePath, WebFailure::NoAnswer);
        m_paper->showPaper(2, 1);
        QVERIFY(m_paper->pageTimerActive());
        if (timedOut) {
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
            m_paper->timeout();
            QVERIFY(DialogAnswerer::waitUntilAnswered());
            QCOMPARE(DialogAnswerer::lastTitle(), QString("错误"));
            QCOMPARE(DialogAnswerer::lastText(), QString("备课页面加载失败"));
        } else {
            m_paper->on_closeBtn_clicked();
        }
        // A timer left running would put the error over the tool bar later.
        QVERIFY(!m_paper->pageTimerActive());
        QVERIFY(!m_paper->isVisible());
        QVERIFY(ZUToolBarDlg::getInstance()->isVisible());
    }

    // Until the server's page has loaded, a neutral page of our own stands in for it: never WebKit's error
    // page with the whole signed address.
    void neutralPageUntilTheRealOneLoads_data()
    {
        QTest::addColumn<QString>("server");
        QTest::newRow("answers") << "answers";
        QTest::newRow("silent") << "silent";
        QTest::newRow("down") << "down";
    }

    void neutralPageUntilTheRealOneLoads()
    {
        QFETCH(QString, server);
        if (server == "silent")
            m_service.setFailure(kPagePath, WebFailure::NoAnswer);
        else if (server == "down")
            QVERIFY(useUnreachableServer());
        QSignalSpy loaded(m_paper->findChild<QWebView*>("webView"), &QWebView::loadFinished);
        QElapsedTimer shown;
        shown.start();
        m_paper->showPaper(2, 1);
        QVERIFY(!m_paper->pageShown());
        // The page gives up 8 s after it was asked for (a coarse timer keeps within 5 % of its interval).
        const qint64 asked = shown.elapsed() + m_paper->pageTimerRemaining();
        QVERIFY2(asked >= ZUMakePaper::kPageTimeoutMs * 95 / 100, qPrintable(QString::number(asked)));
        QCOMPARE(ZUMakePaper::kPageTimeoutMs, 8000);
        if (server == "silent") {
            QVERIFY(!loaded.wait(500));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty() && !loaded.last().at(0).toBool() == (server == "down"), 20000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_paper->pageShown(), server == "answers", 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_paper->pageTimerActive(), server != "answers", 20000);
    }

    // The server's scripts cannot lock the teacher in the full-screen page with their dialogs.
    void scriptDialogsCannotLockThePage_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("shown"); // message boxes the teacher sees and answers with yes
        QTest::addColumn<QString>("title"); // what the script leaves in document.title
        QTest::newRow("alert in a loop")
            << "for (var i = 0; i < 50; ++i) alert('第' + i + '次'); document.title = 'done';" << 3 << "done";
        QTest::newRow("confirm in a loop")
            << "var n = 0; for (var i = 0; i < 50; ++i) if (confirm('?')) ++n; document.title = 'yes ' + n;" << 3
            << "yes 3";
        QTest::newRow("prompt gets no answer") << "document.title = String(prompt('请输入密码', 'x'));" << 0 << "null";
        QTest::newRow("markup shown as text") << "alert('<h1>HACKED</h1>'); document.title = 'done';" << 1 << "done";
    }

    void scriptDialogsCannotLockThePage()
    {
        QFETCH(QString, script);
        QFETCH(int, shown);
        QFETCH(QString, title);
        m_service.setCannedReply(kPagePath, 200,
                                 ("<html><body><script>" + script + "</script></body></html>").toUtf8());
        for (int i = 0; i < shown; ++i)
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        auto* view = m_paper->findChild<QWebView*>("webView");
        m_paper->showPaper(2, 1);
        QTRY_COMPARE_WITH_TIMEOUT(view->title(), title, 30000);
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::answeredCount(), shown);
        if (shown)
            QCOMPARE(DialogAnswerer::lastTitle(), QString("备课"));
        // The script has run; the load ends after it.
        QTRY_VERIFY_WITH_TIMEOUT(m_paper->pageShown(), 30000);
        m_paper->on_closeBtn_clicked();
        QVERIFY(!m_paper->isVisible());
    }

    void wordDownloadGoesIntoChosenFolder_data()
    {
        QTest::addColumn<bool>("chooseFolder");
        QTest::newRow("folder chosen") << true;
        QTest::newRow("choice cancelled") << false;
    }

    void wordDownloadGoesIntoChosenFolder()
    {
        QFETCH(bool, chooseFolder);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        int asked = 0;
        m_paper->setFolderChooser([&] {
            ++asked;
            return chooseFolder ? folder.path() : QString();
        });
        m_paper->showPaper(2, 1);
        QTRY_VERIFY_WITH_TIMEOUT(!m_paper->pageTimerActive(), 30000);
        QCOMPARE(m_service.requestsTo(kPagePath).size(), 1);
        QVERIFY(m_service.requestsTo(kPagePath).first().signOk);

        if (chooseFolder)
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_paper->findChild<QWebView*>("webView")->page()->mainFrame()->evaluateJavaScript(
            "document.querySelector('a').click();");
        QTRY_COMPARE_WITH_TIMEOUT(asked, 1, 30000);
        QVERIFY(DialogAnswerer::waitUntilAnswered());

        QFile doc(folder.filePath(kPaperFile));
        QCOMPARE(doc.exists(), chooseFolder);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), int(chooseFolder));
        QCOMPARE(DialogAnswerer::answeredCount(), int(chooseFolder));
        if (chooseFolder) {
            QCOMPARE(DialogAnswerer::lastText(), QString("试卷下载完成"));
            QVERIFY(doc.open(QIODevice::ReadOnly));
            QVERIFY(doc.readAll().contains("一次函数单元小测"));
        }
        QVERIFY(m_paper->isVisible());
    }

    // The page hands over its own reply for the paper's address; the paper is fetched anew within its bounds, so
    // that reply is let go at once instead of taking the whole body into memory beside the download.
    void pagesOwnReplyIsLetGo()
    {
        QTemporaryDir folder;
        m_paper->setFolderChooser([&] { return folder.path(); });
        m_service.setOversizedReply(kWordPath, qint64(1) << 30, true);
        const QString link = "http://" + m_service.hostPort() + kWordPath + "?paperID=P1001&paperName=大";
        QNetworkAccessManager network;
        QPointer<QNetworkReply> reply = network.get(QNetworkRequest(QUrl(link)));
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_paper->unsupportedContent(reply.data());
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("备课页面加载失败"));
        QVERIFY(reply.isNull() || (reply->isFinished() && reply->error() == QNetworkReply::OperationCanceledError));
        QTRY_VERIFY_WITH_TIMEOUT(reply.isNull(), 20000);
        QVERIFY(QDir(folder.path()).entryList(QDir::Files).isEmpty());
    }

    // A Word paper too large, too slow or refused gives the page's download error and leaves the folder as it
    // was: no piece of the paper, and an earlier paper of that name kept.
    void failedWordDownloadLeavesTheFolderAsItWas_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("larger than a paper") << "large";
        QTest::newRow("slower than its time") << "slow";
        QTest::newRow("refused by the server") << "refused";
    }

    void failedWordDownloadLeavesTheFolderAsItWas()
    {
        QFETCH(QString, failure);
        QTemporaryDir folder;
        QFile earlier(folder.filePath(kPaperFile));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier paper") > 0);
        earlier.close();
        m_paper->setFolderChooser([&] { return folder.path(); });
        m_paper->showPaper(2, 1);
        QTRY_VERIFY_WITH_TIMEOUT(m_paper->pageShown(), 30000);
        const QString link = m_paper->findChild<QWebView*>("webView")
                                 ->page()
                                 ->mainFrame()
                                 ->evaluateJavaScript("document.querySelector('a').href")
                                 .toString();
        QVERIFY(link.contains(kWordPath));

        if (failure == "large") {
            m_service.setOversizedReply(kWordPath, ZUMakePaper::kWordMaxBytes + 1);
        } else if (failure == "slow") {
            // The paper comes a byte every 100 ms, so it takes seconds; the bound here is one.
            m_service.setFailure(kWordPath, WebFailure::Trickle);
            m_paper->setWordBounds(ZUMakePaper::kWordMaxBytes, 1000);
        } else {
            m_service.setFailure(kWordPath, WebFailure::Http500);
        }
        // What the page hands over when the link is followed: its own reply for the address, for the slot to delete.
        QNetworkAccessManager network;
        QNetworkReply* reply = network.get(QNetworkRequest(QUrl(link)));
        reply->abort();
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_paper->unsupportedContent(reply);
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastTitle(), QString("错误"));
        QCOMPARE(DialogAnswerer::lastText(), QString("备课页面加载失败"));

        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList({ kPaperFile }));
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier paper"));
        QVERIFY(m_paper->isVisible());
    }
};

TAV_DB_TEST_MAIN(TestZUMakePaper)

#include "TestZUMakePaper.moc"
