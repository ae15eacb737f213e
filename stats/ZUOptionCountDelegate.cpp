#include "ZUOptionCountDelegate.h"

#include <QPainter>

ZUOptionCountDelegate::ZUOptionCountDelegate(QObject* parent)
    : ZUTAVNoFocusDelegate(parent)
{
}

void ZUOptionCountDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // Cells beyond the item's options stay empty.
    if (!index.data(Qt::UserRole).isValid())
        return;
    const QString name = index.data(Qt::UserRole).toString() + QStringLiteral(".");
    const QString count = index.data(Qt::UserRole + 1).toString();
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(20);
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(name) + metrics.horizontalAdvance(count);
    QRect text = option.rect;
    text.setLeft(option.rect.left() + qMax(0, (option.rect.width() - width) / 2));
    painter->save();
    painter->setClipRect(option.rect);
    painter->setFont(font);
    painter->setPen(QColor(0x99, 0x99, 0x99));
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, name);
    text.setLeft(text.left() + metrics.horizontalAdvance(name));
    painter->setPen(QColor(0x46, 0xbd, 0xff));
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, count);
    painter->restore();
}
