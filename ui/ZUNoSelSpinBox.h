#pragma once

#include <QSpinBox>

class ZUNoSelLineEdit;

// Spin box whose number is never left highlighted (stepping selects it in a plain QSpinBox).
class ZUNoSelSpinBox : public QSpinBox
{
    Q_OBJECT
public:
    explicit ZUNoSelSpinBox(QWidget* parent = nullptr);

    ZUNoSelLineEdit* noSelLineEdit() const { return m_edit; }

private:
    ZUNoSelLineEdit* m_edit;
};
