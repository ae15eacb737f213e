#pragma once

#include "ZUExamMItemBase.h"

class ZUAnswerSheet;

// One answer item in the right/wrong bars window: its number, right answer and the three bars.
class ZUExamMGraphItemDlg : public ZUExamMItemBase
{
    Q_OBJECT
public:
    explicit ZUExamMGraphItemDlg(QWidget* parent = nullptr);

    // Adds the bars for the counts, as wide as the row's room for them.
    void setData(int right, int wrong, int unanswered);

    ZUAnswerSheet* sheet() const { return m_sheet; }

private:
    QWidget* m_graph;
    ZUAnswerSheet* m_sheet = nullptr;
};
