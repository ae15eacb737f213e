#pragma once

#include "InteractInfoRow.h"
#include "Singleton.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
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
    // Deletes the interactions dropped before that are still there, then ends every open interaction at endTime
    // ("yyyy-MM-dd HH:mm:ss"), or now when it is empty.
    void closeOpenInteractions(QSqlDatabase db, const QString& endTime = QString());
    void setAnswer(QSqlDatabase db, int interactID, QString answer);
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

    QHash<int, int> m_dropped; // interactID to the opening of the file it was dropped in
    QMutex m_droppedMutex;
};
