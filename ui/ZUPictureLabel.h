#pragma once

#include <QLabel>

// A label that shows nothing but a picture of its own size, drawn straight at its top left: no frame and no
// background, which a style sheet would otherwise work out again for every repaint of a small animated picture.
class ZUPictureLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ZUPictureLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
};
