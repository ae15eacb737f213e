#pragma once

#include <QDialog>
#include <QPair>
#include <QPoint>

class QMimeData;
class QPixmap;

// Base of the seat tiles: a seat can be dragged onto another seat of the same grid. The drag carries the source
// seat in one format for every seat grid of the program; a drop is reported with both seats, and the grid decides
// what it means.
class ZUTableWidBaseDlg : public QDialog
{
    Q_OBJECT
public:
    static const char* const dragMimeType;

    explicit ZUTableWidBaseDlg(QWidget* parent = nullptr);

    // The payload of the seat (row, col): only the format "custom/sign_drag" holding "row,col" in decimal.
    static QMimeData* seatMimeData(int row, int col);
    // The source seat of a payload. Anything but two decimal numbers without sign, spaces or leading zeros
    // joined by one comma is no payload: false, and row and col stay as they were.
    static bool readSeatMimeData(const QMimeData* data, int& row, int& col);

    // The cell of the grid this seat stands in.
    void setSeat(int row, int col);
    QPair<int, int> seat() const { return qMakePair(m_row, m_col); }

signals:
    // A seat payload was dropped here: the source seat, then this one.
    void seatDropped(int fromRow, int fromCol, int toRow, int toCol);

protected:
    // Whether the seat can be dragged now, and the picture under the cursor while it is (none by default).
    virtual bool canDrag(QPixmap& picture) const;
    // Drags the seat (row, col) with the picture under the cursor; returns when the drag has ended.
    void execSeatDrag(int row, int col, const QPixmap& picture);

    // A left press followed by a move of the start-drag distance drags the seat.
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    int m_row = 0;
    int m_col = 0;
    QPoint m_pressPos;
};
