#include "ZUPictureLabel.h"

#include <QPainter>

ZUPictureLabel::ZUPictureLabel(QWidget* parent)
    : QLabel(parent)
{
    // Clear around the picture, as a label's own background would be.
    setAttribute(Qt::WA_NoSystemBackground);
}

void ZUPictureLabel::paintEvent(QPaintEvent*)
{
    const QPixmap picture = pixmap(Qt::ReturnByValue);
    if (picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture);
}
