#include "ZUTableWidBaseDlg.h"

#include <QDragEnterEvent>
#include <QMimeData>

const char* const ZUTableWidBaseDlg::dragMimeType = "custom/sign_drag";

ZUTableWidBaseDlg::ZUTableWidBaseDlg(QWidget* parent)
    : QDialog(parent)
{
    setAcceptDrops(true);
}

void ZUTableWidBaseDlg::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData() && e->mimeData()->hasFormat(QLatin1String(dragMimeType)))
        e->acceptProposedAction();
    else
        e->ignore();
}

void ZUTableWidBaseDlg::dragMoveEvent(QDragMoveEvent*) { }

void ZUTableWidBaseDlg::dropEvent(QDropEvent*) { }
