#pragma once

#include <QDialog>

class QMimeData;
class QPixmap;

// Base of the seat tiles: a seat can be dragged onto another seat of the same grid. The drag carries the source
// seat in one format for every seat grid of the program; the derived tile decides what a drop means.
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

protected:
    // Drags the seat (row, col) with the picture under the cursor; returns when the drag has ended.
    void execSeatDrag(int row, int col, const QPixmap& picture);

    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
};
