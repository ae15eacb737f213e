#include "ZUTableWidBaseDlg.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPixmap>

namespace {

// Up to nine digits, so that every accepted number fits an int.
bool readIndex(const QByteArray& text, int& value)
{
    if (text.isEmpty() || text.size() > 9 || (text.size() > 1 && text.at(0) == '0'))
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    value = text.toInt();
    return true;
}

} // namespace

const char* const ZUTableWidBaseDlg::dragMimeType = "custom/sign_drag";

ZUTableWidBaseDlg::ZUTableWidBaseDlg(QWidget* parent)
    : QDialog(parent)
{
    setAcceptDrops(true);
}

QMimeData* ZUTableWidBaseDlg::seatMimeData(int row, int col)
{
    auto* data = new QMimeData;
    data->setData(QLatin1String(dragMimeType), QString("%1,%2").arg(row).arg(col).toUtf8());
    return data;
}

bool ZUTableWidBaseDlg::readSeatMimeData(const QMimeData* data, int& row, int& col)
{
    if (!data || !data->hasFormat(QLatin1String(dragMimeType)))
        return false;
    const QList<QByteArray> parts = data->data(QLatin1String(dragMimeType)).split(',');
    int r = 0;
    int c = 0;
    if (parts.size() != 2 || !readIndex(parts.at(0), r) || !readIndex(parts.at(1), c))
        return false;
    row = r;
    col = c;
    return true;
}

void ZUTableWidBaseDlg::execSeatDrag(int row, int col, const QPixmap& picture)
{
    auto* drag = new QDrag(this);
    drag->setMimeData(seatMimeData(row, col));
    if (!picture.isNull()) {
        drag->setPixmap(picture);
        drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
    }
    drag->exec(Qt::MoveAction);
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
