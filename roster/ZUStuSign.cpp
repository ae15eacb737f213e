#include "ZUStuSign.h"

#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMouseEvent>

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

void ZUStuSign::setSeat(int row, int col)
{
    m_row = row;
    m_col = col;
}

void ZUStuSign::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        m_pressPos = e->pos();
}

void ZUStuSign::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton))
        return;
    if ((e->pos() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    execSeatDrag(m_row, m_col, m_dragPixmap);
}

void ZUStuSign::dragEnterEvent(QDragEnterEvent* e)
{
    ZUTableWidBaseDlg::dragEnterEvent(e);
}

void ZUStuSign::dragLeaveEvent(QDragLeaveEvent*) { }

void ZUStuSign::dropEvent(QDropEvent* e)
{
    int row = 0;
    int col = 0;
    if (!readSeatMimeData(e->mimeData(), row, col))
        return;
    e->acceptProposedAction();
    emit seatDropped(row, col, m_row, m_col);
}
