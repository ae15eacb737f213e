#include "ZUNoSelLineEdit.h"

ZUNoSelLineEdit::ZUNoSelLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::selectionChanged, this, &ZUNoSelLineEdit::deselected);
}

void ZUNoSelLineEdit::deselected()
{
    if (hasSelectedText())
        deselect();
}
