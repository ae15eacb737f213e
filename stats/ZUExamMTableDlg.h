#pragma once

#include "Singleton.h"
#include "ZUExamMDlgBase.h"

#include <QMap>
#include <QStringList>

// Option table of a question with several answer items: one row per item with the head count of each option.
class ZUExamMTableDlg : public ZUExamMDlgBase
{
    Q_OBJECT
public:
    static ZUExamMTableDlg* getInstance() { return TavSingleton<ZUExamMTableDlg>::instance(); }

    // One row per key of counts in ascending order, numbered from 1; the key is the item's position in answers.
    // Does not show the window.
    void setData(const QStringList& answers, const QMap<int, QMap<QString, int>>& counts);

private:
    friend class TavSingleton<ZUExamMTableDlg>;
    ZUExamMTableDlg();
};
