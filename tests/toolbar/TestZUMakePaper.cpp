#include "DbTestSupport.h"
#include "DialogAnswerer.h"
#include "ToolbarTestSupport.h"

#include "CodeTool.h"
#include "PlainFileName.h"
#include "TAVMemInfo.h"
#include "TavWebService.h"
#include "ZUMakePaper.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebView>
#include <QtTest>

using namespace ToolbarTestSupport;

namespace {
const QString kPagePath = QStringLiteral("/tav/group/findKsPapers");
}

class TestZUMakePaper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void plainFileName_data();
    void plainFileName();
    void wordFilePath_data();
    void wordFilePath();
    void pageIsSignedForTheTeacher();
    void loadedPageStopsTheTimer();
    void closingBeforeLoadStopsTheTimer();
    void pageTimeoutShowsErrorAndReturnsToToolBar();
    void wordDownloadGoesIntoChosenFolder_data();
    void wordDownloadGoesIntoChosenFolder();

private:
    QWebView* view() const { return m_paper->findChild<QWebView*>("webView"); }

    TavWebService m_service;
    ZUMakePaper* m_paper = nullptr;
};

void TestZUMakePaper::initTestCase()
{
    QVERIFY(m_service.loadDataFile(QString(TAV_SOURCE_DIR) + "/tests/support/webservice/demo.json"));
    QVERIFY(m_service.start());
    QVERIFY(DbTestSupport::freshDatabase());
    m_paper = ZUMakePaper::getInstance();
}

void TestZUMakePaper::init()
{
    resetTeacherState();
    TAVMemInfo::getInstance()->currentTeacher.username = kTeacher;
    QVERIFY(useService(m_service));
    m_service.clearRequests();
    DialogAnswerer::clear();
}

void TestZUMakePaper::cleanup()
{
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::failures(), 0);
    m_paper->on_closeBtn_clicked();
    ZUToolBarDlg::getInstance()->hide();
}

void TestZUMakePaper::plainFileName_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "一次函数单元小测"
                           << "一次函数单元小测";
    QTest::newRow("parent folders") << "../../etc/passwd"
                                    << "etcpasswd";
    QTest::newRow("windows path") << "..\\..\\C:\\x"
                                  << "Cx";
    QTest::newRow("absolute") << "/tmp/evil"
                              << "tmpevil";
    QTest::newRow("control characters") << QString("a\nb\tc") + QChar(0) << "abc";
    QTest::newRow("only dots") << ".."
                               << "fallback";
    QTest::newRow("empty") << ""
                           << "fallback";
    QTest::newRow("inner dots stay") << "v1.2 paper"
                                     << "v1.2 paper";
}

void TestZUMakePaper::plainFileName()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QCOMPARE(PlainFileName::make(text, "fallback"), name);
}

void TestZUMakePaper::wordFilePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("path");
    QTest::newRow("name last") << "/d"
                               << "http://h/getWordUrl?paperID=1&paperName=小测"
                               << "/d/小测.doc";
    QTest::newRow("name in the middle") << "/d/"
                                        << "http://h/getWordUrl?paperName=A&x=1"
                                        << "/d/A.doc";
    QTest::newRow("escaping name") << "/d"
                                   << "http://h/getWordUrl?paperName=../../x"
                                   << "/d/x.doc";
    QTest::newRow("empty name") << "/d"
                                << "http://h/getWordUrl?paperName=&x=1"
                                << "/d/paper.doc";
    QTest::newRow("no name") << "/d"
                             << "http://h/getWordUrl?paperID=1"
                             << "";
}

void TestZUMakePaper::wordFilePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, url);
    QFETCH(QString, path);
    QCOMPARE(ZUMakePaper::wordFilePath(folder, url), path);
}

void TestZUMakePaper::pageIsSignedForTheTeacher()
{
    const QString url = m_paper->pageUrl(2, 1);
    QCOMPARE(url,
             QString("http://127.0.0.1:%1/tav/group/findKsPapers?creator=teacher01&tavphaseID=2&tavsubjectID=1&sign=%2")
                 .arg(m_service.port())
                 .arg(CodeTool::md5Hex("creator=teacher01&7e3a90c41bd8f25a06c9e1b47d2f8a53")));
}

void TestZUMakePaper::loadedPageStopsTheTimer()
{
    QSignalSpy loaded(view(), &QWebView::loadFinished);
    m_paper->showPaper(2, 1);
    QVERIFY(m_paper->isVisible());
    QVERIFY(m_paper->pageTimerActive());
    QTRY_VERIFY_WITH_TIMEOUT(!m_paper->pageTimerActive(), 5000);
    const QList<WebRequest> sent = m_service.requestsTo(kPagePath);
    QCOMPARE(sent.size(), 1);
    QVERIFY(sent.first().signOk);
    QVERIFY(view()->page()->mainFrame()->toPlainText().contains("一次函数单元小测"));
}

void TestZUMakePaper::closingBeforeLoadStopsTheTimer()
{
    m_service.setFailure(kPagePath, WebFailure::NoAnswer);
    m_paper->showPaper(2, 1);
    QVERIFY(m_paper->pageTimerActive());
    m_paper->on_closeBtn_clicked();
    QVERIFY(!m_paper->pageTimerActive());
    QVERIFY(!m_paper->isVisible());
    QVERIFY(ZUToolBarDlg::getInstance()->isVisible());
    m_service.clearFailures();
}

void TestZUMakePaper::pageTimeoutShowsErrorAndReturnsToToolBar()
{
    m_service.setFailure(kPagePath, WebFailure::NoAnswer);
    m_paper->showPaper(2, 1);
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    m_paper->timeout();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::lastTitle(), QString("错误"));
    QCOMPARE(DialogAnswerer::lastText(), QString("备课页面加载失败"));
    QVERIFY(!m_paper->isVisible());
    QVERIFY(ZUToolBarDlg::getInstance()->isVisible());
    m_service.clearFailures();
}

void TestZUMakePaper::wordDownloadGoesIntoChosenFolder_data()
{
    QTest::addColumn<bool>("chooseFolder");
    QTest::newRow("folder chosen") << true;
    QTest::newRow("choice cancelled") << false;
}

void TestZUMakePaper::wordDownloadGoesIntoChosenFolder()
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
    QTRY_VERIFY_WITH_TIMEOUT(!m_paper->pageTimerActive(), 5000);

    if (chooseFolder)
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    view()->page()->mainFrame()->evaluateJavaScript("document.querySelector('a').click();");
    QTRY_COMPARE_WITH_TIMEOUT(asked, 1, 5000);
    QVERIFY(DialogAnswerer::waitUntilAnswered());

    const QString file = folder.filePath("一次函数单元小测.doc");
    QCOMPARE(QFile::exists(file), chooseFolder);
    QCOMPARE(DialogAnswerer::answeredCount(), chooseFolder ? 1 : 0);
    if (chooseFolder) {
        QCOMPARE(DialogAnswerer::lastText(), QString("试卷下载完成"));
        QFile doc(file);
        QVERIFY(doc.open(QIODevice::ReadOnly));
        QVERIFY(doc.readAll().contains("一次函数单元小测"));
    }
    QVERIFY(m_paper->isVisible());
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestZUMakePaper test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZUMakePaper.moc"
