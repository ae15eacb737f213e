#pragma once

#include <QColor>
#include <QRect>
#include <qwt_column_symbol.h>

// One horizontal bar: at most 30 px thick, round at its end, its value written just beyond it.
class ZUTAVColumnSymbol : public QwtColumnSymbol
{
public:
    static constexpr int maxThickness = 30;
    static constexpr int endRadius = 15;

    struct Shape
    {
        QRect bar;
        bool roundEnd = false;
        QRect text;
    };

    ZUTAVColumnSymbol(int value, const QColor& color);

    void draw(QPainter* painter, const QwtColumnRect& rect) const override;

    int value() const { return m_value; }
    QColor color() const { return m_color; }

    // Where the bar and its value go for a bar rectangle running left to right.
    static Shape shapeFor(const QRectF& barRect);

private:
    int m_value;
    QColor m_color;
};
