#pragma once

#include "ZUTAVNoFocusDelegate.h"

#include <QPen>

class QTableView;

// For tables that hide their own grid: cells without focus rectangle and a horizontal rule under each.
class ZUStyledItemDelegate : public ZUTAVNoFocusDelegate
{
    Q_OBJECT
public:
    explicit ZUStyledItemDelegate(QTableView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    QPen gridPen() const { return m_gridPen; }

private:
    QPen m_gridPen;
    QTableView* m_view;
};
