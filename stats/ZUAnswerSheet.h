#pragma once

#include "ZUDialogPart.h"

class QLabel;
class QWidget;

// Three bars side by side sharing one width: how many students answered an item right (green), wrong (red) and
// not at all (grey), each with its head count on it.
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

    int rightWidth() const;
    int wrongWidth() const;
    int unansweredWidth() const;
    QString rightText() const;
    QString wrongText() const;
    QString unansweredText() const;

private:
    struct Segment
    {
        QWidget* segment = nullptr;
        QLabel* count = nullptr;
    };
    Segment addSegment(const char* segmentName, const char* barName, const char* countName);

    int m_totalWidth = 365;
    Segment m_right;
    Segment m_wrong;
    Segment m_unanswered;
};
