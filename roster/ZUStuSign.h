#pragma once

#include "ZUTableWidBaseDlg.h"

#include <QPixmap>
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

    QString studentId() const { return m_studentId; }
    QString keypadSn() const { return m_keypadSn; }
    QString studentName() const;
    QString image() const { return m_image; }
    QString colour() const { return m_colour; }

protected:
    bool canDrag(QPixmap& picture) const override;

private:
    QWidget* m_picture;
    QLabel* m_name;
    QPixmap m_dragPixmap;
    QString m_studentId;
    QString m_keypadSn;
    QString m_image;
    QString m_colour;
};
