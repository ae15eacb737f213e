#pragma once

#include <QStyledItemDelegate>

// Item delegate that never draws the focus rectangle.
class ZUTAVNoFocusDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ZUTAVNoFocusDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
