#include "ZUNoSelSpinBox.h"

#include "ZUNoSelLineEdit.h"

ZUNoSelSpinBox::ZUNoSelSpinBox(QWidget* parent)
    : QSpinBox(parent)
    , m_edit(new ZUNoSelLineEdit(this))
{
    setLineEdit(m_edit);
}
