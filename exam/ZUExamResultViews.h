#pragma once

#include "QuestionStatInfo.h"
#include "StuRankingInfo.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QVector>

class QWidget;

// The result windows of a quiz as the run screens use them. The windows belong to a library above this one:
// the program installs their implementation at start-up, and until one is installed the result buttons open
// nothing. The screens show, place and hide the windows; the fills only put the data in.
class ZUExamResultViews
{
public:
    enum View { AnsweringPanel, Explanation, OptionList, ItemTable, OptionChart, ItemBars, PaperAnalysis, Ranking };

    static void install(ZUExamResultViews* views);
    // Null until the program installed its windows.
    static ZUExamResultViews* installed();

    // The window of a view, built when it is asked for the first time; null when there is none.
    virtual QWidget* window(View view) = 0;
    // The window of a view when it was built already, else null: what is not built is neither shown nor needs
    // hiding, and building a window only to ask that would cost the click that asks.
    virtual QWidget* builtWindow(View view) { return window(view); }

    // The class's students by how far they are with the current question; the answering group is shown only
    // for a question of two or more items.
    virtual void setAnswering(const QStringList& finished, const QStringList& answering, const QStringList& notAnswered,
                              int items)
        = 0;
    virtual void setExplanation(const QPixmap& picture, const QString& answer) = 0;
    // A question of one item: each option with the names behind it, or with its count and colour.
    virtual void setOptionNames(const QString& rightAnswer, const QVector<QString>& options,
                                const QVector<QStringList>& names)
        = 0;
    virtual void setOptionChart(const QString& rightAnswer, const QVector<double>& values,
                                const QVector<QColor>& colours, const QVector<QString>& options)
        = 0;
    // A question of several items: per item its right answer and its option counts, or its right, wrong and
    // unanswered counts; counts are keyed by the item's position in rightAnswers.
    virtual void setItemTable(const QStringList& rightAnswers, const QMap<int, QMap<QString, int>>& counts) = 0;
    virtual void setItemBars(const QStringList& rightAnswers, const QList<QuestionStatInfo>& stats) = 0;
    // The full-screen reports of the whole paper: shown, filled and given their scroll control.
    virtual void showPaperAnalysis(const QList<QuestionStatInfo>& rows) = 0;
    virtual void showRanking(const QList<StuRankingInfo>& rows) = 0;

protected:
    ~ZUExamResultViews() = default;
};
