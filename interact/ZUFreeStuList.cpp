#include "ZUFreeStuList.h"

#include "TAVMemInfo.h"
#include "ZUHdManager.h"
#include "ZUNameGridModel.h"
#include "ZUPlainTextDelegate.h"
#include "ZURepaintPacer.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const int kTableWidth = 558;
const int kColumn = 103;
const int kRow = 30;
// Nothing in the lists moves: names drawn 25 times a second keep up with a whole class answering.
const int kFrameMs = 40;
} // namespace

ZUFreeStuList::ZUFreeStuList()
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("ZUTAVAnswerStudentsList");
    setWindowTitle(tr("答题人列表"));
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet("QDialog#ZUTAVAnswerStudentsList{background: transparent;}");
    // Short enough to leave the interaction bar below it uncovered; longer lists scroll.
    setFixedSize(670, 240);

    auto* scrollArea = new QScrollArea(this);
    scrollArea->setObjectName("scrollArea");
    scrollArea->setGeometry(rect());
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea->setStyleSheet("QScrollArea{background: transparent;}");
    m_content = new QWidget;
    m_content->setObjectName("AnswerNumbeWidget");
    m_content->setAttribute(Qt::WA_StyledBackground);
    m_content->setStyleSheet("#AnswerNumbeWidget{background: white; border: 1px solid #d6d6d6; border-radius: 10px;}");
    m_content->setFixedWidth(654);
    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->setSpacing(1);
    m_answeredNames = new ZUNameGridModel(kTableWidth / kColumn, this);
    m_unansweredNames = new ZUNameGridModel(kTableWidth / kColumn, this);
    m_answerPart = makePart("AnswerWidget", "rgb(57, 186, 96)", "border-top-left-radius: 10px;", &m_answerTitle,
                            &m_answerCount, &m_replyTable, m_answeredNames);
    m_unAnswerPart = makePart("UnAnswerWidget", "rgb(153, 153, 153)", "border-bottom-left-radius: 10px;",
                              &m_unAnswerTitle, &m_unAnswerCount, &m_unReplyTable, m_unansweredNames);
    m_answerTitle->setObjectName("AnswerTitleLbl");
    m_answerCount->setObjectName("AnseweredNumLbl");
    m_replyTable->setObjectName("ReplyTableWidget");
    m_unAnswerTitle->setObjectName("UnAnswerTitleLbl");
    m_unAnswerCount->setObjectName("UnAnseweredNumLbl");
    m_unReplyTable->setObjectName("UnReplyTableWidget");
    layout->addWidget(m_answerPart);
    layout->addWidget(m_unAnswerPart);
    layout->addStretch();
    scrollArea->setWidget(m_content);
    setTitles(tr("已答题 "), tr("未答题 "));

    connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, this, &ZUFreeStuList::ReceiveStudentData);
    new ZURepaintPacer(this, kFrameMs);
    refresh();
}

