#include "ZUExamAnsStuDlg.h"

#include "ZUStatsFigures.h"
#include "ZUStatsParts.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const int kNameRow = 30;
const int kSectionMinimum = 90;
const int kContentsMinimum = 402;
} // namespace

ZUExamAnsStuDlg::ZUExamAnsStuDlg()
    : QDialog(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("ZUTAVStatisticalTableDialog");
    setStyleSheet("QDialog#ZUTAVStatisticalTableDialog{border: none; background: transparent;}");
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(836, 618);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 202, 14, 14);
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName("scrollArea");
    m_scrollArea->setMinimumSize(810, 402);
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setStyleSheet("QScrollArea{background: transparent;}");
    m_contents = ZUStatsParts::styledWidget("scrollAreaWidgetContents",
                                            "QWidget#scrollAreaWidgetContents{\nbackground-color: #ffffff;\n"
                                            "border-bottom-left-radius: 10px;\nborder-top-left-radius: 10px;\n}",
                                            nullptr);
    m_contents->setMinimumHeight(kContentsMinimum);
    auto* sections = new QVBoxLayout(m_contents);
    sections->setContentsMargins(0, 0, 0, 0);
    sections->setSpacing(0);
    m_scrollArea->setWidget(m_contents);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    grid->addWidget(m_scrollArea, 0, 0);

    m_finished
        = addSection("AWidget", "AnswerWidget", "background-color: rgb(57, 186, 96);\nborder-top-left-radius: 10px;",
                     tr("已答完 "), "AnseweredNumLbl", "ReplyTableWidget");
    addRule("TopL");
    m_answering = addSection("IAWidget", "IsAnswerWidget", "background-color: #f9b000;", tr("答题中"),
                             "IsAnseweredNumLbl", "IsAnTableWidget");
    m_answeringRule = addRule("BottemL");
    m_notAnswered = addSection("UnWidget", "UnAnswerWidget",
                               "background-color: rgb(153, 153, 153);\nborder-bottom-left-radius: 10px;", tr("未答题 "),
                               "UnAnseweredNumLbl", "UnReplyTableWidget");

    ZUStatsParts::placeAtBottomCentre(this);
    ZUStatsParts::addShadow(m_scrollArea, QColor(170, 170, 170, 180));
}

ZUExamAnsStuDlg::Section ZUExamAnsStuDlg::addSection(const char* sectionName, const char* titleName,
                                                     const QString& titleStyle, const QString& title,
                                                     const char* countName, const char* tableName)
{
    Section s;
    // At least its title block's height, and as high as its names: a minimum of its own would let the card's
    // layout squeeze the names when the groups share out the card.
    s.section = ZUStatsParts::styledWidget(sectionName, QString(), m_contents);
    auto* row = new QHBoxLayout(s.section);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);

    QWidget* block = ZUStatsParts::styledWidget(
        titleName, QStringLiteral("QWidget#%1{%2}").arg(QLatin1String(titleName), titleStyle), s.section);
    block->setMinimumSize(145, kSectionMinimum);
    block->setMaximumWidth(145);
    auto* blockLayout = new QVBoxLayout(block);
    blockLayout->setContentsMargins(0, 12, 0, 12);
    blockLayout->setSpacing(2);
    QLabel* titleLabel = ZUStatsParts::label(QByteArray(titleName).replace("Widget", "TitleLbl").constData(), title,
                                             "color: rgb(255, 255, 255);", block);
    titleLabel->setFont(QFont(QStringLiteral("微软雅黑"), 23));
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setMinimumWidth(145);
    s.count = ZUStatsParts::label(countName, QStringLiteral("0人"),
                                  "color: rgb(255, 255, 255);\nfont: 75 26px \"微软雅黑\";", block);
    s.count->setAlignment(Qt::AlignCenter);
    s.count->setMinimumWidth(145);
    blockLayout->addStretch();
    blockLayout->addWidget(titleLabel);
    blockLayout->addWidget(s.count);
    blockLayout->addStretch();
    row->addWidget(block);

    s.table = ZUStatsParts::nameTable(tableName, s.section);
    s.table->setStyleSheet("background-color: transparent;\ncolor: rgb(85, 85, 85);");
    s.table->setFont(QFont(QStringLiteral("微软雅黑"), 14));
    s.table->setFixedWidth(640);
    row->addWidget(s.table, 0, Qt::AlignTop);
    row->addStretch();
    m_contents->layout()->addWidget(s.section);
    return s;
}

QFrame* ZUExamAnsStuDlg::addRule(const char* name)
{
    auto* rule = new QFrame(m_contents);
    rule->setObjectName(name);
    rule->setFixedHeight(1);
    rule->setStyleSheet("background-color: rgb(153, 153, 153);");
    m_contents->layout()->addWidget(rule);
    return rule;
}

void ZUExamAnsStuDlg::fillNameTable(const QStringList& names, QTableWidget* table, QLabel* countLabel, int& total)
{
    const int columns = ZUStatsFigures::columnsFor(table->width());
    ZUStatsParts::fillNames(table, names, columns, kNameRow);
    table->setFixedHeight(table->rowCount() * kNameRow);
    // A short group still takes its title block's height: count that, or the last names would be cut off.
    total += qMax(table->height(), kSectionMinimum);
    countLabel->setText(ZUStatsFigures::headCount(names.size()));
}

void ZUExamAnsStuDlg::setData(const QStringList& finished, const QStringList& answering, const QStringList& notAnswered,
                              int itemCount)
{
    int total = 0;
    fillNameTable(finished, m_finished.table, m_finished.count, total);
    fillNameTable(notAnswered, m_notAnswered.table, m_notAnswered.count, total);
    const bool severalItems = itemCount > 1;
    m_answering.section->setVisible(severalItems);
    m_answeringRule->setVisible(severalItems);
    if (severalItems)
        fillNameTable(answering, m_answering.table, m_answering.count, total);
    // The rules between the groups.
    total += severalItems ? 2 : 1;
    m_contents->setFixedHeight(qMax(total, kContentsMinimum));
}
