#include "ExamResultViews.h"

#include "ZUESAnswerGraphDlg.h"
#include "ZUESAnswerListDlg.h"
#include "ZUExamAnsStuDlg.h"
#include "ZUExamMGraphDlg.h"
#include "ZUExamMTableDlg.h"
#include "ZUExplanationDlg.h"
#include "ZUPaperAnalyDlg.h"
#include "ZUStuRankingDlg.h"

QWidget* ExamResultViews::window(View view)
{
    switch (view) {
    case AnsweringPanel:
        return ZUExamAnsStuDlg::getInstance();
    case Explanation:
        return ZUExplanationDlg::getInstance();
    case OptionList:
        return ZUESAnswerListDlg::getInstance();
    case ItemTable:
        return ZUExamMTableDlg::getInstance();
    case OptionChart:
        return ZUESAnswerGraphDlg::getInstance();
    case ItemBars:
        return ZUExamMGraphDlg::getInstance();
    case PaperAnalysis:
        return ZUPaperAnalyDlg::getInstance();
    case Ranking:
        return ZUStuRankingDlg::getInstance();
    }
    return nullptr;
}

QWidget* ExamResultViews::builtWindow(View view)
{
    switch (view) {
    case AnsweringPanel:
        return TavSingleton<ZUExamAnsStuDlg>::existing();
    case Explanation:
        return TavSingleton<ZUExplanationDlg>::existing();
    case OptionList:
        return TavSingleton<ZUESAnswerListDlg>::existing();
    case ItemTable:
        return TavSingleton<ZUExamMTableDlg>::existing();
    case OptionChart:
        return TavSingleton<ZUESAnswerGraphDlg>::existing();
    case ItemBars:
        return TavSingleton<ZUExamMGraphDlg>::existing();
    case PaperAnalysis:
        return TavSingleton<ZUPaperAnalyDlg>::existing();
    case Ranking:
        return TavSingleton<ZUStuRankingDlg>::existing();
    }
    return nullptr;
}

void ExamResultViews::setAnswering(const QStringList& finished, const QStringList& answering,
                                   const QStringList& notAnswered, int items)
{
    ZUExamAnsStuDlg::getInstance()->setData(finished, answering, notAnswered, items);
}

void ExamResultViews::setExplanation(const QPixmap& picture, const QString& answer)
{
    ZUExplanationDlg::getInstance()->setData(picture, answer);
}

void ExamResultViews::setOptionNames(const QString& rightAnswer, const QVector<QString>& options,
                                     const QVector<QStringList>& names)
{
    ZUESAnswerListDlg* list = ZUESAnswerListDlg::getInstance();
    list->setRightAnswer(rightAnswer);
    list->setAnswerNames(options, names);
}

void ExamResultViews::setOptionChart(const QString& rightAnswer, const QVector<double>& values,
                                     const QVector<QColor>& colours, const QVector<QString>& options)
{
    ZUESAnswerGraphDlg* chart = ZUESAnswerGraphDlg::getInstance();
    chart->setRightAnswer(rightAnswer);
    chart->setData(values, colours, options);
}

void ExamResultViews::setItemTable(const QStringList& rightAnswers, const QMap<int, QMap<QString, int>>& counts)
{
    ZUExamMTableDlg::getInstance()->setData(rightAnswers, counts);
}

void ExamResultViews::setItemBars(const QStringList& rightAnswers, const QList<QuestionStatInfo>& stats)
{
    ZUExamMGraphDlg::getInstance()->setData(rightAnswers, stats);
}

void ExamResultViews::showPaperAnalysis(const QList<QuestionStatInfo>& rows)
{
    // Shown first: the columns take the table's width.
    ZUPaperAnalyDlg* analysis = ZUPaperAnalyDlg::getInstance();
    analysis->show();
    analysis->setData(rows);
    analysis->showLevitate();
}

void ExamResultViews::showRanking(const QList<StuRankingInfo>& rows)
{
    ZUStuRankingDlg* ranking = ZUStuRankingDlg::getInstance();
    ranking->setData(rows);
    ranking->showLevitate();
}
