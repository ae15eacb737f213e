#pragma once

#include <QStringList>
#include <qwt_scale_draw.h>

// Bar axis that shows each bar's name instead of its position.
class ZUTAVScaleDraw : public QwtScaleDraw
{
public:
    explicit ZUTAVScaleDraw(const QStringList& names);

    QwtText label(double value) const override;

protected:
    void drawLabel(QPainter* painter, double value) const override;

private:
    QStringList m_names;
};
