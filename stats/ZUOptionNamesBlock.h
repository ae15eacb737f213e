#pragma once

#include "ZUDialogPart.h"

#include <QStringList>

class QLabel;
class QTableWidget;

// One option of an item with the students who chose it: the option, a pill with their number and the grid of
// their names, with a rule below. The option name list and the persons tab of the question detail popup stack
// these; they differ in look and in how many name columns they give.
class ZUOptionNamesBlock : public ZUDialogPart
{
    Q_OBJECT
public:
    // Fills the block and returns its height: three name rows at least, more when the names need them.
    int setData(const QString& option, const QStringList& names);

    QLabel* titleLabel() const { return m_title; }
    QLabel* countLabel() const { return m_count; }
    QTableWidget* namesTable() const { return m_names; }

protected:
    explicit ZUOptionNamesBlock(QWidget* parent = nullptr);
    virtual int nameColumns() const = 0;

private:
    QLabel* m_title;
    QLabel* m_count;
    QTableWidget* m_names;
};
