#pragma once

#include "Rf21xAnswerKey.h"

#include <QByteArray>
#include <QHash>
#include <QList>

class QRandomGenerator;

// What the simulated keypads answer after a start of answering, in the form the start asks for: one letter
// for single choice, several for multiple choice, a number for digit answering. Each question has a favourite
// answer that most keypads give, as a class mostly agrees, and the others spread over the rest.
//
// Without the paper's key the favourite is drawn, so the results show some questions mostly right and others
// mostly wrong by chance. A start tells the form, not the card: the yes/no, vote and evaluation cards start
// single choice just as a single-choice question does. Single choice without a question count therefore keeps
// to the keys every card reads: A and B, now and then C, rarely D. The all-at-once quiz opens every item in
// multiple choice, whether it asks for one letter or several, so there keypads answer with one letter or with
// several.
//
// With the key of the paper a quiz is on, each item is answered in its own form, and its favourite is the
// right answer on most items and a plausible wrong one on the others, so that a quiz shows most items right
// about half to three quarters of the time and a few mostly wrong.
class Rf21xAutoAnswers
{
public:
    // The receiver's quiz types.
    enum QuizType { SingleChoice = 2, MultipleChoice = 3, Digits = 4 };

    explicit Rf21xAutoAnswers(QRandomGenerator* random);

    // Plans the questions of one start: count of them (one for a count below 2), each with its favourites.
    void plan(int quizType, int count);
    // Takes the paper a quiz is on: the favourite of each of its items, right or wrong, for every start on it.
    void learnKey(const QList<Rf21xAnswerKey::Item>& items);
    // Plans the items of the paper that one start opens, for so many keypads: each item's favourite goes to
    // its share of them.
    void plan(const QList<Rf21xAnswerKey::Item>& opened, int keypads);
    int questions() const;
    // One keypad's answer to a question, 1 to questions().
    QByteArray answer(int question);
    // One letter, as a keypad presses to show that it took its new number.
    QByteArray letter();

private:
    enum Form { CardLetter, Letter, Letters, Number };
    enum Deal { Guess, Favourite, Right };
    struct Question
    {
        Form form = Letter;
        int oneLetterPercent = 100; // of a Letters question, keypads that answer with one letter
        int favouritePercent = 0; // keypads that give the favourite
        int rightPercent = 0; // keypads that know better when the favourite is wrong
        QByteArray favourite;
        QByteArray letterFavourite;
        QByteArray right; // keyed: the right answer; the others answer a number near it
        QList<Deal> deck; // what each keypad still to answer gives
    };

    Question keyed(const Rf21xAnswerKey::Item& item, bool rightFavourite);
    QByteArray wrong(const QByteArray& right, Form form);
    QByteArray draw(Form form);
    QByteArray nearby(const QByteArray& number);
    bool chance(int percent);

    QRandomGenerator* m_random;
    QList<Question> m_questions;
    QHash<int, Question> m_keyed; // by mcsn
};
