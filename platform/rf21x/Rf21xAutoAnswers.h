#pragma once

#include <QByteArray>
#include <QList>

class QRandomGenerator;

// What the simulated keypads answer after a start of answering, in the form the start asks for: one letter
// for single choice, several for multiple choice, a number for digit answering. Each question has a favourite
// answer that most keypads give, as a class mostly agrees, and the others spread over the rest, so that the
// results show some questions mostly right and others mostly wrong without the simulator knowing the key.
//
// A start tells the form, not the card: the yes/no, vote and evaluation cards start single choice just as a
// single-choice question does. Single choice without a question count therefore keeps to the keys every card
// reads: A and B, now and then C, rarely D. The all-at-once quiz opens every item in multiple choice, whether
// it asks for one letter or several, so there keypads answer with one letter or with several.
class Rf21xAutoAnswers
{
public:
    // The receiver's quiz types.
    enum QuizType { SingleChoice = 2, MultipleChoice = 3, Digits = 4 };

    explicit Rf21xAutoAnswers(QRandomGenerator* random);

    // Plans the questions of one start: count of them (one for a count below 2), each with its favourites.
    void plan(int quizType, int count);
    int questions() const;
    // One keypad's answer to a question, 1 to questions().
    QByteArray answer(int question);
    // One letter, as a keypad presses to show that it took its new number.
    QByteArray letter();

private:
    enum Form { CardLetter, Letter, Letters, Number };
    struct Question
    {
        Form form = Letter;
        int oneLetterPercent = 100; // of a Letters question, keypads that answer with one letter
        QByteArray favourite;
        QByteArray letterFavourite;
    };

    QByteArray draw(Form form);
    bool chance(int percent);

    QRandomGenerator* m_random;
    QList<Question> m_questions;
};
