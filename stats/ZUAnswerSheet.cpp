#include "ZUAnswerSheet.h"

#include "ZUStatsFigures.h"

#include <QPainter>
#include <QPixmap>

namespace {
const int kBarHeight = 26;
// Where a count starts on its bar, as the labels that once stood there placed it.
const int kCountIndent = 5;

QFont countFont()
{
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(16);
    return font;
}

// The stripes laid over every bar.
const QPixmap& stripes()
{
    static const QPixmap picture(QStringLiteral("./Resources/images/analyze/bar.png"));
    return picture;
}
} // namespace

ZUAnswerSheet::ZUAnswerSheet(QWidget* parent)
    : ZUDialogPart(parent)
{
    setObjectName("ZUAnswerSheet");
    resize(365, kBarHeight);
    setMinimumHeight(kBarHeight);
    // Only the bars are painted; the row behind them shows through.
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
}

void ZUAnswerSheet::setData(int right, int wrong, int unanswered)
{
    if (right + wrong + unanswered <= 0)
        return;
    // Room for the widest of the three counts, in the counts' font.
    const QFontMetrics metrics(countFont());
    int minimum = 0;
    for (int count : { right, wrong, unanswered })
        minimum = qMax(minimum, metrics.horizontalAdvance(ZUStatsFigures::headCount(count)) + 6);
    const ZUStatsFigures::SheetWidths widths
        = ZUStatsFigures::sheetWidths(right, wrong, unanswered, m_totalWidth, minimum);
    m_right = { widths.right, ZUStatsFigures::headCount(right) };
    m_wrong = { widths.wrong, ZUStatsFigures::headCount(wrong) };
    m_unanswered = { widths.unanswered, ZUStatsFigures::headCount(unanswered) };
    update();
}

void ZUAnswerSheet::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(countFont());
    const int top = (height() - kBarHeight) / 2;
    int x = 0;
    const struct
    {
        const Segment& segment;
        QColor color;
    } bars[] = { { m_right, QColor(0x3d, 0xd3, 0xb1) },
                 { m_wrong, QColor(0xed, 0x63, 0x5c) },
                 { m_unanswered, QColor(0x9a, 0x9a, 0x9a) } };
    for (const auto& bar : bars) {
        const QRect rect(x, top, bar.segment.width, kBarHeight);
        x += bar.segment.width;
        if (rect.width() <= 0)
            continue;
        painter.fillRect(rect, bar.color);
        painter.drawTiledPixmap(rect, stripes(), QPoint(0, 0));
        painter.setPen(Qt::white);
        painter.drawText(rect.adjusted(kCountIndent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, bar.segment.text);
    }
}
