#pragma once

#include "ZUDialogPart.h"

#include <QString>

// Three bars side by side sharing one width: how many students answered an item right (green), wrong (red) and
// not at all (grey), each with its head count on it. The bars are painted, not made of widgets: a paper
// analysis holds one per answer item.
class ZUAnswerSheet : public ZUDialogPart
{
    Q_OBJECT
public:
    explicit ZUAnswerSheet(QWidget* parent = nullptr);

    // The width the three bars share; set before setData.
    void setTotalWidth(int width) { m_totalWidth = width; }
    int totalWidth() const { return m_totalWidth; }
    // Sizes the bars by their counts; with no student at all nothing changes.
    void setData(int right, int wrong, int unanswered);

    int rightWidth() const { return m_right.width; }
    int wrongWidth() const { return m_wrong.width; }
    int unansweredWidth() const { return m_unanswered.width; }
    QString rightText() const { return m_right.text; }
    QString wrongText() const { return m_wrong.text; }
    QString unansweredText() const { return m_unanswered.text; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    struct Segment
    {
        int width = 0;
        QString text;
    };

    int m_totalWidth = 365;
    Segment m_right;
    Segment m_wrong;
    Segment m_unanswered;
};
