#pragma once

#include <QMap>
#include <QString>
#include <QVector>
#include <QWidget>

// The option cells of a row of the option table: up to six cells of equal width, each the option and a point in
// grey, then its head count in blue, centred. Painted by the one widget: fifty rows open at once, and a table
// widget per row would be built, styled and laid out fifty times.
class ZUOptionCountCells : public QWidget
{
    Q_OBJECT
public:
    static const int kColumns = 6;

    explicit ZUOptionCountCells(QWidget* parent = nullptr);

    // A cell per option, in ascending option order; options beyond the sixth have no place.
    void setCounts(const QMap<QString, int>& counts);

    // The cells as filled: the option and its count, "A.12"; empty beyond the options.
    int cellCount() const { return m_cells.size(); }
    QString cellText(int column) const;
    // A sixth of the width, truncated to whole pixels.
    int cellWidth() const { return width() / kColumns; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    struct Cell
    {
        QString option;
        int count = 0;
    };
    QVector<Cell> m_cells;
};
