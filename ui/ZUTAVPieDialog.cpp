#include "ZUTAVPieDialog.h"

#include <QPainter>

ZUTAVPieDialog::ZUTAVPieDialog(QWidget* parent)
    : QDialog(parent)
{
    // With a parent it is a part of that window's layout, not a window of its own.
    if (parent) {
        setWindowFlags(Qt::Widget);
        setMouseTracking(true);
    }
    setWindowTitle(tr("饼图"));
}

void ZUTAVPieDialog::setData(const QVector<double>& values, const QStringList& names, const QVector<QColor>& colors)
{
    m_values = values;
    m_names = names;
    m_colors = colors;
    update();
}

QRect ZUTAVPieDialog::pieRect(int width)
{
    const int a = (width / 5) * 4;
    return QRect((width + 20 - a) / 2, 15, a - 20, a - 20);
}

QVector<ZUTAVPieDialog::Slice> ZUTAVPieDialog::slicesFor(const QVector<double>& values, const QStringList& names,
                                                         const QVector<QColor>& colors)
{
    QVector<Slice> slices;
    int total = 0;
    for (double v : values)
        total = static_cast<int>(total + v);
    if (values.isEmpty() || total == 0)
        return slices;

    const QColor fallback = colors.isEmpty() ? QColor(Qt::gray) : colors.last();
    const QString noneName = tr("none");
    int start = 1440;
    for (int i = 0; i < values.size(); ++i) {
        const double v = values.at(i);
        if (v == 0)
            continue;
        Slice slice;
        slice.color = names.value(i) == noneName ? fallback : colors.value(i, fallback);
        slice.startAngle = start;
        slice.spanAngle = static_cast<int>(v / total * 5760);
        slices.append(slice);
        start += slice.spanAngle;
    }
    return slices;
}

void ZUTAVPieDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(QFont(QStringLiteral("Microsoft YaHei"), 12));

    const QRect square = pieRect(width());
    const QVector<Slice> slices = slicesFor(m_values, m_names, m_colors);
    if (slices.isEmpty()) {
        painter.setBrush(Qt::white);
        painter.drawEllipse(square);
        return;
    }
    for (const Slice& slice : slices) {
        painter.setBrush(slice.color);
        painter.setPen(QPen(QBrush(Qt::white), 0.5, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.drawPie(square, slice.startAngle, slice.spanAngle);
    }
}
