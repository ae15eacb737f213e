#include "ScreenOpeners.h"

#include "ExamResultViews.h"
#include "ZUFreeActBar.h"
#include "ZUSetUpDlg.h"
#include "ZUStuLinkDlg.h"
#include "ZUStuSignDlg.h"
#include "ZUTAVExamSetDlg.h"
#include "ZUToolBarDlg.h"
#include "ZUToolBarReturn.h"

void registerScreenOpeners()
{
    ZUToolBarDlg* toolBar = ZUToolBarDlg::getInstance();
    // And how they bring it back when the teacher leaves them.
    ZUToolBarReturn::install([] { ZUToolBarDlg::getInstance()->show(); });

    toolBar->setScreenOpener(ZUToolBarDlg::Screen::FreeInteraction,
                             [](const QString&) { ZUFreeActBar::getInstance()->showFreeBar(); });

    // The quiz screens open the result windows through the views installed here.
    static ExamResultViews examResultViews;
    ZUExamResultViews::install(&examResultViews);
    toolBar->setScreenOpener(ZUToolBarDlg::Screen::Quiz,
                             [](const QString&) { ZUTAVExamSetDlg::getInstance()->showWithSettings(); });

    toolBar->setScreenOpener(ZUToolBarDlg::Screen::SignIn, [](const QString& classText) {
        ZUStuSignDlg* sign = ZUStuSignDlg::getInstance();
        sign->initSign(classText);
        sign->show();
    });

    toolBar->setScreenOpener(ZUToolBarDlg::Screen::Settings, [](const QString&) {
        ZUSetUpDlg* settings = ZUSetUpDlg::getInstance();
        settings->loadSettings();
        settings->show();
    });

    toolBar->setScreenOpener(ZUToolBarDlg::Screen::Binding, [](const QString&) {
        ZUStuLinkDlg* binding = ZUStuLinkDlg::getInstance();
        binding->onShow();
        binding->raise();
    });
}
