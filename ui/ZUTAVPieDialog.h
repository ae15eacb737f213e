#pragma once

#include <QColor>
#include <QDialog>
#include <QStringList>
#include <QVector>

// Pie chart painted directly; the legend beside it is made of ZUTAVPieHeader rows.
class ZUTAVPieDialog : public QDialog
{
    Q_OBJECT
public:
    struct Slice
    {
        int startAngle = 0; // sixteenths of a degree
        int spanAngle = 0;
        QColor color;
    };

    explicit ZUTAVPieDialog(QWidget* parent = nullptr);

    void setData(const QVector<double>& values, const QStringList& names, const QVector<QColor>& colors);

    // The square the pie is drawn in for a widget of the given width.
    static QRect pieRect(int width);
    // The slices to draw, from 12 o'clock counter-clockwise; empty when nothing is to be shown.
    static QVector<Slice> slicesFor(const QVector<double>& values, const QStringList& names,
                                    const QVector<QColor>& colors);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QVector<double> m_values;
    QStringList m_names;
    QVector<QColor> m_colors;
};
