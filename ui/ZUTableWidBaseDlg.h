#pragma once

#include <QDialog>

// Base of the tiles a seat can be dropped on; the derived tile decides what a drop means.
class ZUTableWidBaseDlg : public QDialog
{
    Q_OBJECT
public:
    static const char* const dragMimeType;

    explicit ZUTableWidBaseDlg(QWidget* parent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
};
