#pragma once

#include "InteractInfoRow.h"
#include "StuResultRow.h"

#include <QList>
#include <QString>

// The database side of free interactions. Each call is one pooled connection and so one transaction, but for the
// results of a running interaction: they go in as they come, on a thread of their own (ZUFreeActWriter), so that
// the interface thread never waits for the disk meanwhile. The upload takes an interaction only once it has
// ended, and its end writes the rest in the same transaction; one that cannot be stored whole leaves nothing.
namespace ZUFreeActStore {

QString now();
// A new row of the current lesson record, started now on the current receiver.
InteractInfoRow newRow(int answerType, const QString& answer);

// Clears the lesson's pending right answers and inserts the row; the new id, or -1.
int beginInteraction(InteractInfoRow* row);
// A result of the interaction begun last, as it comes in, so that an interaction cut off by a crash keeps what
// had arrived: handed to the writer thread, which writes it at once when it is free and else together with
// those that came meanwhile (within a second, on a slow disk too). A later result of the same student replaces
// the earlier one; a result of an interaction that has ended is not kept. When a write fails the teacher is told
// once per interaction, by a notice that closes by itself; the results go in at the end all the same.
void keepResult(const StuResultRow& result);
// Writes the results over those kept so far and ends the open interaction, once the write under way has ended.
// Without a stored row (id -1), or when the results do not go in, nothing of it stays: the row with every result
// kept so far is removed, and when even that cannot be written (a full disk), before anything ends it later.
// False then.
bool finishInteraction(int interactID, const QList<StuResultRow>& results);
// A random pick: the row, its end and the picked student's empty result. False when nothing was stored.
bool storePick(InteractInfoRow* row, const QString& dovaneID);
void setAnswer(int interactID, const QString& answer);

// The error box shown when an interaction could not be stored.
void tellNotStored();

} // namespace ZUFreeActStore