QWidget* ZUFreeStuList::makePart(const QString& name, const QString& colour, const QString& corner, QLabel** title,
                                 QLabel** count, QTableView** table, ZUNameGridModel* names)
{
    auto* part = new QWidget(m_content);
    part->setObjectName(name);
    auto* row = new QHBoxLayout(part);
    row->setContentsMargins(0, 10, 0, 10);
    row->setSpacing(0);
    auto* bar = new QWidget(part);
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedWidth(60);
    bar->setStyleSheet(QString("background: %1; %2").arg(colour, corner));
    auto* barLayout = new QVBoxLayout(bar);
    barLayout->setContentsMargins(2, 8, 2, 8);
    *title = new QLabel(bar);
    *count = new QLabel(bar);
    for (QLabel* label : { *title, *count }) {
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        label->setStyleSheet("color: white; font: bold 16px \"微软雅黑\"; background: transparent;");
        barLayout->addWidget(label);
    }
    // One line of fixed height: a new head count must not lay the list out again.
    (*count)->setWordWrap(false);
    (*count)->ensurePolished();
    (*count)->setFixedSize(56, (*count)->fontMetrics().height() + 2);
    barLayout->addStretch();
    *table = new QTableView(part);
    QTableView* t = *table;
    t->setModel(names);
    t->setFixedWidth(kTableWidth);
    t->setShowGrid(false);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setFocusPolicy(Qt::NoFocus);
    t->setFrameShape(QFrame::NoFrame);
    t->horizontalHeader()->hide();
    t->verticalHeader()->hide();
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setItemDelegate(new ZUPlainTextDelegate(t));
    t->horizontalHeader()->setMinimumSectionSize(kColumn);
    t->horizontalHeader()->setDefaultSectionSize(kColumn);
    t->verticalHeader()->setMinimumSectionSize(kRow);
    t->verticalHeader()->setDefaultSectionSize(kRow);
    t->setStyleSheet("QTableView{background: transparent; color: rgb(85, 85, 85); font: 17px \"微软雅黑\";}");
    row->addSpacing(12);
    row->insertWidget(0, bar);
    row->addWidget(t, 0, Qt::AlignTop);
    row->addStretch();
    return part;
}

void ZUFreeStuList::setTitles(const QString& answeredTitle, const QString& unansweredTitle)
{
    m_answerTitle->setText(answeredTitle);
    m_unAnswerTitle->setText(unansweredTitle);
}

void ZUFreeStuList::clearAnswered()
{
    m_answered.clear();
    refresh();
}

void ZUFreeStuList::ReceiveStudentData(StudentInfo stu)
{
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    const auto keypad = mem->snMap.constFind(QString::number(stu.keypadId));
    if (keypad == mem->snMap.constEnd() || m_answered.contains(*keypad))
        return;
    const QString name = mem->studentMap.value(*keypad).name;
    m_answered.insert(*keypad, name);
    // Another class since the grids were built: build them again.
    if (!m_class.isSharedWith(mem->studentList)) {
        refresh();
        return;
    }
    m_answeredNames->insert(*keypad, name);
    m_unansweredNames->remove(*keypad);
    fitParts();
}

void ZUFreeStuList::refresh()
{
    m_class = TAVMemInfo::getInstance()->studentList;
    QVector<QPair<QString, QString>> unanswered;
    for (const StudentInfoRow& s : qAsConst(m_class)) {
        if (!m_answered.contains(s.dovaneID))
            unanswered.append({ s.dovaneID, s.name });
    }
    QVector<QPair<QString, QString>> answered;
    for (auto it = m_answered.cbegin(); it != m_answered.cend(); ++it)
        answered.append({ it.key(), it.value() });
    m_answeredNames->setNames(answered);
    m_unansweredNames->setNames(unanswered);
    fitParts();
}

void ZUFreeStuList::fitTable(QTableView* table, QWidget* part)
{
    // Unchanged heights cost nothing here.
    const int rows = table->model()->rowCount();
    table->setFixedHeight(rows * kRow);
    part->setFixedHeight(qMax(rows * kRow + 20, 100));
}

void ZUFreeStuList::fitParts()
{
    fitTable(m_replyTable, m_answerPart);
    fitTable(m_unReplyTable, m_unAnswerPart);
    m_content->setFixedHeight(qMax(m_answerPart->height() + m_unAnswerPart->height() + 1, height()));
    m_answerCount->setText(QString::number(m_answeredNames->count()) + tr("人"));
    m_unAnswerCount->setText(QString::number(m_unansweredNames->count()) + tr("人"));
}

QString ZUFreeStuList::answeredCountText() const
{
    return m_answerCount->text();
}

QString ZUFreeStuList::unansweredCountText() const
{
    return m_unAnswerCount->text();
}

int ZUFreeStuList::answeredPartHeight() const
{
    return m_answerPart->height();
}
