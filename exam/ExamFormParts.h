#pragma once

#include <QSize>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// The small parts the quiz windows build their forms from.
namespace ExamFormParts {

// A label of plain text: names and texts from the web service never render as rich text.
QLabel* label(QWidget* parent, const char* name, const QString& text = QString());
// A button that takes no keyboard focus, with the pointing hand over it.
QPushButton* button(QWidget* parent, const char* name, const QString& text = QString(), QSize size = QSize());
// Style rules in which '@' stands for the image folder of the program directory.
QString style(const QString& rules);

} // namespace ExamFormParts
