#include "ZUStuSign.h"

#include <QLabel>

ZUStuSign::ZUStuSign(QWidget* parent)
    : ZUTableWidBaseDlg(parent)
    , m_picture(new QWidget(this))
    , m_name(new QLabel(this))
{
    setObjectName("ZUTAVStuSign");
    setWindowTitle("Dialog");
    // A child of the seat table, not a window of its own.
    setWindowFlags(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(98, 112);
    m_picture->setObjectName("StuSignSignWidget");
    m_picture->setGeometry(10, 10, 78, 72);
    m_name->setObjectName("StuNameLbl");
    m_name->setGeometry(-5, 90, 111, 21);
    m_name->setTextFormat(Qt::PlainText);
    m_name->setAlignment(Qt::AlignCenter);
    m_name->setWordWrap(true);
    m_name->setStyleSheet("background-color: transparent;");
    QFont font = m_name->font();
    font.setPointSize(13);
    font.setBold(true);
    m_name->setFont(font);
}

void ZUStuSign::setInfo(const QString& name, const QString& keypadSn, const QString& studentId)
{
    m_name->setText(name);
    m_keypadSn = keypadSn;
    m_studentId = studentId;
}

QString ZUStuSign::studentName() const
{
    return m_name->text();
}

void ZUStuSign::setState(const QString& image, const QString& colour)
{
    m_picture->setStyleSheet(QString("background-image: url(%1)").arg(image));
    m_name->setStyleSheet(QString("background-color: transparent; color: %1").arg(colour));
    m_dragPixmap = QPixmap(image);
    m_image = image;
    m_colour = colour;
}

void ZUStuSign::clearState()
{
    m_picture->setStyleSheet(QString());
    m_name->setStyleSheet("background-color: transparent;");
    m_dragPixmap = QPixmap();
    m_image.clear();
    m_colour.clear();
}

bool ZUStuSign::canDrag(QPixmap& picture) const
{
    picture = m_dragPixmap;
    return true;
}
