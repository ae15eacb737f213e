#pragma once

#include <QWidget>

namespace Ui {
class PieHeader;
}

// One legend row of a pie: colour swatch, option name and its share.
class ZUTAVPieHeader : public QWidget
{
    Q_OBJECT
public:
    explicit ZUTAVPieHeader(QWidget* parent = nullptr);
    ~ZUTAVPieHeader() override;

    void setColor(const QColor& color);
    void setName(const QString& name);
    void setPercent(const QString& percent);

private:
    Ui::PieHeader* ui;
};
