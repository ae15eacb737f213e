#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>

class QBoxLayout;
class QLabel;
class QTableWidget;
class QWidget;

// What the result windows build alike: their place at the bottom of the screen, the card's shadow, labels,
// and the grids of student names.
namespace ZUStatsParts {

// Bottom centre of the primary screen's available area (its origin not added, as the windows always did).
void placeAtBottomCentre(QWidget* window);
// Gives the window the height that shows its list whole: chrome is what it draws around the list, contents the
// list's height. Never below its design height, never above the primary screen's available height (past it the
// list scrolls); the bottom edge stays where it was.
void fitHeight(QWidget* window, int chrome, int contents, int designHeight);
// Drop shadow of blur radius 12 and offset 0.
void addShadow(QWidget* widget, const QColor& color);
// A plain-text label with its own style; the object name is what style sheets and tests find it by.
QLabel* label(const char* name, const QString& text, const QString& style, QWidget* parent);
// A widget drawing its style sheet's background, optionally laid out by layout.
QWidget* styledWidget(const char* name, const QString& style, QWidget* parent);
// A read-only names table: no focus, frame, grid, headers, selection, editing or scroll bars; transparent.
QTableWidget* nameTable(const char* name, QWidget* parent);
// Names row-major into the table's columns, one plain centred item each, rows of rowHeight pixels.
void fillNames(QTableWidget* table, const QStringList& names, int columns, int rowHeight);

// The rows of a list refilled in place: the first count stay for the new fill, the others are deleted. Building
// rows is what opening a view costs; refilling them is cheap.
template<typename Row> void keepFirst(QVector<Row*>& rows, int count)
{
    while (rows.size() > qMax(0, count))
        delete rows.takeLast();
}

} // namespace ZUStatsParts
