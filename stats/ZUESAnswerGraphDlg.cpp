#include "ZUESAnswerGraphDlg.h"

#include "ZUOptionChart.h"
#include "ZUStatsParts.h"

#include <QHBoxLayout>
#include <QStringList>
#include <QVBoxLayout>

ZUESAnswerGraphDlg::ZUESAnswerGraphDlg()
    : ZUESAnswerWindow("ZUExamSGraphDlg", "background-color: rgb(255, 255, 255);")
{
    auto* bodyLayout = new QVBoxLayout(body());
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    QWidget* act = ZUStatsParts::styledWidget("actWidget", QString(), body());
    bodyLayout->addWidget(act);
    auto* graphLayout = new QHBoxLayout(act);
    graphLayout->setObjectName("graphLayout");
    graphLayout->setContentsMargins(20, 0, 30, 33);
    m_chart = new ZUOptionChart(this, graphLayout, 60);
}

ZUESAnswerGraphDlg::~ZUESAnswerGraphDlg()
{
    delete m_chart;
}

void ZUESAnswerGraphDlg::setData(const QVector<double>& values, const QVector<QColor>& colors,
                                 const QVector<QString>& names)
{
    const int w = width();
    const int h = height();
    m_chart->fill(values, colors, QStringList(names.toList()), QSize(int(w * 0.36), h / 4 * 3),
                  QSize(int(w * 0.33), h / 4 * 3));
    show();
}
