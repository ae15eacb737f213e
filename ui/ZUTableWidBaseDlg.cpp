#include "ZUTableWidBaseDlg.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
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

void ZUTableWidBaseDlg::setSeat(int row, int col)
{
    m_row = row;
    m_col = col;
}

bool ZUTableWidBaseDlg::canDrag(QPixmap&) const
{
    return true;
}

void ZUTableWidBaseDlg::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        m_pressPos = e->pos();
}

void ZUTableWidBaseDlg::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton))
        return;
    if ((e->pos() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    QPixmap picture;
    if (canDrag(picture))
        execSeatDrag(m_row, m_col, picture);
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

void ZUTableWidBaseDlg::dropEvent(QDropEvent* e)
{
    int row = 0;
    int col = 0;
    if (!readSeatMimeData(e->mimeData(), row, col))
        return;
    e->acceptProposedAction();
    emit seatDropped(row, col, m_row, m_col);
}
