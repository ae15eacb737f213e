#pragma once

#include <QColor>
#include <QStringList>
#include <QVector>
#include <qwt_plot.h>

class ZUTAVBarChart;

// Horizontal bar chart: one bar per option in its own colour, its count beside it, names on the left.
class ZUTAVPlot : public QwtPlot
{
    Q_OBJECT
public:
    explicit ZUTAVPlot(QWidget* parent = nullptr);

    // Does nothing when values and names differ in count; empty lists give an empty chart.
    void setData(const QVector<double>& values, const QVector<QColor>& colors, const QStringList& names);

    ZUTAVBarChart* barChart() const { return m_chart; }

private:
    ZUTAVBarChart* m_chart;
};
