#pragma once

#include <QDialog>
#include <QVector>

class QHBoxLayout;
class QScrollArea;
class QVBoxLayout;
class ZUExamMItemBase;

// The window of a question with several answer items (836 x 432 at the bottom of the screen): a card with a dark
// band on the left behind the item numbers and a scrolling list of one row per item, rebuilt by every fill.
class ZUExamMDlgBase : public QDialog
{
    Q_OBJECT
public:
    const QVector<ZUExamMItemBase*>& rows() const { return m_rows; }
    QScrollArea* scrollArea() const { return m_scrollArea; }

protected:
    explicit ZUExamMDlgBase(const char* objectName);

    // Deletes the rows of the last fill; showRows shows the new ones when they are all there.
    void clearRows();
    void showRows();
    // Where the rows are made: made there, they take the window's look once.
    QWidget* rowParent() const { return m_contents; }
    // Numbers the row and puts it under the others.
    void appendRow(ZUExamMItemBase* row, int number, const QString& answer);
    // Right of the list, for a legend.
    QHBoxLayout* sideLayout() const { return m_side; }

private:
    QScrollArea* m_scrollArea;
    QWidget* m_contents;
    QHBoxLayout* m_side;
    QVBoxLayout* m_scrollVLay;
    QVector<ZUExamMItemBase*> m_rows;
};
