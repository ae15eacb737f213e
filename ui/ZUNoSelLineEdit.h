#pragma once

#include <QLineEdit>

// Line edit that drops every selection as soon as it is made.
class ZUNoSelLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit ZUNoSelLineEdit(QWidget* parent = nullptr);

public slots:
    void deselected();
};
