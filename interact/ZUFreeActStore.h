#pragma once

#include "InteractInfoRow.h"
#include "StuResultRow.h"

#include <QList>
#include <QString>

// The database side of free interactions. Each call is one pooled connection and so one transaction; an
// interaction and its results are written together or not at all, so the upload never sees half of one.
namespace ZUFreeActStore {

QString now();
// A new row of the current lesson record, started now on the current receiver.
InteractInfoRow newRow(int answerType, const QString& answer);

// Clears the lesson's pending right answers and inserts the row; the new id, or -1.
int beginInteraction(InteractInfoRow* row);
// Writes the results and ends the open interaction. Without a stored row (id -1), or when a result does not
// go in, nothing of it stays: the results are rolled back and the row is removed. False then.
bool finishInteraction(int interactID, const QList<StuResultRow>& results);
// A random pick: the row, its end and the picked student's empty result. False when nothing was stored.
bool storePick(InteractInfoRow* row, const QString& dovaneID);
void setAnswer(int interactID, const QString& answer);

// The error box shown when an interaction could not be stored.
void tellNotStored();

} // namespace ZUFreeActStore
