#include "ZUDialogPart.h"

ZUDialogPart::ZUDialogPart(QWidget* parent)
    : QDialog(parent)
{
    // Without a parent it is still a window of its own until a layout or a table takes it.
    if (parent)
        setWindowFlags(Qt::Widget);
}

void ZUDialogPart::setVisible(bool visible)
{
    QWidget::setVisible(visible);
}

void ZUDialogPart::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
}
