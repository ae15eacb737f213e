#pragma once

#include "ZUDialogPart.h"

class QHBoxLayout;
class QLabel;

// A row of the per-item windows of a question with several answer items: the item's number and right answer on
// the dark band, then what the window shows of the item, with a rule below.
class ZUExamMItemBase : public ZUDialogPart
{
    Q_OBJECT
public:
    // Shows "number." and the answer.
    void setNumber(int number, const QString& answer);

    QString numberText() const;
    // The rows' look, given by their window in one style sheet rather than by every row.
    static QString styleRules();
    QString answerText() const;

protected:
    ZUExamMItemBase(QWidget* parent, int width, int spacing, int rightMargin);

    // Where the window's part of the row goes, right of the number.
    QHBoxLayout* contentLayout() const { return m_content; }

private:
    QHBoxLayout* m_content;
    QLabel* m_number;
    QLabel* m_answer;
};
