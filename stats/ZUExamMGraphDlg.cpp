#include "ZUExamMGraphDlg.h"

#include "ZUExamMGraphItemDlg.h"
#include "ZUStatsParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

ZUExamMGraphDlg::ZUExamMGraphDlg()
    : ZUExamMDlgBase("ZUExamMGraphDlg")
{
    QWidget* legend = ZUStatsParts::styledWidget("widget", QString(), this);
    legend->setFixedWidth(90);
    auto* column = new QVBoxLayout(legend);
    column->setSpacing(10);
    column->setContentsMargins(0, 0, 0, 0);
    column->addSpacerItem(new QSpacerItem(20, 150, QSizePolicy::Fixed, QSizePolicy::Fixed));
    const struct
    {
        const char* image;
        const char* caption;
        const char* color;
        QString text;
    } lines[] = { { "RightIm", "RightLbl", "#3dd3b1", tr("答对") },
                  { "ErrorIm", "ErrorLbl", "#ed635c", tr("答错") },
                  { "UnImg", "UnLbl", "#9a9a9a", tr("未作答") } };
    for (const auto& line : lines) {
        auto* row = new QHBoxLayout;
        QWidget* square = ZUStatsParts::styledWidget(
            line.image,
            QStringLiteral("background-color: %1;\nbackground-image: url(images:analyze/bar.png);")
                .arg(QLatin1String(line.color)),
            legend);
        square->setFixedSize(10, 10);
        row->addWidget(square);
        row->addWidget(
            ZUStatsParts::label(line.caption, line.text, "color: #3dd3b1;\nfont: 18px \"微软雅黑\";", legend));
        column->addLayout(row);
    }
    column->addSpacerItem(new QSpacerItem(20, 140, QSizePolicy::Minimum, QSizePolicy::Expanding));
    sideLayout()->addWidget(legend);
}

void ZUExamMGraphDlg::setData(const QStringList& answers, const QList<QuestionStatInfo>& stats)
{
    keepRows(stats.size());
    for (int i = 0; i < stats.size(); ++i) {
        row<ZUExamMGraphItemDlg>(i, i + 1, answers.value(i))
            ->setData(stats.at(i).rightCount, stats.at(i).wrongCount, stats.at(i).unansweredCount);
    }
    showRows();
}
