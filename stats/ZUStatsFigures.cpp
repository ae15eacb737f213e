#include "ZUStatsFigures.h"

#include "ZUStepExamResults.h"

#include <QObject>

#include <algorithm>
#include <iterator>

namespace ZUStatsFigures {

QString headCount(int n)
{
    return QString::number(n) + QObject::tr("人");
}

QString shareText(double value, int total)
{
    // An empty class has no shares; "nan%" would be all a teacher saw.
    const double percent = total != 0 ? value / total * 100 : 0.0;
    return QString::number(percent, 'f', 1) + QStringLiteral("%");
}

QString accuracyText(int right, int total)
{
    // Whole numbers: in floating point 57 of 100 would truncate to 56.
    const int percent = total > 0 ? right * 100 / total : 0;
    return QString::number(percent) + QStringLiteral("%");
}

QString usedTimeText(int usedTime)
{
    const int t = usedTime == kNoTime ? 0 : usedTime;
    if (t <= 0)
        return QStringLiteral("--");
    QString text;
    if (t / 3600 != 0)
        text += QString::number(t / 3600) + QObject::tr("时");
    if (t % 3600 / 60 != 0)
        text += QString::number(t % 3600 / 60) + QObject::tr("分");
    if (t % 60 != 0)
        text += QString::number(t % 60) + QObject::tr("秒");
    return text;
}

QString scoreText(int score)
{
    return QString::number(score * 0.01, 'g', 6) + QObject::tr("分");
}

QString wrapOption(const QString& text)
{
    bool number = false;
    text.toDouble(&number);
    if (number)
        return text;
    QString shown = text;
    for (int i = 1; i < shown.size(); ++i) {
        if (i % 4 == 0)
            shown.insert(i, QLatin1Char('\n'));
    }
    return shown;
}

int columnsFor(int width)
{
    return qMax(1, width / kNameColumnWidth);
}

NameGrid optionNameGrid(int names, int columns)
{
    NameGrid grid;
    grid.columns = qMax(1, columns);
    grid.rows = (names + grid.columns - 1) / grid.columns;
    grid.tableHeight = grid.rows < 3 ? grid.rows * kOptionRowHeight : grid.rows * kOptionRowHeight + 10;
    grid.blockHeight = qMax(qMax(grid.rows, 3) * kOptionRowHeight, grid.tableHeight + 10);
    return grid;
}

SheetWidths sheetWidths(int right, int wrong, int unanswered, int totalWidth, int minimum)
{
    SheetWidths widths;
    const int total = right + wrong + unanswered;
    if (total <= 0)
        return widths;
    const auto share = [&](int count) { return int(float(double(count) / total * totalWidth)); };
    widths.right = share(right);
    widths.wrong = share(wrong);
    widths.unanswered = share(unanswered);

    int* bars[] = { &widths.right, &widths.wrong, &widths.unanswered };
    const int counts[] = { right, wrong, unanswered };
    int* widest = *std::max_element(std::begin(bars), std::end(bars), [](int* a, int* b) { return *a < *b; });
    int missing = 0;
    for (int i = 0; i < 3; ++i) {
        if (counts[i] > 0 && bars[i] != widest)
            missing += qMax(0, minimum - *bars[i]);
    }
    if (missing == 0 || *widest - missing < minimum)
        return widths;
    for (int i = 0; i < 3; ++i) {
        if (counts[i] > 0 && bars[i] != widest)
            *bars[i] = qMax(*bars[i], minimum);
    }
    *widest -= missing;
    return widths;
}

QVector<LegendRow> legendRows(const QVector<double>& values, const QVector<QColor>& colors, const QStringList& names)
{
    int total = 0;
    for (int i = 0; i < names.size(); ++i)
        total = int(total + values.value(i));
    QVector<LegendRow> rows;
    for (int i = names.size() - 1; i >= 0; --i)
        rows.append({ colors.value(i), names.at(i), shareText(values.value(i), total) });
    return rows;
}

QVector<QColor> optionColors(const QStringList& options)
{
    QVector<QColor> colors;
    int palette = 0;
    for (const QString& option : options)
        colors.append(ZUStepExamResults::optionColour(option, palette));
    return colors;
}

QStringList podiumNames(const QList<StuRankingInfo>& rows)
{
    // Every place is written, so a shorter list leaves no name of an earlier one behind.
    QStringList names { QString(), QString(), QString() };
    for (int i = 0; i < 3 && i < rows.size(); ++i) {
        const int t = rows.at(i).usedTime == kNoTime ? 0 : rows.at(i).usedTime;
        if (t != 0)
            names[i] = rows.at(i).name;
    }
    return names;
}

QStringList rankingCells(int place, const StuRankingInfo& row)
{
    return { QString::number(place),
             row.name,
             scoreText(row.score),
             accuracyText(row.rightCount, row.answeredCount + row.unansweredCount),
             usedTimeText(row.usedTime),
             QString::number(row.answeredCount),
             QString::number(row.unansweredCount) };
}

QVector<int> analysisColumnWidths(int tableWidth)
{
    const int sectionWidth = int(tableWidth * 0.0887);
    return { int(tableWidth * 0.0806), int(tableWidth * 0.1452), sectionWidth, sectionWidth, int(tableWidth * 0.4194) };
}

} // namespace ZUStatsFigures
