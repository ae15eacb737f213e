#pragma once

#include "StuRankingInfo.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// The numbers and texts the quiz result views show, worked out without widgets so that what a teacher reads
// (counts, shares, accuracy, times, scores, the podium, how the name grids and bars are sized) is tested
// headless. The views only put them on screen.
namespace ZUStatsFigures {

constexpr int kNameColumnWidth = 103;
constexpr int kOptionRowHeight = 36;
// A ranking row without a recorded time carries this many seconds.
constexpr int kNoTime = 86400;

// "12人".
QString headCount(int n);
// value / total in percent with one decimal: "33.3%"; "0.0%" when the total is 0.
QString shareText(double value, int total);
// right / total in whole percent, truncated: 2 of 3 reads "66%"; "0%" when the total is 0.
QString accuracyText(int right, int total);
// Hours, minutes and seconds without their zero parts ("1时2分5秒", "1分"); "--" when no time was recorded.
QString usedTimeText(int usedTime);
// Hundredths of a point as points: 8550 reads "85.5分", 9000 "90分".
QString scoreText(int score);
// An option as its title shows it: four characters on the first line, three on each further one; a text that
// reads as a number stays whole.
QString wrapOption(const QString& text);
// Columns of 103 pixels that fit into width, at least one.
int columnsFor(int width);

// An option block: its names in a grid of 36-pixel rows beside the option, at least three rows high.
struct NameGrid
{
    int columns = 1;
    int rows = 0;
    int tableHeight = 0;
    int blockHeight = 0;
};
NameGrid optionNameGrid(int names, int columns);

// How the right, wrong and unanswered bars share a total width; each share truncated to whole pixels. A bar with
// students is widened to at least minimum, so that its head count can be read on it; the room is taken from the
// widest bar.
struct SheetWidths
{
    int right = 0;
    int wrong = 0;
    int unanswered = 0;
};
SheetWidths sheetWidths(int right, int wrong, int unanswered, int totalWidth, int minimum = 0);

// One legend row of an option chart.
struct LegendRow
{
    QColor color;
    QString name;
    QString percent;
};
// The legend lists the options last entry first, each with its share of all students.
QVector<LegendRow> legendRows(const QVector<double>& values, const QVector<QColor>& colors, const QStringList& names);
// Option colours in list order: grey for "未作答", pink for "其他", the palette in turn for the answers.
QVector<QColor> optionColors(const QStringList& options);

// Names for the first, second and third place: empty for a place without a row or without a recorded time.
QStringList podiumNames(const QList<StuRankingInfo>& rows);
// The ranking table's seven cells of the row at place (1-based).
QStringList rankingCells(int place, const StuRankingInfo& row);

// Widths of the paper analysis columns 0 to 4 for a table of that width; column 5 takes the rest.
QVector<int> analysisColumnWidths(int tableWidth);

} // namespace ZUStatsFigures
