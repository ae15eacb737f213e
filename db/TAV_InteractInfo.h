#pragma once

#include "InteractInfoRow.h"
#include "Singleton.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

// Table TAV_InteractInfo: the free interactions of a lesson. An answer of "-1" waits for the teacher's
// right answer and is not uploaded until it is set or cleared.
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
    // Ends every open interaction at endTime ("yyyy-MM-dd HH:mm:ss"), or now when it is empty, but those whose
    // writes the program still holds (TavWriteBehind::heldRounds): they are never ended, and so never uploaded,
    // without them.
    void closeOpenInteractions(QSqlDatabase db, const QString& endTime = QString());
    // Inserts an interaction that has ended, as the row has it (endTime included), without touching the others:
    // a round whose start could not be written, kept whole at its end. The new id, or -1.
    int insertEnded(QSqlDatabase db, const InteractInfoRow& row);
    // The newest interaction of the lesson that started as the row did (its type, start and creation time, and its
    // end when the row has one), for a round whose id its run never had: its id in *interactID, -1 when the file
    // holds none. False when the statement failed.
    bool findStarted(QSqlDatabase db, const InteractInfoRow& row, int* interactID);
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

private:
    friend class TavSingleton<TAV_InteractInfo>;
    TAV_InteractInfo() = default;
};
