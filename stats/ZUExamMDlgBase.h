#pragma once

#include "ZUExamMItemBase.h"

#include <QDialog>
#include <QVector>

class QHBoxLayout;
class QScrollArea;
class QVBoxLayout;

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

    // A fill of count rows: the rows of the last fill are kept for it as far as they go and the rest deleted, so
    // that showing the same question again builds nothing; showRows shows them when they are all filled and
    // gives the window the height that shows them whole.
    void keepRows(int count);
    void showRows();
    // Row i of the fill, numbered: the kept one, or a new one under the others.
    template<typename Row> Row* row(int i, int number, const QString& answer)
    {
        auto* row = static_cast<Row*>(m_rows.value(i));
        if (!row) {
            // Made in the list, it takes the window's look once.
            row = new Row(m_contents);
            appendRow(row);
        }
        row->setNumber(number, answer);
        return row;
    }
    // Right of the list, for a legend.
    QHBoxLayout* sideLayout() const { return m_side; }

private:
    void appendRow(ZUExamMItemBase* row);

    QScrollArea* m_scrollArea;
    QWidget* m_contents;
    QVBoxLayout* m_cardLayout;
    QHBoxLayout* m_side;
    QVBoxLayout* m_scrollVLay;
    QVector<ZUExamMItemBase*> m_rows;
};
