#pragma once

#include "ZUExamResultViews.h"

// The quiz result windows of stats/ as the run screens ask for them.
class ExamResultViews : public ZUExamResultViews
{
public:
    QWidget* window(View view) override;
    QWidget* builtWindow(View view) override;
    void setAnswering(const QStringList& finished, const QStringList& answering, const QStringList& notAnswered,
                      int items) override;
    void setExplanation(const QPixmap& picture, const QString& answer) override;
    void setOptionNames(const QString& rightAnswer, const QVector<QString>& options,
                        const QVector<QStringList>& names) override;
    void setOptionChart(const QString& rightAnswer, const QVector<double>& values, const QVector<QColor>& colours,
                        const QVector<QString>& options) override;
    void setItemTable(const QStringList& rightAnswers, const QMap<int, QMap<QString, int>>& counts) override;
    void setItemBars(const QStringList& rightAnswers, const QList<QuestionStatInfo>& stats) override;
    void showPaperAnalysis(const QList<QuestionStatInfo>& rows) override;
    void showRanking(const QList<StuRankingInfo>& rows) override;
};
