#include "ZUStuRankingDlg.h"

#include "ZUStatsFigures.h"
#include "ZUStatsParts.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QLabel* podiumLabel(const char* name, const QPoint& at, const char* color, QWidget* podium)
{
    QLabel* label = ZUStatsParts::label(
        name, QString(), QStringLiteral("font: 22px \"微软雅黑\";\ncolor: %1;").arg(QLatin1String(color)), podium);
    label->setFixedSize(101, 61);
    label->move(at);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}
} // namespace

ZUStuRankingDlg::ZUStuRankingDlg()
    : ZUReportWindow("ZUStuRankingDlg", tr("考生排行"), QSize(24, 25))
{
    QWidget* up = ZUStatsParts::styledWidget(
        "upWidget", "QWidget#upWidget{background-image: url(images:stuRanking/stuRanking-bg.png);}", this);
    up->setFixedHeight(345);
    auto* upLayout = new QHBoxLayout(up);
    upLayout->setContentsMargins(0, 22, 0, 0);
    upLayout->setSpacing(0);
    QWidget* podium = ZUStatsParts::styledWidget(
        "rankWidget", "QWidget#rankWidget{border-image: url(images:stuRanking/rank.png);}", up);
    podium->setFixedSize(751, 323);
    upLayout->addWidget(podium);
    m_first = podiumLabel("FirNameLbl", QPoint(330, 106), "#cd612e", podium);
    m_second = podiumLabel("SecNameLb", QPoint(118, 147), "#747a79", podium);
    m_third = podiumLabel("ThiNameLbl", QPoint(555, 178), "#ffffff", podium);
    windowLayout()->addWidget(up);

    QWidget* data = ZUStatsParts::styledWidget("dataWidget", "QWidget#dataWidget{background-color: #f3f7f9;}", this);
    auto* dataLayout = new QVBoxLayout(data);
    dataLayout->setContentsMargins(20, 0, 20, 0);
    QTableWidget* t = makeTable(
        { tr("排名"), tr("姓名"), tr("得分"), tr("正确率"), tr("答题总用时"), tr("已答题目数量"), tr("未答题目数量") },
        40, "#f3f7f9");
    dataLayout->addWidget(t);
    windowLayout()->addWidget(data, 1);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const int column = (screen->availableGeometry().width() - 100) / 7;
        for (int c = 0; c + 1 < t->columnCount(); ++c)
            t->setColumnWidth(c, column);
    }
}

void ZUStuRankingDlg::setData(QList<StuRankingInfo> rows)
{
    QTableWidget* t = table();
    t->setRowCount(rows.size());
    const QStringList podium = ZUStatsFigures::podiumNames(rows);
    m_first->setText(podium.at(0));
    m_second->setText(podium.at(1));
    m_third->setText(podium.at(2));
    for (int i = 0; i < rows.size(); ++i) {
        t->setRowHeight(i, 36);
        const QStringList cells = ZUStatsFigures::rankingCells(i + 1, rows.at(i));
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            item->setTextAlignment(Qt::AlignCenter);
            t->setItem(i, c, item);
        }
    }
    t->scrollToTop();
}

void ZUStuRankingDlg::showLevitate()
{
    show();
    carryLevitate();
}
