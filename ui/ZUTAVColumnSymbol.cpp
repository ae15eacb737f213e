#include "ZUTAVColumnSymbol.h"

#include <QPainter>

ZUTAVColumnSymbol::ZUTAVColumnSymbol(int value, const QColor& color)
    : QwtColumnSymbol(QwtColumnSymbol::Box)
    , m_value(value)
    , m_color(color)
{
}

ZUTAVColumnSymbol::Shape ZUTAVColumnSymbol::shapeFor(const QRectF& barRect)
{
    int x = static_cast<int>(barRect.x());
    int y = static_cast<int>(barRect.y());
    int w = static_cast<int>(barRect.width());
    int h = static_cast<int>(barRect.height());
    if (h > maxThickness) {
        y += (h - maxThickness) / 2;
        h = maxThickness;
    }
    Shape shape;
    shape.bar = QRect(x, y, w, h);
    shape.roundEnd = w > endRadius;
    // Twice the bar plus 30 px, centred: the value sits 15 px beyond the bar's end.
    shape.text = QRect(x, y, 2 * w + 2 * endRadius, h);
    return shape;
}

void ZUTAVColumnSymbol::draw(QPainter* painter, const QwtColumnRect& rect) const
{
    painter->save();
    painter->setFont(QFont(QStringLiteral("Microsoft YaHei"), 12));
    painter->setBrush(QBrush(m_color, Qt::SolidPattern));
    painter->setPen(Qt::NoPen);

    const Shape shape = shapeFor(rect.toRect());
    const QRect& bar = shape.bar;
    if (shape.roundEnd) {
        painter->drawRoundedRect(bar, endRadius, endRadius, Qt::AbsoluteSize);
        painter->drawRect(bar.x(), bar.y(), bar.width() - 10, bar.height());
    } else {
        painter->drawRect(bar);
    }

    painter->setPen(QColor(QStringLiteral("#555555")));
    painter->drawText(shape.text, Qt::AlignCenter, QString::number(m_value));
    painter->restore();
}
