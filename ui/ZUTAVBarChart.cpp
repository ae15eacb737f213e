#include "ZUTAVBarChart.h"

#include "ZUTAVColumnSymbol.h"

ZUTAVBarChart::ZUTAVBarChart() { }

void ZUTAVBarChart::setBars(const QVector<double>& values, const QVector<QColor>& colors)
{
    m_values.clear();
    m_colors.clear();
    for (int i = 0; i < values.size(); ++i) {
        m_values.append(static_cast<int>(values.at(i)));
        m_colors.append(colors.value(i, QColor(Qt::gray)));
    }
}

QwtColumnSymbol* ZUTAVBarChart::specialSymbol(int sampleIndex, const QPointF& sample) const
{
    if (sampleIndex >= 0 && sampleIndex < m_values.size() && sampleIndex < m_colors.size())
        return new ZUTAVColumnSymbol(m_values.at(sampleIndex), m_colors.at(sampleIndex));
    return QwtPlotBarChart::specialSymbol(sampleIndex, sample);
}
