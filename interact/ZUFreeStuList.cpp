#include "ZUFreeStuList.h"

#include "TAVMemInfo.h"
#include "ZUHdManager.h"
#include "ZUTAVNoFocusDelegate.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const int kTableWidth = 558;
const int kColumn = 103;
const int kRow = 30;
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
    m_answerPart = makePart("AnswerWidget", "rgb(57, 186, 96)", "border-top-left-radius: 10px;", &m_answerTitle,
                            &m_answerCount, &m_replyTable);
    m_unAnswerPart = makePart("UnAnswerWidget", "rgb(153, 153, 153)", "border-bottom-left-radius: 10px;",
                              &m_unAnswerTitle, &m_unAnswerCount, &m_unReplyTable);
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
    refresh();
}

QWidget* ZUFreeStuList::makePart(const QString& name, const QString& colour, const QString& corner, QLabel** title,
                                 QLabel** count, QTableWidget** table)
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
    barLayout->addStretch();
    *table = new QTableWidget(part);
    QTableWidget* t = *table;
    t->setFixedWidth(kTableWidth);
    t->setColumnCount(kTableWidth / kColumn);
    t->setShowGrid(false);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setFocusPolicy(Qt::NoFocus);
    t->setFrameShape(QFrame::NoFrame);
    t->horizontalHeader()->hide();
    t->verticalHeader()->hide();
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setItemDelegate(new ZUTAVNoFocusDelegate(t));
    for (int c = 0; c < t->columnCount(); ++c)
        t->setColumnWidth(c, kColumn);
    t->setStyleSheet("QTableWidget{background: transparent; color: rgb(85, 85, 85); font: 17px \"微软雅黑\";}");
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
    m_answered.insert(*keypad, mem->studentMap.value(*keypad).name);
    refresh();
}

void ZUFreeStuList::fillTable(QTableWidget* table, QWidget* part, const QStringList& names)
{
    const int columns = table->columnCount();
    const int rows = (names.size() + columns - 1) / columns;
    if (table->rowCount() != rows) {
        table->setRowCount(rows);
        for (int r = 0; r < rows; ++r)
            table->setRowHeight(r, kRow);
        table->setFixedHeight(rows * kRow);
        part->setFixedHeight(qMax(rows * kRow + 20, 100));
    }
    // Cells keep their items: a whole class answering must not rebuild every name for every answer.
    for (int k = 0; k < rows * columns; ++k) {
        const QString name = names.value(k);
        QTableWidgetItem* item = table->item(k / columns, k % columns);
        if (!item) {
            item = new QTableWidgetItem(name);
            item->setTextAlignment(Qt::AlignCenter);
            table->setItem(k / columns, k % columns, item);
        } else if (item->text() != name) {
            item->setText(name);
        }
    }
}

void ZUFreeStuList::refresh()
{
    QStringList unanswered;
    QMap<QString, QString> byId;
    for (const StudentInfoRow& s : TAVMemInfo::getInstance()->studentList) {
        if (!m_answered.contains(s.dovaneID))
            byId.insert(s.dovaneID, s.name);
    }
    unanswered = byId.values();
    fillTable(m_replyTable, m_answerPart, m_answered.values());
    fillTable(m_unReplyTable, m_unAnswerPart, unanswered);
    m_content->setFixedHeight(qMax(m_answerPart->height() + m_unAnswerPart->height() + 1, height()));
    m_answerCount->setText(QString::number(m_answered.size()) + tr("人"));
    m_unAnswerCount->setText(QString::number(unanswered.size()) + tr("人"));
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
