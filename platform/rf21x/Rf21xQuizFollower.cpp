#include "Rf21xQuizFollower.h"

#include "Rf21xAutoAnswers.h"

QList<Rf21xAnswerKey::Item> Rf21xQuizFollower::start(const Rf21xAnswerKey& key, int quizType, int count,
                                                     bool* newServing)
{
    *newServing = false;
    m_stops = 0;
    if (key.isEmpty())
        return {};
    if (key.served() != m_served) {
        m_served = key.served();
        m_following = true;
        m_question = -1;
        *newServing = true;
    }
    // Digit answering is a free interaction: the quiz is over.
    if (quizType != Rf21xAutoAnswers::SingleChoice && quizType != Rf21xAutoAnswers::MultipleChoice)
        m_following = false;
    if (!m_following)
        return {};
    if (quizType == Rf21xAutoAnswers::MultipleChoice && count == key.items().size())
        return key.items();

    const QList<QList<Rf21xAnswerKey::Item>> questions = key.questions();
    QList<int> order { m_question + 1, m_question };
    for (int q = m_question + 2; q < questions.size(); ++q)
        order.append(q);
    for (int q = m_question - 1; q >= 0; --q)
        order.append(q);
    for (int q : qAsConst(order)) {
        if (q >= 0 && q < questions.size() && opens(questions.at(q), quizType, count)) {
            m_question = q;
            return questions.at(q);
        }
    }
    return {};
}

void Rf21xQuizFollower::stop()
{
    if (++m_stops >= 2)
        m_following = false;
}

bool Rf21xQuizFollower::opens(const QList<Rf21xAnswerKey::Item>& question, int quizType, int count)
{
    const int items = question.size();
    // One item is started without a count, several with theirs.
    if (items > 1 ? count != items : count > 1)
        return false;
    // Started in multiple choice when some item asks for more than one key.
    int keys = 0;
    for (const Rf21xAnswerKey::Item& item : question)
        keys += item.answer.size();
    return (quizType == Rf21xAutoAnswers::MultipleChoice) == (keys > items);
}
