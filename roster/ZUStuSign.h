#pragma once

#include "ZUTableWidBaseDlg.h"

#include <QPixmap>
#include <QPoint>
#include <QString>

class QLabel;
class QWidget;

// One seat of the sign-in grid: a picture with the student's name under it, or nothing for an empty seat.
// A seat dragged onto another one asks the grid to swap the two.
class ZUStuSign : public ZUTableWidBaseDlg
{
    Q_OBJECT
public:
    explicit ZUStuSign(QWidget* parent = nullptr);

    void setInfo(const QString& name, const QString& keypadSn, const QString& studentId);
    void setState(const QString& image, const QString& colour);
    // No picture and no name: an empty seat.
    void clearState();
    void setSeat(int row, int col);
    QPair<int, int> seat() const { return qMakePair(m_row, m_col); }

    QString studentId() const { return m_studentId; }
    QString keypadSn() const { return m_keypadSn; }
    QString studentName() const;
    QString image() const { return m_image; }
    QString colour() const { return m_colour; }

signals:
    // A seat payload was dropped here: the source seat, then this one.
    void seatDropped(int fromRow, int fromCol, int toRow, int toCol);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    QWidget* m_picture;
    QLabel* m_name;
    QPixmap m_dragPixmap;
    QString m_studentId;
    QString m_keypadSn;
    int m_row = 0;
    int m_col = 0;
    QPoint m_pressPos;
    QString m_image;
    QString m_colour;
};
