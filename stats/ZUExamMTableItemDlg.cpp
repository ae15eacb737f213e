#include "ZUExamMTableItemDlg.h"

#include "ZUOptionCountDelegate.h"
#include "ZUStatsParts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableWidget>

namespace {
const int kColumns = 6;
}

ZUExamMTableItemDlg::ZUExamMTableItemDlg(QWidget* parent)
    : ZUExamMItemBase(parent, 680, 6, 0)
    , m_table(ZUStatsParts::nameTable("AnswerNamesTableWidget", this))
{
    m_table->setFixedSize(600, 60);
    m_table->setFont(QFont(QStringLiteral("微软雅黑"), 16));
    m_table->setRowCount(1);
    m_table->setRowHeight(0, 60);
    m_table->setItemDelegate(new ZUOptionCountDelegate(m_table));
    contentLayout()->addWidget(m_table);
    contentLayout()->addStretch();
}

void ZUExamMTableItemDlg::setData(const QMap<QString, int>& counts)
{
    m_table->setColumnCount(kColumns);
    // A kept row may hold the cells of another item.
    m_table->clearContents();
    const int cellWidth = m_table->width() / kColumns;
    int column = 0;
    for (auto it = counts.constBegin(); it != counts.constEnd() && column < kColumns; ++it, ++column) {
        // Painted, not a rich-text label per cell: a keypad's text never becomes markup, and fifty rows of cells
        // open at once.
        auto* cell = new QTableWidgetItem(it.key() + QStringLiteral(".") + QString::number(it.value()));
        cell->setData(Qt::UserRole, it.key());
        cell->setData(Qt::UserRole + 1, it.value());
        m_table->setColumnWidth(column, cellWidth);
        m_table->setItem(0, column, cell);
    }
}
