#include "StudentAnswerRecord.h"

#include <QDateTime>

StudentAnswerRecord::StudentAnswerRecord(int items)
    : m_count(qMax(0, items))
    , m_answers(m_count)
    , m_answerTimes(m_count)
    , m_answerHistory(m_count)
    , m_timeHistory(m_count)
{
    for (int number = 1; number <= m_count; ++number)
        m_unanswered.append(number);
}

bool StudentAnswerRecord::recordAnswer(int index, const QString& answer, int& answered)
{
    if (inRange(index)) {
        const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        m_answers[index] = answer;
        m_answerTimes[index] = now;
        m_answerHistory[index].append(answer);
        m_timeHistory[index].append(now);
        m_unanswered.removeOne(index + 1);
    }
    answered = m_count - m_unanswered.size();
    return m_unanswered.isEmpty();
}

void StudentAnswerRecord::clearAnswer(int index)
{
    if (!inRange(index))
        return;
    m_answers[index].clear();
    m_answerTimes[index].clear();
    m_answerHistory[index].clear();
    m_timeHistory[index].clear();
    if (!m_unanswered.contains(index + 1))
        m_unanswered.append(index + 1);
}

QString StudentAnswerRecord::answerAt(int index) const
{
    return inRange(index) ? m_answers.at(index) : QString();
}

void StudentAnswerRecord::countAnswered(int first, int last, int& answered) const
{
    answered = 0;
    for (int i = qMax(0, first); i <= last && i < m_count; ++i) {
        if (!m_answers.at(i).isEmpty())
            ++answered;
    }
}

QStringList StudentAnswerRecord::answerHistory(int index) const
{
    return inRange(index) ? m_answerHistory.at(index) : QStringList();
}

QStringList StudentAnswerRecord::timeHistory(int index) const
{
    return inRange(index) ? m_timeHistory.at(index) : QStringList();
}

int StudentAnswerRecord::questionSecondsAt(int question, int defaultSeconds) const
{
    return m_questionSeconds.value(question, defaultSeconds);
}

void StudentAnswerRecord::sumQuestionSeconds()
{
    m_usedTime = 0;
    for (int seconds : m_questionSeconds)
        m_usedTime += seconds;
}
