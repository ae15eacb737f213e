#pragma once

#include <QDialog>

// A dialog form used as a part of another window (a row of a list, a bar in a table cell). It shows like a
// plain widget: a dialog being shown looks for its place among all windows and gives itself the focus, and in a
// table that focus makes the table jump to the cell.
class ZUDialogPart : public QDialog
{
    Q_OBJECT
public:
    void setVisible(bool visible) override;

protected:
    explicit ZUDialogPart(QWidget* parent = nullptr);

    void showEvent(QShowEvent* e) override;
};
