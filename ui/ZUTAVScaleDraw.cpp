#include "ZUTAVScaleDraw.h"

#include <QPainter>
#include <qwt_text.h>

ZUTAVScaleDraw::ZUTAVScaleDraw(const QStringList& names)
    : m_names(names)
{
}

QwtText ZUTAVScaleDraw::label(double value) const
{
    if (value < 0 || value > m_names.size() - 1)
        return QwtText();
    // Names come from the server and the keypads: never read as markup.
    return QwtText(QStringLiteral("   ") + m_names.at(static_cast<int>(value)), QwtText::PlainText);
}

void ZUTAVScaleDraw::drawLabel(QPainter* painter, double value) const
{
    painter->setFont(QFont(QStringLiteral("Microsoft YaHei"), 12));
    painter->setPen(QColor(QStringLiteral("#555555")));
    QwtScaleDraw::drawLabel(painter, value);
}
