#pragma once

#include <QList>
#include <QString>

#include "TavWriteBehind.h"

class QCoreApplication;

// The program's end, for every write the program's writer still holds (the rounds of free interactions, the end of
// a lesson, a quiz, a sign-in): they get a bounded time to go in, the screen alive, and what still is not in the
// file is told to the teacher in plain words, with whether the next start writes it or it is lost, and named in
// the log.
namespace WritesAtQuit {

// Runs finish() when the application is about to quit.
void install(QCoreApplication* app);
// Waits for the writer, tells the teacher and the log what it left; false when something was not written.
bool finish();

struct Words
{
    QString title;
    QString text; // empty when nothing is left
};
// What the teacher is told of what was left: what, why, and whether the next start writes it.
Words wordsFor(const QList<TavWriteBehind::Unwritten>& left, int cause);

} // namespace WritesAtQuit
