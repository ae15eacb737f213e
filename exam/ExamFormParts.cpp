#include "ExamFormParts.h"

#include "ZUFormFrame.h"

#include <QLabel>
#include <QPushButton>

namespace ExamFormParts {

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, QSize size)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    if (size.isValid())
        button->setFixedSize(size);
    return button;
}

QString style(const QString& rules)
{
    return QString(rules).replace('@', ZUFormFrame::imagePath(QString()));
}

} // namespace ExamFormParts
