#include "ZUMakePaper.h"

#include "CodeTool.h"
#include "HttpDownFile.h"
#include "PlainFileName.h"
#include "TAVMemInfo.h"
#include "TAVNetCheck.h"
#include "TAVNetEvent.h"
#include "ZUFormFrame.h"
#include "ZUMakePaperPage.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"
#include "ZUWebView.h"

#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QNetworkReply>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebPage>

ZUMakePaper::ZUMakePaper()
    : QDialog(nullptr)
    , m_chooseFolder(
          [this] { return QFileDialog::getExistingDirectory(this, QString(), QString(), QFileDialog::ShowDirsOnly); })
{
    setWindowTitle(tr("备课"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Dialog);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(ZUFormFrame::styleSheet(R"(
#titleLabel { font-size: 16px; }
#pageFrame, #neutralPage { background-color: #ffffff; }
#neutralText { color: #999999; font-size: 16px; }
)"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ZUFormFrame::addTitleBar(layout, tr("备课"), { { "closeBtn", tr("关闭") } }, 44, QMargins(16, 0, 10, 0));

    auto* page = new QFrame(this);
    page->setObjectName("pageFrame");
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    // Until the server's page has loaded, a page of our own stands in: WebKit's error page would show the
    // teacher English text and the whole signed address.
    m_stack = new QStackedWidget(page);
    m_neutralPage = new QFrame(m_stack);
    m_neutralPage->setObjectName("neutralPage");
    auto* neutralLayout = new QVBoxLayout(m_neutralPage);
    auto* neutralText = new QLabel(tr("正在打开备课页面…"), m_neutralPage);
    neutralText->setObjectName("neutralText");
    neutralText->setAlignment(Qt::AlignCenter);
    neutralLayout->addWidget(neutralText);
    m_view = new ZUWebView(this);
    m_view->setObjectName("webView");
    m_page = new ZUMakePaperPage(m_view);
    m_view->setPage(m_page);
    m_view->installEventFilter(this);
    m_stack->addWidget(m_neutralPage);
    m_stack->addWidget(m_view);
    pageLayout->addWidget(m_stack);
    layout->addWidget(page);

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &ZUMakePaper::timeout);
    connect(m_view, &QWebView::loadFinished, this, &ZUMakePaper::loadFinished);
    m_view->page()->setForwardUnsupportedContent(true);
    connect(m_view->page(), &QWebPage::unsupportedContent, this, &ZUMakePaper::unsupportedContent);
    m_view->setHtml(QString());
    QMetaObject::connectSlotsByName(this);
    setWindowState(Qt::WindowFullScreen);
    hide();
}

bool ZUMakePaper::pageTimerActive() const
{
    return m_timer->isActive();
}

int ZUMakePaper::pageTimerRemaining() const
{
    return m_timer->remainingTime();
}

bool ZUMakePaper::pageShown() const
{
    return m_stack->currentWidget() == m_view;
}

void ZUMakePaper::showNeutralPage()
{
    m_stack->setCurrentWidget(m_neutralPage);
}

QString ZUMakePaper::pageUrl(int phaseID, int subject) const
{
    const QString creator = TAVMemInfo::getInstance()->currentTeacher.username;
    const QString sign = CodeTool::md5Hex("creator=" + creator + "&" + TAVNetEvent::signKey());
    const QString base = "http://" + TAVNetCheck::getInstance()->getHost() + ":"
        + QString::number(TAVNetCheck::getInstance()->getPort()) + "/tav/group/findKsPapers?";
    return base + "creator=" + creator + "&tavphaseID=" + QString::number(phaseID)
        + "&tavsubjectID=" + QString::number(subject) + "&sign=" + sign;
}

void ZUMakePaper::showPaper(int phaseID, int subject)
{
    showNeutralPage();
    m_page->resetDialogCount();
    m_view->setHtml(QString());
    __loadMakerPaper(phaseID, subject);
    m_timer->start(kPageTimeoutMs);
    // Without a window manager the full-screen state alone does not size the window.
    setGeometry(QGuiApplication::primaryScreen()->geometry());
    showFullScreen();
    raise();
}

void ZUMakePaper::__loadMakerPaper(int phaseID, int subject)
{
    const QString url = pageUrl(phaseID, subject);
    CodeTool::logWithTime("ZUMakePaper start");
    m_view->load(QUrl(url, QUrl::TolerantMode));
}

void ZUMakePaper::loadFinished(bool success)
{
    qDebug() << "loadFinished";
    if (!isVisible())
        return;
    // The blank page that stands between two loads is not the page asked for.
    const QUrl url = m_view->url();
    if (success && !url.isEmpty() && url != QUrl("about:blank")) {
        m_timer->stop();
        m_stack->setCurrentWidget(m_view);
    }
    CodeTool::logWithTime("ZUMakePaper end");
}

void ZUMakePaper::timeout()
{
    m_timer->stop();
    ZUTipDlg* tip = ZUTipDlg::getInstance();
    tip->setButtons(2, 0);
    tip->setButtonText(2, tr("确认"));
    tip->setText(tr("备课页面加载失败"), tr("错误"));
    tip->exec();
    on_closeBtn_clicked();
}

void ZUMakePaper::on_closeBtn_clicked()
{
    m_timer->stop();
    showNeutralPage();
    m_view->setHtml(QString());
    ZUToolBarDlg::getInstance()->show();
    hide();
}

QString ZUMakePaper::wordFilePath(const QString& folder, const QString& url)
{
    const int at = url.indexOf("paperName=");
    if (at < 0)
        return QString();
    const int start = at + int(strlen("paperName="));
    const int end = url.indexOf('&', start);
    const QString raw = end < 0 ? url.mid(start) : url.mid(start, end - start);
    QString dir = folder;
    if (!dir.endsWith('/'))
        dir += '/';
    return dir + PlainFileName::make(raw, "paper") + ".doc";
}

void ZUMakePaper::unsupportedContent(QNetworkReply* reply)
{
    qDebug() << "unsupportedContent";
    if (!reply)
        return;
    const QString url = reply->url().toString();
    // The page hands its own reply over to us; the paper is fetched anew within its bounds, so this one is let
    // go before its body piles up in memory.
    reply->abort();
    reply->deleteLater();
    if (!url.contains("getWordUrl")) {
        qWarning().noquote() << "****the url is :" + url;
        return;
    }
    const QString folder = m_chooseFolder();
    if (folder.isEmpty())
        return;
    const QString file = wordFilePath(folder, url);
    if (file.isEmpty()) {
        qWarning().noquote() << "****the url is :" + url;
        return;
    }

    const bool ok = downloadWord(url, file);
    ZUTipDlg* tip = ZUTipDlg::getInstance();
    tip->setButtons(2, ok ? 1 : 0);
    tip->setButtonText(2, tr("确认"));
    if (ok)
        tip->setText(tr("试卷下载完成"), tr("信息"));
    else
        tip->setText(tr("备课页面加载失败"), tr("错误"));
    tip->exec();
}

bool ZUMakePaper::downloadWord(const QString& url, const QString& file)
{
    // Into a file of its own first: a failed download leaves the teacher's folder as it was, with no piece of a
    // paper under the paper's name.
    const QString part = file + ".part";
    if (!HttpDownFile::getInstance()->downFile(part, url, m_wordMaxBytes, m_wordDeadlineMs)) {
        QFile::remove(part);
        return false;
    }
    QFile::remove(file);
    if (!QFile::rename(part, file)) {
        qWarning().noquote() << "****cannot keep the paper " + file;
        QFile::remove(part);
        return false;
    }
    return true;
}

void ZUMakePaper::keyPressEvent(QKeyEvent* event)
{
    event->ignore();
}

bool ZUMakePaper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress))
        m_page->resetDialogCount();
    return QDialog::eventFilter(watched, event);
}
