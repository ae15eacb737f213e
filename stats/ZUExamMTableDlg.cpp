#include "ZUExamMTableDlg.h"

#include "ZUExamMTableItemDlg.h"

ZUExamMTableDlg::ZUExamMTableDlg()
    : ZUExamMDlgBase("ZUExamMTableDlg")
{
}

void ZUExamMTableDlg::setData(const QStringList& answers, const QMap<int, QMap<QString, int>>& counts)
{
    clearRows();
    int number = 1;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it) {
        auto* row = new ZUExamMTableItemDlg(rowParent());
        appendRow(row, number++, answers.value(it.key()));
        row->setData(it.value());
    }
    showRows();
}
