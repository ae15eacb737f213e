#pragma once

#include <QDialog>
#include <QPoint>

// Frameless dialog that the user moves by dragging anywhere on it; Escape never closes it.
class ZUTAVDialogBase : public QDialog
{
    Q_OBJECT
public:
    explicit ZUTAVDialogBase(QWidget* parent = nullptr);

    bool isDragging() const { return m_dragging; }

signals:
    void dlgMove();

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

    QPoint m_windowPos;
    QPoint m_pressGlobalPos;
    QPoint m_offset;
    bool m_dragging = false;
};
