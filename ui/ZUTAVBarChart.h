#pragma once

#include <QColor>
#include <QVector>
#include <qwt_plot_barchart.h>

// Bar chart whose bars each carry their own colour and integer value.
class ZUTAVBarChart : public QwtPlotBarChart
{
public:
    ZUTAVBarChart();

    // Replaces the per-bar values and colours; a missing colour is drawn grey.
    void setBars(const QVector<double>& values, const QVector<QColor>& colors);

    const QVector<int>& barValues() const { return m_values; }
    const QVector<QColor>& barColors() const { return m_colors; }

    QwtColumnSymbol* specialSymbol(int sampleIndex, const QPointF& sample) const override;

private:
    QVector<QColor> m_colors;
    QVector<int> m_values;
};
