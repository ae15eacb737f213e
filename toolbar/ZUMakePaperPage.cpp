#include "ZUMakePaperPage.h"

#include "ZUTipDlg.h"

#include <QDebug>

ZUMakePaperPage::ZUMakePaperPage(QObject* parent)
    : QWebPage(parent)
{
}

bool ZUMakePaperPage::showDialog(const QString& message, bool question, bool* yes)
{
    ZUTipDlg* tip = ZUTipDlg::getInstance();
    if (m_showing || tip->isVisible() || m_inARow >= kDialogsInARow) {
        qWarning() << "****script dialog of the lesson page not shown";
        return false;
    }
    ++m_inARow;
    m_showing = true;
    tip->setButtons(question ? 6 : 2, 0);
    tip->setText(message, tr("备课"));
    const int answer = tip->exec();
    m_showing = false;
    if (yes)
        *yes = answer == ZUTipDlg::Yes;
    return true;
}

void ZUMakePaperPage::javaScriptAlert(QWebFrame*, const QString& message)
{
    showDialog(message, false, nullptr);
}

bool ZUMakePaperPage::javaScriptConfirm(QWebFrame*, const QString& message)
{
    bool yes = false;
    return showDialog(message, true, &yes) && yes;
}

bool ZUMakePaperPage::javaScriptPrompt(QWebFrame*, const QString&, const QString&, QString*)
{
    // A page must not ask for anything (a password least of all) inside the program's own frame.
    qWarning() << "****script prompt of the lesson page not answered";
    return false;
}
