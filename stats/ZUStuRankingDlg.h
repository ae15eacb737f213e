#pragma once

#include "Singleton.h"
#include "StuRankingInfo.h"
#include "ZUReportWindow.h"

#include <QList>

class QLabel;

// The ranking of a quiz, full screen: the podium with the first three names over a table of every student with
// place, name, score, accuracy, time and the numbers of answered and unanswered items. The places are the
// order of the list.
class ZUStuRankingDlg : public ZUReportWindow
{
    Q_OBJECT
public:
    static ZUStuRankingDlg* getInstance() { return TavSingleton<ZUStuRankingDlg>::instance(); }

    void setData(QList<StuRankingInfo> rows);
    // Shows the window and puts the floating scroll control on its table.
    void showLevitate();

    QLabel* firstName() const { return m_first; }
    QLabel* secondName() const { return m_second; }
    QLabel* thirdName() const { return m_third; }

private:
    friend class TavSingleton<ZUStuRankingDlg>;
    ZUStuRankingDlg();

    QLabel* m_first;
    QLabel* m_second;
    QLabel* m_third;
};
