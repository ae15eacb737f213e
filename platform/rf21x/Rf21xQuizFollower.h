#pragma once

#include "Rf21xAnswerKey.h"

// Tells which items of a served paper a start of answering opens, so that the demo keypads answer them. The
// all-at-once quiz opens every item at once (a start whose count is the paper's item count). The
// question-by-question quiz opens one question's items, and a start looks alike for every question of the
// same item count and form, so the questions are followed in paper order: the next one first, then the same
// one again, then further on, then back.
//
// A quiz ends unseen by the receiver, but leaving it stops answering once more after its last stop, where a
// free interaction stops once a round; from then on the paper is not followed, until it is served again.
class Rf21xQuizFollower
{
public:
    // The items the start opens, in the order of the quiz numbers the keypads send; empty when the start is
    // no quiz on the key. *newServing is set when the key is a serving not followed before.
    QList<Rf21xAnswerKey::Item> start(const Rf21xAnswerKey& key, int quizType, int count, bool* newServing);
    void stop();

private:
    static bool opens(const QList<Rf21xAnswerKey::Item>& question, int quizType, int count);

    QDateTime m_served;
    bool m_following = false;
    int m_question = -1; // last question started, 0-based
    int m_stops = 0; // since the last start
};
