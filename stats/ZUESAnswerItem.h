#pragma once

#include "ZUOptionNamesBlock.h"

// One option of the option name list: the option on the green band, the orange head-count pill and the names.
class ZUESAnswerItem : public ZUOptionNamesBlock
{
    Q_OBJECT
public:
    explicit ZUESAnswerItem(QWidget* parent = nullptr);

    void setTitleFont(const QFont& font);

protected:
    // As many 103-pixel columns as the names table is wide.
    int nameColumns() const override;
};
