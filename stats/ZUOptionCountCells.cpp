#include "ZUOptionCountCells.h"

#include <QPainter>

ZUOptionCountCells::ZUOptionCountCells(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("AnswerNamesTableWidget");
    // Clear around the text: the row's look shows through.
    setAttribute(Qt::WA_NoSystemBackground);
    // The wheel and the clicks belong to the list the row stands in.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ZUOptionCountCells::setCounts(const QMap<QString, int>& counts)
{
    m_cells.clear();
    for (auto it = counts.constBegin(); it != counts.constEnd() && m_cells.size() < kColumns; ++it)
        m_cells.append({ it.key(), it.value() });
    update();
}

QString ZUOptionCountCells::cellText(int column) const
{
    if (column < 0 || column >= m_cells.size())
        return QString();
    return m_cells.at(column).option + QStringLiteral(".") + QString::number(m_cells.at(column).count);
}

void ZUOptionCountCells::paintEvent(QPaintEvent*)
{
    if (m_cells.isEmpty())
        return;
    static const QFont font = [] {
        QFont f(QStringLiteral("微软雅黑"));
        f.setPixelSize(20);
        return f;
    }();
    const QFontMetrics metrics(font);
    QPainter painter(this);
    painter.setFont(font);
    const int width = cellWidth();
    for (int column = 0; column < m_cells.size(); ++column) {
        // Plain text: an option comes from a keypad and never becomes markup.
        const QString name = m_cells.at(column).option + QStringLiteral(".");
        const QString count = QString::number(m_cells.at(column).count);
        const QRect cell(column * width, 0, width, height());
        const int textWidth = metrics.horizontalAdvance(name) + metrics.horizontalAdvance(count);
        QRect text = cell;
        text.setLeft(cell.left() + qMax(0, (cell.width() - textWidth) / 2));
        painter.setClipRect(cell);
        painter.setPen(QColor(0x99, 0x99, 0x99));
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, name);
        text.setLeft(text.left() + metrics.horizontalAdvance(name));
        painter.setPen(QColor(0x46, 0xbd, 0xff));
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, count);
    }
}
