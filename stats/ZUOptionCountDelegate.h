#pragma once

#include "ZUTAVNoFocusDelegate.h"

// Draws an option cell of the option table: the option and a point in grey, then its head count in blue, centred.
// The cell's item holds the option (Qt::UserRole) and the count (Qt::UserRole + 1); its text is both, plain.
class ZUOptionCountDelegate : public ZUTAVNoFocusDelegate
{
    Q_OBJECT
public:
    explicit ZUOptionCountDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
