#include "ZUExamMTableItemDlg.h"

#include "ZUStatsParts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

namespace {
const int kColumns = 6;
}

ZUExamMTableItemDlg::ZUExamMTableItemDlg()
    : ZUExamMItemBase(680, 6, 0)
    , m_table(ZUStatsParts::nameTable("AnswerNamesTableWidget", this))
{
    m_table->setFixedSize(600, 60);
    m_table->setFont(QFont(QStringLiteral("微软雅黑"), 16));
    m_table->setStyleSheet("background-color: transparent;\ncolor: rgb(85, 85, 85);");
    m_table->setRowCount(1);
    m_table->setRowHeight(0, 60);
    contentLayout()->addWidget(m_table);
    contentLayout()->addStretch();
}

void ZUExamMTableItemDlg::setData(const QMap<QString, int>& counts)
{
    m_table->setColumnCount(kColumns);
    const int cellWidth = m_table->width() / kColumns;
    int column = 0;
    for (auto it = counts.constBegin(); it != counts.constEnd() && column < kColumns; ++it, ++column) {
        // The option comes from the keypads: escaped before it goes into the cell's markup.
        const QString text
            = QStringLiteral("<html><head/><body><p><span style=' font-size:20px; font-family: 微软雅黑; "
                             "color:#999999;'>%1.</span><span style=' font-size:20px; font-family: "
                             "微软雅黑; color:#46bdff;'>%2</span></p></body></html>")
                  .arg(it.key().toHtmlEscaped())
                  .arg(it.value());
        m_table->setColumnWidth(column, cellWidth);
        auto* cell = new QLabel(text);
        cell->setTextFormat(Qt::RichText);
        cell->setAlignment(Qt::AlignCenter);
        m_table->setCellWidget(0, column, cell);
    }
}
