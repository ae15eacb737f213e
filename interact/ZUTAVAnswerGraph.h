#pragma once

#include "Singleton.h"

#include <QColor>
#include <QDialog>
#include <QList>
#include <QVector>

class QGroupBox;
class QHBoxLayout;
class QSpacerItem;
class QVBoxLayout;
class ZUTAVPieDialog;
class ZUTAVPieHeader;
class ZUTAVPlot;

// The answer graph at the bottom of the screen after an interaction: bars, a pie and a legend of shares.
class ZUTAVAnswerGraph : public QDialog
{
    Q_OBJECT
public:
    static ZUTAVAnswerGraph* getInstance() { return TavSingleton<ZUTAVAnswerGraph>::instance(); }

    void setGraphData(const QVector<double>& values, const QVector<QColor>& colours, const QVector<QString>& names);

    ZUTAVPlot* plot() const { return m_plot; }
    ZUTAVPieDialog* pie() const { return m_pie; }
    const QList<ZUTAVPieHeader*>& legend() const { return m_legend; }

private:
    friend class TavSingleton<ZUTAVAnswerGraph>;
    ZUTAVAnswerGraph();

    ZUTAVPlot* m_plot = nullptr;
    ZUTAVPieDialog* m_pie = nullptr;
    QList<ZUTAVPieHeader*> m_legend;
    QSpacerItem* m_spacer = nullptr;
    QHBoxLayout* m_graphLayout = nullptr;
    QVBoxLayout* m_pieHeaderVL = nullptr;
    QGroupBox* m_pieGroupBox = nullptr;
};
