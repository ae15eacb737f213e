#pragma once

#include <QPushButton>
#include <QTimer>

// Button that tells a short press (zupress) from one held for a second (zulpress).
class ZUTAVLPPushbtn : public QPushButton
{
    Q_OBJECT
public:
    static constexpr int longPressMs = 1000;

    explicit ZUTAVLPPushbtn(QWidget* parent = nullptr);

signals:
    void zupress();
    void zulpress(ZUTAVLPPushbtn* button);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private slots:
    void timeout();

private:
    QTimer m_timer;
    int m_ticks = 0;
};
