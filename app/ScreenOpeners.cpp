#include "ScreenOpeners.h"

#include "ZUFreeActBar.h"
#include "ZUToolBarDlg.h"

void registerScreenOpeners()
{
    ZUToolBarDlg* toolBar = ZUToolBarDlg::getInstance();

    toolBar->setScreenOpener(ZUToolBarDlg::Screen::FreeInteraction,
                             [](const QString&) { ZUFreeActBar::getInstance()->showFreeBar(); });
}
