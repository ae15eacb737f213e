#include "ZUAnswerSheet.h"

#include "ZUStatsFigures.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
// One style sheet for the whole bar: parsed once, not once per part.
const char* const kStyle = "#AnRightProcessWid{background-color: #3dd3b1;"
                           "background-image: url(./Resources/images/analyze/bar.png);}"
                           "#AnErrorProcessWid{background-color: #ed635c;"
                           "background-image: url(./Resources/images/analyze/bar.png);}"
                           "#DoNotAnProcessWid{background-color: #9a9a9a;"
                           "background-image: url(./Resources/images/analyze/bar.png);}"
                           "QLabel{color: #ffffff;\nfont: 16px \"微软雅黑\";\npadding-left: 1px;\n}";
} // namespace

ZUAnswerSheet::ZUAnswerSheet(QWidget* parent)
    : ZUDialogPart(parent)
{
    setObjectName("ZUAnswerSheet");
    resize(365, 26);
    setStyleSheet(kStyle);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_right = addSegment("AnswerRightWidget", "AnRightProcessWid", "AnRightNumLbl");
    m_wrong = addSegment("AnswerErrorWidget", "AnErrorProcessWid", "AnErrorNumLbl");
    m_unanswered = addSegment("DoNotAnswerWidget", "DoNotAnProcessWid", "DoNotAnNumLbl");
    layout->addStretch();
}

ZUAnswerSheet::Segment ZUAnswerSheet::addSegment(const char* segmentName, const char* barName, const char* countName)
{
    Segment s;
    s.segment = new QWidget(this);
    s.segment->setObjectName(segmentName);
    auto* column = new QVBoxLayout(s.segment);
    column->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QWidget(s.segment);
    bar->setObjectName(barName);
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedHeight(26);
    column->addWidget(bar, 0, Qt::AlignVCenter);
    auto* grid = new QGridLayout(bar);
    grid->setContentsMargins(0, 0, 0, 0);
    s.count = new QLabel(bar);
    s.count->setObjectName(countName);
    s.count->setTextFormat(Qt::PlainText);
    grid->addWidget(s.count);
    layout()->addWidget(s.segment);
    return s;
}

void ZUAnswerSheet::setData(int right, int wrong, int unanswered)
{
    if (right + wrong + unanswered <= 0)
        return;
    // Room for the widest of the three counts, in the labels' font.
    m_right.count->ensurePolished();
    int minimum = 0;
    for (int count : { right, wrong, unanswered })
        minimum = qMax(minimum, m_right.count->fontMetrics().horizontalAdvance(ZUStatsFigures::headCount(count)) + 6);
    const ZUStatsFigures::SheetWidths widths
        = ZUStatsFigures::sheetWidths(right, wrong, unanswered, m_totalWidth, minimum);
    m_right.segment->setFixedWidth(widths.right);
    m_right.segment->move(5, 0);
    m_wrong.segment->move(m_right.segment->x() + widths.right, 0);
    m_wrong.segment->setFixedWidth(widths.wrong);
    m_unanswered.segment->move(m_wrong.segment->x() + widths.wrong, 0);
    m_unanswered.segment->setFixedWidth(widths.unanswered);
    m_right.count->setText(ZUStatsFigures::headCount(right));
    m_wrong.count->setText(ZUStatsFigures::headCount(wrong));
    m_unanswered.count->setText(ZUStatsFigures::headCount(unanswered));
}

int ZUAnswerSheet::rightWidth() const
{
    return m_right.segment->width();
}

int ZUAnswerSheet::wrongWidth() const
{
    return m_wrong.segment->width();
}

int ZUAnswerSheet::unansweredWidth() const
{
    return m_unanswered.segment->width();
}

QString ZUAnswerSheet::rightText() const
{
    return m_right.count->text();
}

QString ZUAnswerSheet::wrongText() const
{
    return m_wrong.count->text();
}

QString ZUAnswerSheet::unansweredText() const
{
    return m_unanswered.count->text();
}
