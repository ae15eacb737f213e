#include "ZUTeamExamItemDlg.h"

#include "ZUFormFrame.h"
#include "ZUPictureLabel.h"
#include "ZUSharedMovie.h"

#include <QLabel>

namespace {

// A label of fixed size changes its text or picture without asking its seat to lay out again.
void place(QWidget* widget, int x, int y, int width, int height)
{
    widget->move(x, y);
    widget->setFixedSize(width, height);
}

// The still pencil of every seat, read once.
const QPixmap& stillPencil()
{
    static const QPixmap pencil(ZUFormFrame::imagePath(QStringLiteral("teamExam/teamExam_item_pencil.png")));
    return pencil;
}

QString cardStyle(const char* picture)
{
    return QString("QWidget#BgWidget{border-image: url(%1);}")
        .arg(ZUFormFrame::imagePath(QStringLiteral("teamExam/") + picture));
}

} // namespace

ZUTeamExamItemDlg::ZUTeamExamItemDlg(QWidget* parent)
    : ZUTableWidBaseDlg(parent)
    , m_name(new QLabel(this))
    , m_card(new QWidget(this))
    , m_number(new QLabel(QStringLiteral("0"), m_card))
    , m_pen(new ZUPictureLabel(this))
    , m_movingPen(new ZUPictureLabel(this))
    , m_pencil(ZUSharedMovie::forFile(ZUFormFrame::imagePath(QStringLiteral("teamExam/pencil.gif"))))
{
    setObjectName("ZUTeamExamItemDlg");
    setWindowTitle("Dialog");
    // A part of its seat cell, not a window of its own.
    setWindowFlags(Qt::Widget);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(67, 93);
    m_name->setObjectName("NameLbl");
    place(m_name, 0, 4, 67, 20);
    m_name->setTextFormat(Qt::PlainText);
    m_name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_name->setStyleSheet("color: #555555;\nfont: 16px \"微软雅黑\";");
    m_card->setObjectName("BgWidget");
    place(m_card, 0, 30, 53, 63);
    m_card->setAttribute(Qt::WA_StyledBackground);
    m_card->setStyleSheet(cardStyle("teamExam_item_blue.png"));
    m_number->setObjectName("AnswerNumLbl");
    place(m_number, 0, 0, 41, 41);
    m_number->setAlignment(Qt::AlignCenter);
    m_number->setStyleSheet("font: 75 26px \"微软雅黑\";\ncolor: #ffffff;");
    // The labels' backgrounds are clear: not painted, they cost nothing when a pencil beside them moves.
    m_name->setAttribute(Qt::WA_NoSystemBackground);
    m_number->setAttribute(Qt::WA_NoSystemBackground);
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
    m_name->setText(name);
    // A seat that changes hands takes the look its new student's state gives it.
    m_name->setVisible(!id.isEmpty());
    m_card->setVisible(!id.isEmpty());
    if (id.isEmpty()) {
        m_pencil->stop(m_movingPen);
        m_movingPen->hide();
        m_pen->hide();
        m_number->hide();
        m_finished = false;
    }
}

void ZUTeamExamItemDlg::getStudent(QString& id, QString& name) const
{
    id = m_id;
    name = m_name->text();
}

void ZUTeamExamItemDlg::setAnswerState(int answered, bool finished, bool animate)
{
    if (isBlank())
        return;
    showCard(finished);
    m_finished = finished;
    m_number->setText(QString::number(answered));
    m_number->setVisible(!finished);
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
    answered = m_number->text().toInt();
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
        m_number->setText(QStringLiteral("0"));
        m_number->hide();
        showCard(false);
        m_finished = false;
        break;
    case 1:
    case 2:
        m_number->setVisible(!m_finished);
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
    // A new style sheet restyles the card: only when it changes colour.
    if (green == m_greenCard)
        return;
    m_greenCard = green;
    m_card->setStyleSheet(cardStyle(green ? "teamExam_item_green.png" : "teamExam_item_blue.png"));
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
