#include "ZUTAVAnswerGraph.h"

#include "ZUTAVPieDialog.h"
#include "ZUTAVPieHeader.h"
#include "ZUTAVPlot.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSpacerItem>

ZUTAVAnswerGraph::ZUTAVAnswerGraph()
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("ZUTAVStatisticalGraph");
    setWindowTitle(QString());
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(1000, 400);

    auto* graphLayout1 = new QGridLayout(this);
    graphLayout1->setObjectName("graphLayout1");
    graphLayout1->setContentsMargins(0, 0, 0, 0);
    auto* outer = new QHBoxLayout;
    graphLayout1->addLayout(outer, 0, 0);
    auto* actWidget = new QWidget(this);
    actWidget->setObjectName("actWidget");
    actWidget->setAttribute(Qt::WA_StyledBackground);
    actWidget->setStyleSheet("\nQWidget#actWidget{\n\tborder-image: url(images:interactBar/chartbg.png);\n}");
    outer->addWidget(actWidget);
    auto* inner = new QHBoxLayout(actWidget);
    inner->setContentsMargins(45, 33, 45, 33);
    m_graphLayout = new QHBoxLayout;
    m_graphLayout->setObjectName("graphLayout");
    inner->addLayout(m_graphLayout);
    m_pieGroupBox = new QGroupBox(actWidget);
    m_pieGroupBox->setObjectName("pieGroupBox");
    m_pieGroupBox->setStyleSheet("border: none;");
    m_pieGroupBox->setTitle(QString());
    auto* groupLayout = new QVBoxLayout(m_pieGroupBox);
    m_pieHeaderVL = new QVBoxLayout;
    m_pieHeaderVL->setObjectName("pieHeaderVL");
    groupLayout->addLayout(m_pieHeaderVL);
    m_graphLayout->addWidget(m_pieGroupBox);
    m_spacer = new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.bottom() + 1 - height());
    }
}

void ZUTAVAnswerGraph::setGraphData(const QVector<double>& values, const QVector<QColor>& colours,
                                    const QVector<QString>& names)
{
    delete m_plot;
    delete m_pie;
    const QStringList nameList = names.toList();
    m_plot = new ZUTAVPlot;
    m_plot->setFixedSize(int(width() * 0.36), height() / 4 * 3);
    m_plot->setData(values, colours, nameList);
    m_pie = new ZUTAVPieDialog(this);
    m_pie->setWindowFlags(Qt::Widget);
    m_pie->setFixedSize(int(width() * 0.33), height() / 4 * 3);
    m_pie->setData(values, nameList, colours);

    m_pieHeaderVL->removeItem(m_spacer);
    qDeleteAll(m_legend);
    m_legend.clear();
    int total = 0;
    for (double v : values)
        total += int(v);
    for (int i = values.size() - 1; i >= 0; --i) {
        auto* header = new ZUTAVPieHeader;
        header->setFixedHeight(35);
        header->setColor(colours.value(i));
        header->setName(names.value(i));
        const double share = total > 0 ? values.at(i) / total * 100 : 0.0;
        header->setPercent(QString::number(share, 'f', 1) + "%");
        m_pieHeaderVL->addWidget(header);
        m_legend.append(header);
    }
    m_pieHeaderVL->addItem(m_spacer);
    m_graphLayout->addWidget(m_plot);
    m_graphLayout->addWidget(m_pie);
    m_graphLayout->removeWidget(m_pieGroupBox);
    m_graphLayout->addWidget(m_pieGroupBox);
    show();
}
