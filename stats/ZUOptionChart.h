#pragma once

#include <QColor>
#include <QList>
#include <QSize>
#include <QStringList>
#include <QVector>

class QGroupBox;
class QHBoxLayout;
class QSpacerItem;
class QVBoxLayout;
class QWidget;
class ZUTAVPieDialog;
class ZUTAVPieHeader;
class ZUTAVPlot;

// How a class answered one item, drawn three ways beside one another: a bar per option, a pie, and a legend of
// shares. The option chart window and the graph tab of the question detail popup both hold one; every fill
// replaces the charts and the legend rows.
class ZUOptionChart
{
public:
    // Builds "RightWidget" (the pie's place and the legend group "pieGroupBox") into graphLayout; charts go to
    // its left. The pie is made a child of owner first, as a part of that window.
    ZUOptionChart(QWidget* owner, QHBoxLayout* graphLayout, int rightTopMargin);
    ~ZUOptionChart();
    ZUOptionChart(const ZUOptionChart&) = delete;
    ZUOptionChart& operator=(const ZUOptionChart&) = delete;

    void fill(const QVector<double>& values, const QVector<QColor>& colors, const QStringList& names,
              const QSize& plotSize, const QSize& pieSize);

    ZUTAVPlot* plot() const { return m_plot; }
    ZUTAVPieDialog* pie() const { return m_pie; }
    const QList<ZUTAVPieHeader*>& legend() const { return m_legend; }
    QVBoxLayout* legendLayout() const { return m_pieHeaderVL; }
    QSpacerItem* spacer() const { return m_spacer; }

private:
    QWidget* m_owner;
    QHBoxLayout* m_graphLayout;
    QWidget* m_right;
    QHBoxLayout* m_rightLayout;
    QGroupBox* m_pieGroupBox;
    QVBoxLayout* m_pieHeaderVL;
    QSpacerItem* m_spacer;
    ZUTAVPlot* m_plot = nullptr;
    ZUTAVPieDialog* m_pie = nullptr;
    QList<ZUTAVPieHeader*> m_legend;
};
