#include "ZUTAVAnswerList.h"

#include "TAVMemInfo.h"
#include "ZUFreeActStore.h"
#include "ZUFreeAnswerSer.h"
#include "ZUHdManager.h"
#include "ZUTAVAnswerListItem.h"

#include <QDebug>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
bool marksRightAnswer(int type)
{
    return type == ZUFreeAnswerSer::Single || type == ZUFreeAnswerSer::Multiple || type == ZUFreeAnswerSer::Digit;
}
} // namespace

ZUTAVAnswerList::ZUTAVAnswerList()
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("ZUTAVStatisticalTableDialog");
    setWindowTitle(tr("表格页面"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(788, 627);

    auto* bg_widget = new QWidget(this);
    bg_widget->setObjectName("bg_widget");
    bg_widget->setAttribute(Qt::WA_StyledBackground);
    bg_widget->setStyleSheet("#bg_widget{background-image: url(images:Table/tav_statistic_bg.png);"
                             "background-repeat: no-repeat;}");
    bg_widget->setGeometry(rect());
    m_tips = new QLabel(bg_widget);
    m_tips->setObjectName("tipsLabel");
    m_tips->setPixmap(QPixmap("Resources/images/Table/tav_statistic_tips.png"));
    m_tips->setGeometry(460, 16, 300, 48);

    m_scroll = new QScrollArea(bg_widget);
    m_scroll->setObjectName("scrollArea");
    m_scroll->setGeometry(20, 82, 752, 527);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(false);
    m_scroll->setStyleSheet("QScrollArea{background: transparent;}");
    m_content = new QWidget;
    m_content->setObjectName("scrollAreaWidgetContents");
    m_content->setFixedWidth(740);
    m_content->setStyleSheet("#scrollAreaWidgetContents{background: white;}");
    auto* contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);
    hAnswer = new QVBoxLayout;
    hAnswer->setObjectName("hAnswer");
    hAnswer->setSpacing(0);
    contentLayout->addLayout(hAnswer);
    m_scroll->setWidget(m_content);

    m_marker = new QLabel(this);
    m_marker->setObjectName("markerLabel");
    m_marker->setPixmap(QPixmap("Resources/images/Table/tav_statistic_record.png"));
    m_marker->adjustSize();
    m_marker->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_marker->hide();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.bottom() + 1 - height());
    }
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendTeacherData, this, &ZUTAVAnswerList::__getTeacherData);
}

void ZUTAVAnswerList::setAnswerNames(const QVector<QString>& options, const QVector<QStringList>& names, int answerType,
                                     int interactID)
{
    InteractInfoRow round;
    round.interactID = interactID;
    round.localRecordID = TAVMemInfo::getInstance()->currentRecord.localRecordID;
    setAnswerNames(options, names, answerType, round);
}

void ZUTAVAnswerList::setAnswerNames(const QVector<QString>& options, const QVector<QStringList>& names, int answerType,
                                     const InteractInfoRow& round)
{
    qDebug() << "enter setAnswerNames";
    if (!m_rightAnswer.isEmpty()) {
        qDebug().noquote() << "the answer is " + m_rightAnswer;
        return;
    }
    qDebug().noquote() << "set interact answer,the iid is  " + QString::number(round.interactID);
    qDebug().noquote() << "set interact answer,the answer_state is  " + QString::number(answerType);
    m_cursor = -1;
    m_answerType = answerType;
    m_round = round;
    m_tips->setVisible(answerType >= 0 && answerType <= 4 && answerType != ZUFreeAnswerSer::Rush);
    m_marker->hide();
    m_marker->setParent(this);
    qDeleteAll(m_rows);
    m_rows.clear();

    int y = 0;
    for (int k = options.size() - 1; k >= 0; --k) {
        auto* row = new ZUTAVAnswerListItem;
        QFont font("微软雅黑");
        font.setPixelSize(answerType == ZUFreeAnswerSer::Single && options.at(k).size() == 1 ? 60 : 28);
        row->setOptionFont(font);
        const int height = row->setData(options.at(k), names.value(k));
        if (options.at(k) == QStringLiteral("抢答成功")) {
            m_tips->hide();
            placeMarker(row);
        }
        row->move(0, y);
        y += height;
        m_rows.append(row);
        hAnswer->addWidget(row);
    }
    m_content->setFixedHeight(y);
    m_scroll->verticalScrollBar()->setValue(0);
}

void ZUTAVAnswerList::placeMarker(ZUTAVAnswerListItem* row)
{
    m_marker->setParent(row);
    m_marker->move(0, 0);
    m_marker->show();
    m_marker->raise();
}

void ZUTAVAnswerList::setRightAnswer(ZUTAVAnswerListItem* row, const QString& text)
{
    qDebug() << "enter setRightAnswer";
    if (!marksRightAnswer(m_answerType))
        return;
    qDebug().noquote() << "the answer is " + text;
    m_cursor = m_rows.indexOf(row);
    m_tips->hide();
    placeMarker(row);
    m_rightAnswer = text;
}

void ZUTAVAnswerList::mark(int index)
{
    setRightAnswer(m_rows.at(index), m_rows.at(index)->optionText());
    int top = 0;
    for (int i = 0; i < index; ++i)
        top += m_rows.at(i)->height();
    m_scroll->verticalScrollBar()->setValue(top);
}

void ZUTAVAnswerList::selectPreviousRow()
{
    if (m_cursor - 1 < 0)
        return;
    mark(m_cursor - 1);
}

void ZUTAVAnswerList::selectNextRow()
{
    const int next = m_cursor + 1;
    if (m_rows.isEmpty() || next >= m_rows.size() || m_rows.at(next)->optionText() == QStringLiteral("未作答"))
        return;
    mark(next);
}

int ZUTAVAnswerList::scrollPosition() const
{
    return m_scroll->verticalScrollBar()->value();
}

void ZUTAVAnswerList::__getTeacherData(TeacherInfo tdata)
{
    if (!isVisible() || !marksRightAnswer(m_answerType))
        return;
    if (tdata.data == QLatin1String("up"))
        selectPreviousRow();
    else if (tdata.data == QLatin1String("down"))
        selectNextRow();
}

void ZUTAVAnswerList::insertAnswerIntoDatabase()
{
    qDebug() << "enter insertAnswerIntoDatabase";
    // Cleared whatever happens to the write: a mark left standing would keep the list on this round for good.
    const InteractInfoRow round = m_round;
    const QString answer = m_rightAnswer;
    m_round = InteractInfoRow();
    m_rightAnswer.clear();
    // A round whose row could not be written at its start (id -1) is found by its start.
    if (round.interactID == -1 && round.startTime.isEmpty())
        return;
    qDebug().noquote() << "update interact answer,the iid is  " + QString::number(round.interactID);
    qDebug().noquote() << "update interact answer,the answer is  " + answer;
    ZUFreeActStore::setAnswer(round, answer);
}
