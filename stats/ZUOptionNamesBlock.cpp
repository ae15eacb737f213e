#include "ZUOptionNamesBlock.h"

#include "ZUStatsFigures.h"
#include "ZUStatsParts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

ZUOptionNamesBlock::ZUOptionNamesBlock(QWidget* parent)
    : ZUDialogPart(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    QWidget* body = ZUStatsParts::styledWidget("widgetItem", QString(), this);
    outer->addWidget(body, 1);
    auto* bodyLayout = new QHBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(6);

    m_title = ZUStatsParts::label("AnswerTitleLbl", QString(), QString(), body);
    m_title->setEnabled(false);
    m_title->setWordWrap(true);
    m_title->setAlignment(Qt::AlignCenter);
    bodyLayout->addWidget(m_title);

    QWidget* numWig = ZUStatsParts::styledWidget("numWig", QString(), body);
    auto* numLayout = new QVBoxLayout(numWig);
    numLayout->setContentsMargins(0, 5, 0, 5);
    numLayout->addSpacing(20);
    m_count = ZUStatsParts::label("NumLbl", QString(), QString(), numWig);
    m_count->setFixedSize(48, 21);
    m_count->setAlignment(Qt::AlignCenter);
    numLayout->addWidget(m_count);
    numLayout->addStretch();
    bodyLayout->addWidget(numWig);

    m_names = ZUStatsParts::nameTable("AnswerNamesTableWidget", body);
    bodyLayout->addWidget(m_names, 0, Qt::AlignVCenter);
    bodyLayout->addStretch();

    auto* line = new QFrame(this);
    line->setObjectName("line");
    line->setFixedHeight(1);
    line->setStyleSheet("background-color: #d8deea;");
    outer->addWidget(line);
}

int ZUOptionNamesBlock::setData(const QString& option, const QStringList& names)
{
    const ZUStatsFigures::NameGrid grid = ZUStatsFigures::optionNameGrid(names.size(), nameColumns());
    m_count->setText(ZUStatsFigures::headCount(names.size()));
    ZUStatsParts::fillNames(m_names, names, grid.columns, ZUStatsFigures::kOptionRowHeight);
    m_names->setFixedHeight(grid.tableHeight);
    setFixedHeight(grid.blockHeight);
    m_title->setText(ZUStatsFigures::wrapOption(option));
    return grid.blockHeight;
}
