#pragma once

#include <QPushButton>

// Centre button of a floating bar: a plain click is reported, a drag moves the bar under it.
class ZUTAVPushbtn : public QPushButton
{
    Q_OBJECT
public:
    explicit ZUTAVPushbtn(QWidget* parent = nullptr);

signals:
    void zurelease();
    void zuenter();
    void zuleave();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    bool m_pressed = false;
    bool m_moved = false;
};
