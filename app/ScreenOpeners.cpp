#include "ScreenOpeners.h"

#include "ZUToolBarDlg.h"

void registerScreenOpeners()
{
    ZUToolBarDlg* toolBar = ZUToolBarDlg::getInstance();
    Q_UNUSED(toolBar)
}
