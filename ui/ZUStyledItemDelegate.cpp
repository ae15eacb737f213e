#include "ZUStyledItemDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QTableView>

ZUStyledItemDelegate::ZUStyledItemDelegate(QTableView* view)
    : ZUTAVNoFocusDelegate(view)
    , m_view(view)
{
    QStyle* style = view ? view->style() : QApplication::style();
    QStyleOptionViewItem opt;
    if (view)
        opt.initFrom(view);
    const QColor gridColor = static_cast<QRgb>(style->styleHint(QStyle::SH_Table_GridLineColor, &opt, view));
    const Qt::PenStyle penStyle = view ? view->gridStyle() : Qt::SolidLine;
    m_gridPen = QPen(QBrush(gridColor, Qt::SolidPattern), 0, penStyle, Qt::SquareCap, Qt::BevelJoin);
}

void ZUStyledItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    ZUTAVNoFocusDelegate::paint(painter, option, index);
    const QPen oldPen = painter->pen();
    painter->setPen(m_gridPen);
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->setPen(oldPen);
}
