#include "ZUStatsParts.h"

#include "ZUViewTableWidget.h"

#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableWidget>

namespace ZUStatsParts {

void placeAtBottomCentre(QWidget* window)
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move((area.width() - window->width()) / 2, area.height() - window->height());
    }
}

void fitHeight(QWidget* window, int chrome, int contents, int designHeight)
{
    int height = qMax(designHeight, chrome + contents);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        height = qMin(height, qMax(designHeight, screen->availableGeometry().height()));
    if (height == window->height())
        return;
    const int bottom = window->y() + window->height();
    window->setFixedHeight(height);
    window->move(window->x(), bottom - height);
}

void addShadow(QWidget* widget, const QColor& color)
{
    auto* shadow = new QGraphicsDropShadowEffect(widget);
    shadow->setBlurRadius(12);
    shadow->setOffset(0, 0);
    shadow->setColor(color);
    widget->setGraphicsEffect(shadow);
}

QLabel* label(const char* name, const QString& text, const QString& style, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    // Names and answers come from the keypads and the web service: never rich text.
    label->setTextFormat(Qt::PlainText);
    label->setStyleSheet(style);
    return label;
}

QWidget* styledWidget(const char* name, const QString& style, QWidget* parent)
{
    auto* widget = new QWidget(parent);
    widget->setObjectName(name);
    widget->setAttribute(Qt::WA_StyledBackground);
    widget->setStyleSheet(style);
    return widget;
}

QTableWidget* nameTable(const char* name, QWidget* parent)
{
    auto* table = new ZUViewTableWidget(parent);
    table->setObjectName(name);
    table->setFocusPolicy(Qt::NoFocus);
    table->setShowGrid(false);
    table->setAutoScroll(false);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->horizontalHeader()->setMinimumSectionSize(0);
    table->verticalHeader()->setMinimumSectionSize(0);
    // The wheel and the clicks belong to the list the table stands in.
    table->setAttribute(Qt::WA_TransparentForMouseEvents);
    return table;
}

void fillNames(QTableWidget* table, const QStringList& names, int columns, int rowHeight)
{
    table->clear();
    table->setColumnCount(columns);
    table->setRowCount((names.size() + columns - 1) / columns);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    for (int c = 0; c < columns; ++c)
        table->setColumnWidth(c, 103);
    for (int k = 0; k < names.size(); ++k) {
        auto* item = new QTableWidgetItem(names.at(k));
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(k / columns, k % columns, item);
    }
}

} // namespace ZUStatsParts
