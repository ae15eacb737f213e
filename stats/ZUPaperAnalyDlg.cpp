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
} // namespace

ZUPaperAnalyDlg::ZUPaperAnalyDlg()
    : ZUReportWindow("ZUPaperAnalyDlg", tr("试卷分析"), QSize(26, 23))
{
    QWidget* data = ZUStatsParts::styledWidget("dataWidget", "QWidget#dataWidget{background-color: #ffffff;}", this);
    auto* dataLayout = new QVBoxLayout(data);
    dataLayout->setContentsMargins(20, 20, 20, 0);
    dataLayout->setSpacing(0);
    QTableWidget* t
        = makeTable({ tr("大题题号"), tr("题型"), tr("题目"), tr("正确率"), tr("答题概况"), tr("试题分析数据详情") },
                    50, "#ffffff");
    // The details buttons' look, given once by their table rather than by each button.
    t->setStyleSheet(t->styleSheet()
                     + "QPushButton#detailsBtn{background: transparent; border: none;"
                       "background-image: url(images:analyze/details-n.png);"
                       "background-repeat: no-repeat; background-position: center;}"
                       "QPushButton#detailsBtn:hover{background-image: url(images:analyze/details-h.png);}");
    dataLayout->addWidget(t);
    windowLayout()->addWidget(data, 1);
}

void ZUPaperAnalyDlg::setData(QList<QuestionStatInfo> rows)
{
    m_rows = rows;
    QTableWidget* t = table();
    // Rows beyond the new ones go with their bars and buttons; the others keep theirs for the new figures, so
    // that opening the report again builds nothing.
    t->setRowCount(rows.size());
    m_btnRowMap.clear();
    for (int i = 0; i < rows.size(); ++i) {
        const QuestionStatInfo& r = rows.at(i);
        t->setRowHeight(i, 60);
        setCentred(i, 0, r.sectionNumeral);
        setCentred(i, 1, r.sectionName);
        setCentred(i, 2, QString::number(r.number));
        setCentred(i, 3, ZUStatsFigures::accuracyText(r.rightCount, r.rightCount + r.wrongCount + r.unansweredCount));
        // A bar of nobody shows nothing, so it is a fresh one.
        if (!qobject_cast<ZUAnswerSheet*>(t->cellWidget(i, kBarColumn))
            || r.rightCount + r.wrongCount + r.unansweredCount <= 0)
            t->setCellWidget(i, kBarColumn, new ZUAnswerSheet(t->viewport()));

        auto* details = qobject_cast<QPushButton*>(t->cellWidget(i, kButtonColumn));
        if (!details) {
            details = new QPushButton(t->viewport());
            details->setObjectName("detailsBtn");
            details->setFocusPolicy(Qt::NoFocus);
            details->setFixedHeight(60);
            t->setCellWidget(i, kButtonColumn, details);
            connect(details, &QPushButton::clicked, this, &ZUPaperAnalyDlg::DetailsBtnClicked);
        }
        m_btnRowMap.insert(details, i);
    }
    fitColumns();
    // A new report is read from its top.
    t->scrollToTop();
}

void ZUPaperAnalyDlg::setCentred(int row, int column, const QString& text)
{
    if (QTableWidgetItem* item = table()->item(row, column)) {
        item->setText(text);
        return;
    }
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    table()->setItem(row, column, item);
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
