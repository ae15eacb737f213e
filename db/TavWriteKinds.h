#pragma once

#include "InteractInfoRow.h"
#include "StuResultRow.h"
#include "TavWrite.h"

#include <QList>
#include <QString>

// The kinds of write that TavWriteBehind makes, and how each is made from the rows of its table classes: the data
// of each is what its write needs and nothing else, so that the side record can hold it across a restart.
namespace TavWriteKinds {

// A free interaction's result as it comes in; a newer one of the same student takes its place while it waits.
extern const QString Result;
// A round's end: its results over those kept so far, then its end time.
extern const QString RoundEnd;
// The right answer of an ended round.
extern const QString RoundAnswer;
// A round whose row could not be written at its start: the row, ended, with its results.
extern const QString RoundWhole;
// A lesson's end as the teacher closed it: its name and end time, with what ends along with it.
extern const QString LessonEnd;

// Registers every kind with TavWriteBehind.
void registerAll();

TavWrite result(const StuResultRow& row, int localRecordID, const QString& lessonUUID);
TavWrite roundEnd(int interactID, const QList<StuResultRow>& results, const QString& endTime, int localRecordID,
                  const QString& lessonUUID);
TavWrite roundAnswer(int interactID, const QString& answer, int localRecordID, const QString& lessonUUID);
// row.endTime is the round's end.
TavWrite roundWhole(const InteractInfoRow& row, const QList<StuResultRow>& results, const QString& lessonUUID);
// endTime as "yyyy-MM-dd HH:mm:ss".
TavWrite lessonEnd(int localRecordID, const QString& lessonUUID, const QString& name, const QString& endTime);
// True while the lesson's end waits with TavWriteBehind: the file still holds the lesson open, and it is not.
bool lessonEndWaits(int localRecordID, const QString& lessonUUID);

} // namespace TavWriteKinds
