#pragma once

#include "QuestionStatInfo.h"
#include "Singleton.h"
#include "ZUExamMDlgBase.h"

#include <QList>
#include <QStringList>

// Right/wrong bars of a question with several answer items: one row per item beside a legend.
class ZUExamMGraphDlg : public ZUExamMDlgBase
{
    Q_OBJECT
public:
    static ZUExamMGraphDlg* getInstance() { return TavSingleton<ZUExamMGraphDlg>::instance(); }

    // One row per statistics row, in list order, numbered from 1; answers[i] is the right answer of stats[i].
    // Does not show the window.
    void setData(const QStringList& answers, const QList<QuestionStatInfo>& stats);

private:
    friend class TavSingleton<ZUExamMGraphDlg>;
    ZUExamMGraphDlg();
};
