#include "ZUPaperAnalyDlg.h"

#include "ZUAnswerSheet.h"
#include "ZUStatsFigures.h"
#include "ZUStatsParts.h"
#include "ZUSubjectDlg.h"

#include <QEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const int kBarColumn = 4;
const int kButtonColumn = 5;

QTableWidgetItem* centred(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}
} // namespace

ZUPaperAnalyDlg::ZUPaperAnalyDlg()
    : ZUReportWindow("ZUPaperAnalyDlg", tr("试卷分析"), QSize(26, 23))
{
    QWidget* data = ZUStatsParts::styledWidget("dataWidget", "QWidget#dataWidget{background-color: #ffffff;}", this);
    auto* dataLayout = new QVBoxLayout(data);
    dataLayout->setContentsMargins(20, 20, 20, 0);
    dataLayout->setSpacing(0);
    dataLayout->addWidget(
        makeTable({ tr("大题题号"), tr("题型"), tr("题目"), tr("正确率"), tr("答题概况"), tr("试题分析数据详情") }, 50,
                  "#ffffff"));
    windowLayout()->addWidget(data, 1);
}

void ZUPaperAnalyDlg::setData(QList<QuestionStatInfo> rows)
{
    m_rows = rows;
    QTableWidget* t = table();
    t->setRowCount(rows.size());
    m_btnRowMap.clear();
    for (int i = 0; i < rows.size(); ++i) {
        const QuestionStatInfo& r = rows.at(i);
        t->setRowHeight(i, 60);
        t->setItem(i, 0, centred(r.sectionNumeral));
        t->setItem(i, 1, centred(r.sectionName));
        t->setItem(i, 2, centred(QString::number(r.number)));
        t->setItem(
            i, 3, centred(ZUStatsFigures::accuracyText(r.rightCount, r.rightCount + r.wrongCount + r.unansweredCount)));
        t->setCellWidget(i, kBarColumn, new ZUAnswerSheet(t->viewport()));

        auto* details = new QPushButton(t->viewport());
        details->setObjectName("detailsBtn");
        details->setFocusPolicy(Qt::NoFocus);
        details->setFixedHeight(60);
        details->setStyleSheet("QPushButton{background: transparent; border: none;"
                               "background-image: url(./Resources/images/analyze/details-n.png);"
                               "background-repeat: no-repeat; background-position: center;}"
                               "QPushButton:hover{background-image: url(./Resources/images/analyze/details-h.png);}");
        t->setCellWidget(i, kButtonColumn, details);
        m_btnRowMap.insert(details, i);
        connect(details, &QPushButton::clicked, this, &ZUPaperAnalyDlg::DetailsBtnClicked);
    }
    fitColumns();
    // A new report is read from its top.
    t->scrollToTop();
}

void ZUPaperAnalyDlg::fitColumns()
{
    const QVector<int> widths = ZUStatsFigures::analysisColumnWidths(table()->width());
    for (int c = 0; c < widths.size(); ++c)
        table()->setColumnWidth(c, widths.at(c));
    for (int i = 0; i < m_rows.size() && i < table()->rowCount(); ++i) {
        if (auto* sheet = qobject_cast<ZUAnswerSheet*>(table()->cellWidget(i, kBarColumn))) {
            sheet->setTotalWidth(widths.at(kBarColumn));
            sheet->setData(m_rows.at(i).rightCount, m_rows.at(i).wrongCount, m_rows.at(i).unansweredCount);
        }
    }
}

bool ZUPaperAnalyDlg::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == table() && e->type() == QEvent::Resize)
        fitColumns();
    return ZUReportWindow::eventFilter(watched, e);
}

void ZUPaperAnalyDlg::showLevitate()
{
    carryLevitate();
}

void ZUPaperAnalyDlg::DetailsBtnClicked()
{
    auto* button = qobject_cast<QPushButton*>(sender());
    const auto row = m_btnRowMap.constFind(button);
    if (row == m_btnRowMap.constEnd())
        return;
    const int number = table()->item(row.value(), 2)->text().toInt();
    ZUSubjectDlg* popup = ZUSubjectDlg::getInstance();
    popup->show();
    // Above this report, which is raised each time it opens.
    popup->raise();
    popup->activateWindow();
    popup->showQuestion(number);
}
