#include "StartUpMessage.h"

#include "ZUTipDlg.h"

#include <QString>

void showStartUpMessage(const QString& title, const QString& text)
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    if (box->isVisible()) {
        ZUTipDlg::execApart(text, title, ZUTipDlg::Yes, 0);
        return;
    }
    box->setText(text, title);
    box->setButtons(ZUTipDlg::Yes, 0);
    box->exec();
}
