#pragma once

#include <QTableWidget>

// Read-only display table: no frame, editing, selection, focus rectangle or tab navigation.
class ZUViewTableWidget : public QTableWidget
{
    Q_OBJECT
public:
    explicit ZUViewTableWidget(QWidget* parent = nullptr);
};
