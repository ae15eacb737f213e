#pragma once

#include "InteractInfoRow.h"
#include "StuResultRow.h"

#include <QList>
#include <QString>

// The database side of free interactions. The start of a round and a random pick are written at once, waiting
// only a moment for the file (TavShortWrite: the program's own writer steps aside, another program is waited for
// a moment); the results of a running round, its end and its right answer go to the program's writer
// (TavWriteBehind), so that the interface thread never waits for the disk meanwhile, and go in whenever the file
// takes them, recorded beside it until then. A round started in the file is held open there until its end is
// written, so that nothing ends it, nor sends its lesson, without its results: a round is uploaded whole or not at
// all. No write that fails opens a box during the lesson: the teacher is told by a notice that closes by itself.
namespace ZUFreeActStore {

QString now();
// A new row of the current lesson record, started now on the current receiver.
InteractInfoRow newRow(int answerType, const QString& answer);

// Clears the lesson's pending right answers and inserts the row; the new id, or -1. A round without its row (the
// file busy or full, or no room beside it to record the round's writes) runs all the same and goes in whole at its
// end.
int beginInteraction(InteractInfoRow* row);
// A result of the round begun last, as it comes in, so that a round cut off by a crash keeps what had arrived:
// written at once when the writer is free, else together with those that came meanwhile (within a second, on a
// slow disk too). A later result of the same student replaces the earlier one; a result of a round that has ended
// is not kept.
void keepResult(const StuResultRow& result);
// Hands the results, to be written over those kept so far, and the end of the round to the writer and returns at
// once. A round whose row could not be written at its start goes in whole, row and results, once it can.
void finishInteraction(const InteractInfoRow& row, const QList<StuResultRow>& results);
// A random pick: the row, its end and the picked student's empty result, at once or, while the file is busy or
// full, by the writer once it can.
void storePick(InteractInfoRow* row, const QString& dovaneID);
// The right answer of the round begun as row (its id, or for a round whose row could not be written at its start,
// its start), written after the round's end.
void setAnswer(const InteractInfoRow& round, const QString& answer);

} // namespace ZUFreeActStore
