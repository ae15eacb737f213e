#include "Rf21xAutoAnswers.h"

#include <QRandomGenerator>
#include <QSet>

#include <algorithm>

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
// With the key: the share of keypads that give an item's favourite, and of those that know better when it is
// wrong. The others miss, so that an item's share right is what was dealt.
const int kKeyedFavouriteMinPercent = 45;
const int kKeyedFavouriteMaxPercent = 75;
const int kKnowBetterMinPercent = 10;
const int kKnowBetterMaxPercent = 25;

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
        question.favouritePercent = kFavouritePercent;
        // A card's favourite is a key that every card reads.
        question.favourite
            = question.form == CardLetter ? QByteArray(1, kLetters[m_random->bounded(2)]) : draw(question.form);
        question.letterFavourite = draw(Letter);
        m_questions.append(question);
    }
}

void Rf21xAutoAnswers::learnKey(const QList<Rf21xAnswerKey::Item>& items)
{
    m_keyed.clear();
    QList<int> withAnswer;
    for (int i = 0; i < items.size(); ++i) {
        if (!items.at(i).answer.isEmpty())
            withAnswer.append(i);
    }
    // About a quarter of the items go mostly wrong: those a class gets wrong, not chance.
    std::shuffle(withAnswer.begin(), withAnswer.end(), *m_random);
    const QSet<int> wrong(withAnswer.cbegin(), withAnswer.cbegin() + (withAnswer.size() + 1) / 4);
    for (int i = 0; i < items.size(); ++i)
        m_keyed.insert(items.at(i).mcsn, keyed(items.at(i), !wrong.contains(i)));
}

void Rf21xAutoAnswers::plan(const QList<Rf21xAnswerKey::Item>& opened, int keypads)
{
    m_questions.clear();
    for (const Rf21xAnswerKey::Item& item : opened) {
        Question question = m_keyed.contains(item.mcsn) ? m_keyed.value(item.mcsn) : keyed(item, true);
        // Dealt rather than drawn for each keypad, so that a class of ten shows each item's shares.
        const int favourites = qRound(question.favouritePercent * keypads / 100.0);
        const int right = qRound(question.rightPercent * keypads / 100.0);
        question.deck.clear();
        for (int keypad = 0; keypad < keypads; ++keypad)
            question.deck.append(keypad < favourites ? Favourite : keypad < favourites + right ? Right : Guess);
        std::shuffle(question.deck.begin(), question.deck.end(), *m_random);
        m_questions.append(question);
    }
}

int Rf21xAutoAnswers::questions() const
{
    return m_questions.size();
}

QByteArray Rf21xAutoAnswers::answer(int question)
{
    Question& planned = m_questions[question - 1];
    if (planned.form == Letters && chance(planned.oneLetterPercent))
        return chance(kFavouritePercent) ? planned.letterFavourite : draw(Letter);
    const Deal deal = !planned.deck.isEmpty() ? planned.deck.takeLast()
        : chance(planned.favouritePercent)    ? Favourite
                                              : Guess;
    if (deal == Favourite)
        return planned.favourite;
    if (deal == Right)
        return planned.right;
    if (planned.right.isEmpty())
        return draw(planned.form);
    // A keyed item's guesses miss: those that hit are dealt.
    if (planned.form == Number)
        return nearby(planned.right);
    QByteArray missed = draw(planned.form);
    while (missed == planned.right)
        missed = draw(planned.form);
    return missed;
}

QByteArray Rf21xAutoAnswers::letter()
{
    return draw(Letter);
}

Rf21xAutoAnswers::Question Rf21xAutoAnswers::keyed(const Rf21xAnswerKey::Item& item, bool rightFavourite)
{
    Question question;
    question.favouritePercent = kFavouritePercent;
    if (item.answer.isEmpty()) {
        // Nothing counts as right: keypads answer as without the key.
        question.favourite = draw(Letter);
        return question;
    }
    switch (item.form) {
    case Rf21xAnswerKey::OneLetter:
        question.form = Letter;
        break;
    case Rf21xAnswerKey::Letters:
        question.form = Letters;
        question.oneLetterPercent = 0;
        break;
    case Rf21xAnswerKey::Digits:
        question.form = Number;
        break;
    }
    question.right = item.answer;
    question.favouritePercent = m_random->bounded(kKeyedFavouriteMinPercent, kKeyedFavouriteMaxPercent + 1);
    question.favourite = item.answer;
    if (!rightFavourite) {
        question.favourite = wrong(item.answer, question.form);
        question.rightPercent = m_random->bounded(kKnowBetterMinPercent, kKnowBetterMaxPercent + 1);
    }
    return question;
}

QByteArray Rf21xAutoAnswers::wrong(const QByteArray& right, Form form)
{
    if (form == Number)
        return nearby(right);
    // The options run to D, or to the last letter the key names.
    char last = 'D';
    for (char c : right) {
        if (c >= 'A' && c <= 'Z')
            last = qMax(last, c);
    }
    const int options = last - 'A' + 1;
    if (form == Letter) {
        char other = right.at(0);
        while (other == right.at(0))
            other = char('A' + m_random->bounded(options));
        return QByteArray(1, other);
    }
    // Several letters: one option too many or one missed, as a class does.
    QByteArray letters = right;
    const char toggled = char('A' + m_random->bounded(options));
    if (!letters.contains(toggled))
        letters.append(toggled);
    else if (letters.size() > 1)
        letters.remove(letters.indexOf(toggled), 1);
    std::sort(letters.begin(), letters.end());
    return letters == right ? letters + char('A' + options) : letters;
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

QByteArray Rf21xAutoAnswers::nearby(const QByteArray& number)
{
    // One digit keyed wrong; a number of several digits keeps a leading digit other than 0.
    QList<int> digits;
    for (int i = 0; i < number.size(); ++i) {
        if (number.at(i) >= '0' && number.at(i) <= '9')
            digits.append(i);
    }
    if (digits.isEmpty())
        return draw(Number);
    const int at = digits.at(m_random->bounded(digits.size()));
    const bool leading = at == digits.first() && at + 1 < number.size() && number.at(at + 1) != '.';
    QByteArray changed = number;
    while (changed.at(at) == number.at(at))
        changed[at] = char('0' + m_random->bounded(leading ? 1 : 0, 10));
    return changed;
}

bool Rf21xAutoAnswers::chance(int percent)
{
    return m_random->bounded(100) < percent;
}
