#include "ContrastRatio.h"

#include <QHash>

namespace ContrastRatio {

TextColours ofText(const QImage& picture, const QRect& area)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const QRect within = area.intersected(image.rect());
    QHash<QRgb, int> counts;
    for (int y = within.top(); y <= within.bottom(); ++y) {
        for (int x = within.left(); x <= within.right(); ++x)
            ++counts[image.pixel(x, y)];
    }
    TextColours found;
    int most = 0;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it) {
        if (it.value() > most) {
            most = it.value();
            found.ground = QColor(it.key());
        }
    }
    found.text = found.ground;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it) {
        const double contrast = between(QColor(it.key()), found.ground);
        if (contrast > found.contrast) {
            found.contrast = contrast;
            found.text = QColor(it.key());
        }
    }
    return found;
}

} // namespace ContrastRatio
