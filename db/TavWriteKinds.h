#pragma once

#include "InteractInfoRow.h"
#include "QuizRows.h"
#include "SeatPos.h"
#include "SignInfoRow.h"
#include "StuResultRow.h"
#include "TavWrite.h"

#include <QList>
#include <QMap>
#include <QString>

// The kinds of write that TavWriteBehind makes, and how each is made from the rows of its table classes: the data
// of each is what its write needs and nothing else, so that the side record can hold it across a restart.
namespace TavWriteKinds {

// A free interaction's result as it comes in; a newer one of the same student takes its place while it waits.
extern const QString Result;
// A round's end: its results over those kept so far, then its end time.
extern const QString RoundEnd;
// The right answer of an ended round, of one kept whole too.
extern const QString RoundAnswer;
// A round whose row could not be written at its start: the row, ended, with its results.
extern const QString RoundWhole;
// A quiz that has ended: its row, and every student's time, answers and answer histories.
extern const QString Quiz;
// A sign-in that has ended: its row, ended, with the students who signed in.
extern const QString SignIn;
// A class's seat plan with its grid size; a newer one of the class takes its place while it waits.
extern const QString SeatPlan;
// A lesson's end as the teacher closed it: its name and end time, with what ends along with it.
extern const QString LessonEnd;

// Registers every kind with TavWriteBehind.
void registerAll();

TavWrite result(const StuResultRow& row, int localRecordID, const QString& lessonUUID);
TavWrite roundEnd(int interactID, const QList<StuResultRow>& results, const QString& endTime, int localRecordID,
                  const QString& lessonUUID);
TavWrite roundAnswer(int interactID, const QString& answer, int localRecordID, const QString& lessonUUID);
// row.endTime is the round's end; token names the round (a UUID) for its right answer.
TavWrite roundWhole(const InteractInfoRow& row, const QList<StuResultRow>& results, const QString& lessonUUID,
                    const QString& token);
// The right answer of a round kept whole (roundWhole with the same token).
TavWrite roundWholeAnswer(const InteractInfoRow& row, const QString& answer, const QString& lessonUUID,
                          const QString& token);
// rows.quiz.localRecordID is the lesson; the ids of the rows are not taken.
TavWrite quiz(const QuizRows& rows, const QString& lessonUUID);
// row.localRecordID is the lesson; signedStudents maps each student to the time he signed in.
TavWrite signIn(const SignInfoRow& row, const QMap<QString, QString>& signedStudents, const QString& lessonUUID);
// Tied to the lesson open when the plan was made.
TavWrite seatPlan(int classID, int rows, int cols, const QMap<QString, SeatPos>& seats, int localRecordID,
                  const QString& lessonUUID);
// endTime as "yyyy-MM-dd HH:mm:ss".
TavWrite lessonEnd(int localRecordID, const QString& lessonUUID, const QString& name, const QString& endTime);
// True while the lesson's end waits with TavWriteBehind: the file still holds the lesson open, and it is not.
bool lessonEndWaits(int localRecordID, const QString& lessonUUID);

} // namespace TavWriteKinds
