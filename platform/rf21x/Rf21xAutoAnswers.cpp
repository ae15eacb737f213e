#include "Rf21xAutoAnswers.h"

#include <QRandomGenerator>

namespace {

const char kLetters[] = "ABCD";
const int kLetterCount = 4;
// Share of keypads that give the question's favourite.
const int kFavouritePercent = 50;
// Of the items an all-at-once quiz opens, share of answers with one letter: most items of a paper ask for one.
const int kOneLetterPercent = 75;
// Letters of a card answer other than the favourite, in percent: A, B, C, D.
const int kCardWeights[kLetterCount] = { 43, 42, 10, 5 };
const int kMaxNumber = 100;

} // namespace

Rf21xAutoAnswers::Rf21xAutoAnswers(QRandomGenerator* random)
    : m_random(random)
{
}

void Rf21xAutoAnswers::plan(int quizType, int count)
{
    m_questions.clear();
    const int questions = qMax(1, count);
    for (int i = 0; i < questions; ++i) {
        Question question;
        if (quizType == MultipleChoice) {
            question.form = Letters;
            question.oneLetterPercent = questions > 1 ? kOneLetterPercent : 0;
        } else if (quizType == Digits) {
            question.form = Number;
        } else {
            question.form = questions > 1 ? Letter : CardLetter;
        }
        // A card's favourite is a key that every card reads.
        question.favourite
            = question.form == CardLetter ? QByteArray(1, kLetters[m_random->bounded(2)]) : draw(question.form);
        question.letterFavourite = draw(Letter);
        m_questions.append(question);
    }
}

int Rf21xAutoAnswers::questions() const
{
    return m_questions.size();
}

QByteArray Rf21xAutoAnswers::answer(int question)
{
    const Question& planned = m_questions.at(question - 1);
    if (planned.form == Letters && chance(planned.oneLetterPercent))
        return chance(kFavouritePercent) ? planned.letterFavourite : draw(Letter);
    return chance(kFavouritePercent) ? planned.favourite : draw(planned.form);
}

QByteArray Rf21xAutoAnswers::letter()
{
    return draw(Letter);
}

QByteArray Rf21xAutoAnswers::draw(Form form)
{
    switch (form) {
    case CardLetter: {
        int pick = m_random->bounded(100);
        int index = 0;
        while (pick >= kCardWeights[index]) {
            pick -= kCardWeights[index];
            ++index;
        }
        return QByteArray(1, kLetters[index]);
    }
    case Letters: {
        // Two or three different letters, in key order.
        QByteArray letters(kLetters);
        const int keep = m_random->bounded(2, 4);
        while (letters.size() > keep)
            letters.remove(m_random->bounded(letters.size()), 1);
        return letters;
    }
    case Number:
        return QByteArray::number(m_random->bounded(kMaxNumber));
    case Letter:
        break;
    }
    return QByteArray(1, kLetters[m_random->bounded(kLetterCount)]);
}

bool Rf21xAutoAnswers::chance(int percent)
{
    return m_random->bounded(100) < percent;
}
