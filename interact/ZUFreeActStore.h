#pragma once

#include "InteractInfoRow.h"
#include "StuResultRow.h"

#include <QList>
#include <QString>

// The database side of free interactions. The start of an interaction and a random pick are one pooled
// connection each, waiting only a moment for a lock another program holds; the results of a running interaction,
// its end and its right answer go in on a thread of their own (ZUFreeActWriter), so that the interface thread
// never waits for the disk meanwhile, and are tried again while the file is busy or full. The upload takes an
// interaction only once it has ended, and its end writes its results in the same transaction: a round is
// uploaded whole or not at all. No write that fails opens a box during the lesson.
namespace ZUFreeActStore {

QString now();
// A new row of the current lesson record, started now on the current receiver.
InteractInfoRow newRow(int answerType, const QString& answer);

// Clears the lesson's pending right answers and inserts the row; the new id, or -1 (the teacher is told by a
// notice that closes by itself).
int beginInteraction(InteractInfoRow* row);
// A result of the interaction begun last, as it comes in, so that an interaction cut off by a crash keeps what
// had arrived: handed to the writer thread, which writes it at once when it is free and else together with
// those that came meanwhile (within a second, on a slow disk too). A later result of the same student replaces
// the earlier one; a result of an interaction that has ended is not kept. When a write fails the teacher is told
// once per interaction, by a notice that closes by itself; the results go in later all the same.
void keepResult(const StuResultRow& result);
// Hands the results, to be written over those kept so far, and the end of the interaction to the writer thread
// and returns at once; the interaction stays open in the file, and out of the upload, until they are written.
// An interaction whose row could not be written at its start (id -1) goes in whole, row and results, once it can.
void finishInteraction(const InteractInfoRow& row, const QList<StuResultRow>& results);
// The same by the id alone; false, keeping nothing, for id -1 (no row to write).
bool finishInteraction(int interactID, const QList<StuResultRow>& results);
// A random pick: the row, its end and the picked student's empty result, at once or, while the file is busy or
// full, by the writer once it can. Never waits for the disk more than a moment.
void storePick(InteractInfoRow* row, const QString& dovaneID);
// The right answer, written by the writer thread after the interaction's end.
void setAnswer(int interactID, const QString& answer);

// At the program's end: waits a bounded time, the screen alive, for what the writer still holds to go in;
// false, with what was not kept in the log, when some of it did not.
bool finishAtQuit();

} // namespace ZUFreeActStore
