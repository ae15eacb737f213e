#pragma once

#include "QuestionStatInfo.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

class ZUBaseExamSer;

// What the result windows of the current question of a question-by-question quiz are filled with, gathered
// from the quiz service. A question of one item is shown by its options; a question of several items item by
// item, the option groups of each kept to four plus "其他".
class ZUStepExamResults
{
public:
    struct Groups
    {
        QStringList finished;
        QStringList answering;
        QStringList notAnswered;
    };
    struct OptionNames
    {
        QString rightAnswer;
        QVector<QString> options;
        QVector<QStringList> names;
    };
    struct OptionChart
    {
        QString rightAnswer;
        QVector<double> values;
        QVector<QColor> colours;
        QVector<QString> options;
    };
    struct ItemTable
    {
        QStringList rightAnswers;
        QMap<int, QMap<QString, int>> counts; // by the item's position in the question
    };
    struct ItemBars
    {
        QStringList rightAnswers;
        QList<QuestionStatInfo> stats;
    };

    static constexpr int kChartOptions = 5;
    static constexpr int kTableOptions = 4;

    // The names of the class's students in ascending dovaneID: finished, else answering, else not answered.
    static Groups answeringGroups(const QVector<QString>& finished, const QVector<QString>& answering);
    // The plain right answer of a one-item question, the numbered answers of a question of several.
    static QString explanationText(const ZUBaseExamSer& ser, int question);
    // Every option of the question's one item.
    static OptionNames optionNames(const ZUBaseExamSer& ser, int question);
    // The five largest options of the question's one item with "其他" and "未作答", in chart colours.
    static OptionChart optionChart(const ZUBaseExamSer& ser, int question);
    static ItemTable itemTable(const ZUBaseExamSer& ser, int question);
    static ItemBars itemBars(const ZUBaseExamSer& ser, int question);
    // "未作答" and "其他" have colours of their own; every other option takes the next of the palette.
    static QColor optionColour(const QString& option, int& paletteIndex);
};
