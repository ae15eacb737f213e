#include "ZUOptionChart.h"

#include "ZUStatsFigures.h"
#include "ZUTAVPieDialog.h"
#include "ZUTAVPieHeader.h"
#include "ZUTAVPlot.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSpacerItem>
#include <QVBoxLayout>
#include <qwt_plot_layout.h>
#include <qwt_scale_div.h>

#include <algorithm>

namespace {
// The chart's scale ends a tenth beyond the longest bar; in a chart as narrow as these that is less than the
// count written 15 pixels after the bar needs, so the scale is stretched until the count fits.
void leaveRoomForCounts(ZUTAVPlot* plot, const QVector<double>& values)
{
    const double longest = values.isEmpty() ? 0 : *std::max_element(values.cbegin(), values.cend());
    if (longest <= 0)
        return;
    plot->plotLayout()->activate(plot, plot->contentsRect());
    const double canvas = plot->plotLayout()->canvasRect().width();
    const QFontMetrics metrics(QFont(QStringLiteral("Microsoft YaHei"), 12));
    const int room = 15 + metrics.horizontalAdvance(QString::number(int(longest))) / 2 + 6;
    const double end = plot->axisScaleDiv(QwtPlot::xBottom).upperBound();
    if (canvas <= 2 * room || canvas - canvas * longest / end >= room)
        return;
    plot->setAxisScale(QwtPlot::xBottom, 0, longest * canvas / (canvas - room), 1);
    plot->replot();
}
} // namespace

ZUOptionChart::ZUOptionChart(QWidget* owner, QHBoxLayout* graphLayout, int rightTopMargin)
    : m_owner(owner)
    , m_graphLayout(graphLayout)
    , m_right(new QWidget(owner))
    , m_rightLayout(new QHBoxLayout(m_right))
    , m_pieGroupBox(new QGroupBox(m_right))
    , m_pieHeaderVL(new QVBoxLayout)
    , m_spacer(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding))
{
    m_right->setObjectName("RightWidget");
    m_rightLayout->setObjectName("RightHLayout");
    m_rightLayout->setContentsMargins(0, rightTopMargin, 0, 0);
    m_pieGroupBox->setObjectName("pieGroupBox");
    m_pieGroupBox->setStyleSheet("border: none;");
    m_pieGroupBox->setTitle(QString());
    auto* groupLayout = new QVBoxLayout(m_pieGroupBox);
    groupLayout->setContentsMargins(0, 20, 0, 0);
    m_pieHeaderVL->setObjectName("pieHeaderVL");
    groupLayout->addLayout(m_pieHeaderVL);
    m_pieHeaderVL->addItem(m_spacer);
    m_rightLayout->addWidget(m_pieGroupBox);
    m_graphLayout->addWidget(m_right);
}

ZUOptionChart::~ZUOptionChart()
{
    if (m_pieHeaderVL->indexOf(m_spacer) < 0)
        delete m_spacer;
}

void ZUOptionChart::fill(const QVector<double>& values, const QVector<QColor>& colors, const QStringList& names,
                         const QSize& plotSize, const QSize& pieSize)
{
    delete m_plot;
    delete m_pie;
    m_plot = new ZUTAVPlot;
    m_plot->setFixedSize(plotSize);
    m_plot->setData(values, colors, names);
    leaveRoomForCounts(m_plot, values);
    m_pie = new ZUTAVPieDialog(m_owner);
    m_pie->setFixedSize(pieSize);
    m_pie->setData(values, names, colors);

    m_pieHeaderVL->removeItem(m_spacer);
    qDeleteAll(m_legend);
    m_legend.clear();
    for (const ZUStatsFigures::LegendRow& row : ZUStatsFigures::legendRows(values, colors, names)) {
        auto* header = new ZUTAVPieHeader;
        header->setFixedHeight(35);
        header->setColor(row.color);
        header->setName(row.name);
        header->setPercent(row.percent);
        m_pieHeaderVL->addWidget(header);
        m_legend.append(header);
    }
    m_pieHeaderVL->addItem(m_spacer);

    // The charts go left of the pie and its legend, which stay where they are.
    m_graphLayout->insertWidget(m_graphLayout->indexOf(m_right), m_plot);
    m_rightLayout->insertWidget(m_rightLayout->indexOf(m_pieGroupBox), m_pie);
}
