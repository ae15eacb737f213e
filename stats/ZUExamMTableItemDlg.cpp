#include "ZUExamMTableItemDlg.h"

#include "ZUOptionCountCells.h"

#include <QHBoxLayout>

ZUExamMTableItemDlg::ZUExamMTableItemDlg(QWidget* parent)
    : ZUExamMItemBase(parent, 680, 6, 0)
    , m_cells(new ZUOptionCountCells(this))
{
    m_cells->setFixedSize(600, 60);
    contentLayout()->addWidget(m_cells);
    contentLayout()->addStretch();
}

void ZUExamMTableItemDlg::setData(const QMap<QString, int>& counts)
{
    // A kept row may hold the cells of another item: they all go.
    m_cells->setCounts(counts);
}
