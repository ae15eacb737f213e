#pragma once

#include "ZUOptionNamesBlock.h"

// One option of the persons tab of the question detail popup: the option in blue, a grey head-count pill and
// the names, in as many columns as the tab's width gives.
class ZUStaffAnyItem : public ZUOptionNamesBlock
{
    Q_OBJECT
public:
    // width: the width of the tab the block is made for.
    ZUStaffAnyItem(int width, QWidget* parent);

    int madeForWidth() const { return m_width; }

protected:
    int nameColumns() const override { return m_columns; }

private:
    int m_width;
    int m_columns;
};
