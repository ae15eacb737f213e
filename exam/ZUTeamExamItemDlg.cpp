#include "ZUTeamExamItemDlg.h"

#include "ZUFormFrame.h"
#include "ZUPictureLabel.h"
#include "ZUSharedMovie.h"

#include <QHash>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>

namespace {

const QRect kNameRect(0, 4, 67, 20);
const QRect kCardRect(0, 30, 53, 63);
const QRect kCountRect(0, 30, 41, 41); // on the card's top left
const QColor kPage(Qt::white); // the screen's page, under the seat grid

// A label of fixed size changes its picture without asking its seat to lay out again.
void place(QWidget* widget, int x, int y, int width, int height)
{
    widget->move(x, y);
    widget->setFixedSize(width, height);
}

// The pictures and fonts of every seat, read once.
const QPixmap& picture(const char* name)
{
    static QHash<QByteArray, QPixmap> pictures;
    auto it = pictures.find(name);
    if (it == pictures.end())
        it = pictures.insert(name, QPixmap(ZUFormFrame::imagePath(QStringLiteral("teamExam/") + name)));
    return it.value();
}

const QPixmap& stillPencil()
{
    return picture("teamExam_item_pencil.png");
}

// The fonts the seat's texts have always had, worked out once from their style sheet rules.
QFont styledFont(const QString& rule)
{
    QLabel label;
    label.setStyleSheet(rule);
    label.ensurePolished();
    return label.font();
}

const QFont& nameFont()
{
    static const QFont font = styledFont(QStringLiteral("font: 16px \"微软雅黑\";"));
    return font;
}

const QFont& countFont()
{
    static const QFont font = styledFont(QStringLiteral("font: 75 26px \"微软雅黑\";"));
    return font;
}

// A card as painted: blue or green, with its count or without one (count -1); each kept once made.
const QPixmap& card(bool green, int count)
{
    static QHash<int, QPixmap> cards;
    const int key = (count + 1) * 2 + (green ? 1 : 0);
    auto it = cards.find(key);
    if (it != cards.end())
        return it.value();
    QPixmap made = picture(green ? "teamExam_item_green.png" : "teamExam_item_blue.png");
    if (count >= 0) {
        QPainter painter(&made);
        painter.setFont(countFont());
        painter.setPen(Qt::white);
        painter.drawText(QRect(QPoint(), kCountRect.size()), Qt::AlignCenter, QString::number(count));
    }
    return cards.insert(key, made).value();
}

} // namespace

ZUTeamExamItemDlg::ZUTeamExamItemDlg(QWidget* parent)
    : ZUTableWidBaseDlg(parent)
    , m_pen(new ZUPictureLabel(this))
    , m_movingPen(new ZUPictureLabel(this))
    , m_pencil(ZUSharedMovie::forFile(ZUFormFrame::imagePath(QStringLiteral("teamExam/pencil.gif"))))
{
    setObjectName("ZUTeamExamItemDlg");
    setWindowTitle("Dialog");
    // A part of its seat cell, not a window of its own.
    setWindowFlags(Qt::Widget);
    // It paints the page under itself: nothing behind it is painted again whenever a pencil moves.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(67, 93);
    m_pen->setObjectName("PenLbl");
    place(m_pen, 38, 43, 25, 41);
    m_pen->setPixmap(stillPencil());
    m_movingPen->setObjectName("MovePenLbl");
    place(m_movingPen, 34, 40, 30, 41);
    m_movingPen->hide();
}

void ZUTeamExamItemDlg::setStudent(const QString& id, const QString& name)
{
    m_id = id;
    m_name = name;
    // A seat that changes hands takes the look its new student's state gives it.
    update();
    if (id.isEmpty()) {
        m_pencil->stop(m_movingPen);
        m_movingPen->hide();
        m_pen->hide();
        m_countShown = false;
        m_finished = false;
    }
}

void ZUTeamExamItemDlg::getStudent(QString& id, QString& name) const
{
    id = m_id;
    name = m_name;
}

void ZUTeamExamItemDlg::setAnswerState(int answered, bool finished, bool animate)
{
    if (isBlank())
        return;
    showCard(finished);
    m_finished = finished;
    showCount(answered, !finished);
    // The two pencils swap pictures rather than being shown and hidden: showing a label makes Qt ask the window
    // system where the pointer is, a round trip for every answer.
    if (animate && m_pencil->play(m_movingPen, [this] { __pencilMovieFinished(); })) {
        m_pen->clear();
        m_movingPen->show();
    }
}

void ZUTeamExamItemDlg::getAnswerState(bool& finished, int& answered) const
{
    finished = m_finished;
    answered = m_answered;
}

void ZUTeamExamItemDlg::setExamState(int state)
{
    if (isBlank())
        return;
    switch (state) {
    case 0:
        m_pencil->stop(m_movingPen);
        m_pen->hide();
        m_movingPen->hide();
        showCount(0, false);
        showCard(false);
        m_finished = false;
        break;
    case 1:
    case 2:
        showCount(m_answered, !m_finished);
        if (!isWriting()) {
            m_pen->setPixmap(stillPencil());
            m_pen->show();
        }
        break;
    case 3:
        m_pencil->stop(m_movingPen);
        m_pen->hide();
        m_movingPen->hide();
        break;
    default:
        break;
    }
}

void ZUTeamExamItemDlg::showCard(bool green)
{
    if (green == m_greenCard)
        return;
    m_greenCard = green;
    update(kCardRect);
}

void ZUTeamExamItemDlg::showCount(int answered, bool shown)
{
    if (answered == m_answered && shown == m_countShown)
        return;
    m_answered = answered;
    m_countShown = shown;
    update(kCountRect);
}

void ZUTeamExamItemDlg::paintEvent(QPaintEvent* e)
{
    QPainter painter(this);
    painter.fillRect(e->rect(), kPage);
    if (isBlank())
        return;
    // Seldom part of a repaint: a count or a pencil changes below it.
    if (e->rect().intersects(kNameRect)) {
        painter.setFont(nameFont());
        painter.setPen(QColor(0x55, 0x55, 0x55));
        painter.drawText(kNameRect, Qt::AlignLeft | Qt::AlignVCenter, m_name);
    }
    if (e->rect().intersects(kCardRect))
        painter.drawPixmap(kCardRect.topLeft(), card(m_greenCard, m_countShown ? m_answered : -1));
}

bool ZUTeamExamItemDlg::isWriting() const
{
    return m_pencil->isPlaying(m_movingPen);
}

void ZUTeamExamItemDlg::__pencilMovieFinished()
{
    m_pencil->stop(m_movingPen);
    m_movingPen->clear();
    m_pen->setPixmap(stillPencil());
    m_pen->show();
}

bool ZUTeamExamItemDlg::canDrag(QPixmap&) const
{
    return !isBlank();
}
