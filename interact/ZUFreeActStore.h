#pragma once

#include "InteractInfoRow.h"
#include "StuResultRow.h"

#include <QList>
#include <QString>

// The database side of free interactions. Each call is one pooled connection and so one transaction. The
// results of a running interaction go in as they come, yet the upload takes an interaction only once it has
// ended, and its end writes the rest in the same transaction; one that cannot be stored whole leaves nothing.
namespace ZUFreeActStore {

QString now();
// A new row of the current lesson record, started now on the current receiver.
InteractInfoRow newRow(int answerType, const QString& answer);

// Clears the lesson's pending right answers and inserts the row; the new id, or -1.
int beginInteraction(InteractInfoRow* row);
// A result of the interaction begun last, as it comes in: written within keepMs together with those that
// come with it (one commit for a burst), so that an interaction cut off by a crash keeps what had arrived.
// A later result of the same student replaces the earlier one.
void keepResult(const StuResultRow& result);
constexpr int keepMs = 200;
// Writes the results (over those kept so far) and ends the open interaction. Without a stored row (id -1),
// or when a result does not go in, nothing of it stays: the results are rolled back and the row with every
// result kept so far is removed. False then.
bool finishInteraction(int interactID, const QList<StuResultRow>& results);
// A random pick: the row, its end and the picked student's empty result. False when nothing was stored.
bool storePick(InteractInfoRow* row, const QString& dovaneID);
void setAnswer(int interactID, const QString& answer);

// The error box shown when an interaction could not be stored.
void tellNotStored();

} // namespace ZUFreeActStore
