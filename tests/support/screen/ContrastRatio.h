#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

#include <cmath>

// Contrast of text against its background as the web's accessibility guidelines count it (1 to 21); 4.5 is
// their bound for plain text, which a projected screen needs no less.
namespace ContrastRatio {

inline double luminance(const QColor& c)
{
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

inline double between(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// Text drawn on a plain ground within area of a picture: the ground is the colour most pixels have, the text
// the pixel that stands out most from it (the full-strength core of a stroke, not its smoothed edge).
struct TextColours
{
    QColor ground;
    QColor text;
    double contrast = 1;
};

TextColours ofText(const QImage& picture, const QRect& area);

} // namespace ContrastRatio
