#pragma once

#include "InteractInfoRow.h"
#include "Singleton.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

// Table TAV_InteractInfo: the free interactions of a lesson. An answer of "-1" waits for the teacher's
// right answer and is not uploaded until it is set or cleared. It remembers the interactions dropped while
// the file could not be written, until they are gone.
class TAV_InteractInfo : public QObject
{
public:
    static TAV_InteractInfo* getInstance() { return TavSingleton<TAV_InteractInfo>::instance(); }

    // Closes any open interaction, then inserts the row as the only open one. Returns the new interactID
    // (also written into *row and TAVMemInfo::currentInteractID), or -1 on failure (then row->interactID is -1
    // too, so no result is filed under an earlier interaction).
    int insertInteractInfo(QSqlDatabase db, InteractInfoRow* row);
    // The newest open interaction of any lesson; -1 when none.
    int selectOpenInteractID(QSqlDatabase db);
    // Deletes the interactions dropped before that are still there, then ends every open interaction but those
    // held open at endTime ("yyyy-MM-dd HH:mm:ss"), or now when it is empty.
    void closeOpenInteractions(QSqlDatabase db, const QString& endTime = QString());
    // An interaction whose end this program still has to write (its results are in memory, not all in the file)
    // is held open: nothing else ends it, so that the upload never takes it without them. Released once its end
    // is written.
    void holdOpen(int interactID);
    void release(int interactID);
    // The same for a round of the lesson whose row could not be written at its start: it has no id yet.
    void holdWhole(int localRecordID);
    void releaseWhole(int localRecordID);
    // True while the lesson has a round this program still has to write: an ended lesson then waits for it,
    // neither sent nor deleted without it.
    bool holdsOpen(QSqlDatabase db, int localRecordID);
    // At the program's end, for interactions whose results could not all be written: held open in every later
    // run too (remembered in a file beside the database), so that none is ever uploaded without them.
    // False when that file could not be written either.
    bool holdOpenForGood(const QList<int>& interactIDs);
    // Inserts an interaction that has ended, as the row has it (endTime included), without touching the others:
    // a round whose start could not be written, kept whole at its end. The new id, or -1.
    int insertEnded(QSqlDatabase db, const InteractInfoRow& row);
    // Ends the interaction when it is still open; false when the statement failed.
    bool endInteraction(QSqlDatabase db, int interactID, const QString& endTime);
    // False when the statement failed.
    bool setAnswer(QSqlDatabase db, int interactID, QString answer);
    // Turns the lesson's remaining "-1" answers into the empty text.
    void clearPendingAnswers(QSqlDatabase db, int localRecordID);
    QList<InteractInfoRow> selectByRecord(QSqlDatabase db, int localRecordID);
    // Not yet uploaded and with the right answer no longer pending.
    QList<InteractInfoRow> selectNotUploaded(QSqlDatabase db, int localRecordID);
    void setUploaded(QSqlDatabase db, int interactID);
    // False when the statement failed.
    bool deleteByInteract(QSqlDatabase db, int interactID);
    // Deletes an interaction that was not stored whole, with its results; false when a statement failed. It is
    // remembered until it is gone: when the deletion cannot be written now (a full disk), the next
    // closeOpenInteractions deletes it, so that it is never ended and uploaded with the results written before.
    bool dropInteraction(QSqlDatabase db, int interactID);

private:
    friend class TavSingleton<TAV_InteractInfo>;
    TAV_InteractInfo() = default;

    void deleteDropped(QSqlDatabase db);
    static QString heldFilePath();
    // With m_droppedMutex held: the interactions held open in the file as opened now.
    QSet<int> heldInThisOpening() const;

    QHash<int, int> m_dropped; // interactID to the opening of the file it was dropped in
    QHash<int, int> m_heldOpen; // interactID to the opening of the file it is held open in
    QList<QPair<int, int>> m_heldWhole; // localRecordID and the opening of the file, one per round
    QMutex m_droppedMutex; // also for m_heldOpen
};
