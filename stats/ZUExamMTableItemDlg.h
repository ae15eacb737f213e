#pragma once

#include "ZUExamMItemBase.h"

#include <QMap>

class ZUOptionCountCells;

// One answer item in the option table: its number, right answer and a cell per option with its head count.
class ZUExamMTableItemDlg : public ZUExamMItemBase
{
    Q_OBJECT
public:
    explicit ZUExamMTableItemDlg(QWidget* parent = nullptr);

    // A cell per option, in ascending option order; room for six.
    void setData(const QMap<QString, int>& counts);

    ZUOptionCountCells* cells() const { return m_cells; }

private:
    ZUOptionCountCells* m_cells;
};
