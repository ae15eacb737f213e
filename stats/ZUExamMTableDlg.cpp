#include "ZUExamMTableDlg.h"

#include "ZUExamMTableItemDlg.h"

ZUExamMTableDlg::ZUExamMTableDlg()
    : ZUExamMDlgBase("ZUExamMTableDlg")
{
}

void ZUExamMTableDlg::setData(const QStringList& answers, const QMap<int, QMap<QString, int>>& counts)
{
    keepRows(counts.size());
    int i = 0;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it, ++i)
        row<ZUExamMTableItemDlg>(i, i + 1, answers.value(it.key()))->setData(it.value());
    showRows();
}
