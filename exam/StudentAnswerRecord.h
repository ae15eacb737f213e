#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// One student's answers to the answer items of a paper, addressed by item index (mcsn - 1): the current
// answer and its time, every answer received, and the seconds used. An index outside the paper is ignored,
// so a stray keypad message can never write beside the arrays.
class StudentAnswerRecord
{
public:
    StudentAnswerRecord() = default;
    explicit StudentAnswerRecord(int items);

    // Stores the answer with the current time and appends both to the history; answered becomes the number
    // of items with an answer. True when every item has one.
    bool recordAnswer(int index, const QString& answer, int& answered);
    // Forgets the item's answer and history; the item counts as unanswered again.
    void clearAnswer(int index);
    // Empty text when the item has no answer or the index is outside the paper.
    QString answerAt(int index) const;
    // Items from first to last (both included) that have an answer.
    void countAnswered(int first, int last, int& answered) const;

    int count() const { return m_count; }
    const QList<int>& unanswered() const { return m_unanswered; }
    const QVector<QString>& answers() const { return m_answers; }
    const QVector<QString>& answerTimes() const { return m_answerTimes; }
    QStringList answerHistory(int index) const;
    QStringList timeHistory(int index) const;

    void setQuestionSeconds(int question, int seconds) { m_questionSeconds.insert(question, seconds); }
    int questionSecondsAt(int question, int defaultSeconds) const;
    // The used time becomes the sum of the seconds of every question.
    void sumQuestionSeconds();
    int usedTime() const { return m_usedTime; }
    void setUsedTime(int seconds) { m_usedTime = seconds; }

private:
    bool inRange(int index) const { return index >= 0 && index < m_count; }

    int m_count = 0;
    QList<int> m_unanswered; // item numbers (index + 1)
    QVector<QString> m_answers;
    QVector<QString> m_answerTimes;
    QMap<int, int> m_questionSeconds;
    QVector<QStringList> m_answerHistory;
    QVector<QStringList> m_timeHistory;
    int m_usedTime = 0;
};
