#include "ZUTAVPlot.h"

#include "ZUTAVBarChart.h"
#include "ZUTAVScaleDraw.h"

#include <QFont>
#include <qwt_plot_canvas.h>
#include <qwt_plot_layout.h>
#include <qwt_scale_widget.h>

#include <algorithm>

ZUTAVPlot::ZUTAVPlot(QWidget* parent)
    : QwtPlot(parent)
    , m_chart(new ZUTAVBarChart)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setStyleSheet(QStringLiteral("background-color: rgb(255, 255, 255);"));
    if (auto* plotCanvas = qobject_cast<QwtPlotCanvas*>(canvas()))
        plotCanvas->setFrameStyle(QFrame::NoFrame);
    // Label extents must be measured in the font the labels are drawn with.
    axisWidget(QwtPlot::yLeft)->setFont(QFont(QStringLiteral("Microsoft YaHei"), 12));

    m_chart->setLayoutPolicy(QwtPlotAbstractBarChart::AutoAdjustSamples);
    m_chart->setSpacing(10);
    m_chart->setMargin(3);
    // The default canvas margins hint shrinks a chart of one bar to a sliver.
    m_chart->setItemAttribute(QwtPlotItem::Margins, false);
    m_chart->attach(this);
}

void ZUTAVPlot::setData(const QVector<double>& values, const QVector<QColor>& colors, const QStringList& names)
{
    if (values.size() != names.size())
        return;

    const int count = values.size();
    m_chart->setSamples(values);
    m_chart->setBars(values, colors);
    m_chart->setOrientation(Qt::Horizontal);

    const int maxValue = count > 0 ? static_cast<int>(*std::max_element(values.cbegin(), values.cend())) : 0;

    setAxisScale(QwtPlot::yLeft, -0.5, std::max(count, 1) - 0.5, 1);
    auto* nameDraw = new ZUTAVScaleDraw(names);
    nameDraw->enableComponent(QwtAbstractScaleDraw::Backbone, true);
    nameDraw->enableComponent(QwtAbstractScaleDraw::Ticks, false);
    setAxisScaleDraw(QwtPlot::yLeft, nameDraw);

    // All-zero or empty charts still need a value range, or the scale map collapses.
    const double valueEnd = maxValue > 0 ? maxValue + maxValue * 0.1 : 1.0;
    setAxisScale(QwtPlot::xBottom, 0, valueEnd, 1);
    QwtScaleDraw* valueDraw = axisScaleDraw(QwtPlot::xBottom);
    valueDraw->enableComponent(QwtAbstractScaleDraw::Backbone, false);
    valueDraw->enableComponent(QwtAbstractScaleDraw::Ticks, false);
    valueDraw->enableComponent(QwtAbstractScaleDraw::Labels, false);

    plotLayout()->setAlignCanvasToScale(QwtPlot::yLeft, false);
    plotLayout()->setAlignCanvasToScale(QwtPlot::xBottom, false);
    plotLayout()->setCanvasMargin(0, -1);
    updateAxes();
    replot();
}
