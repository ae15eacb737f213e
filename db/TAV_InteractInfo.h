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
    void closeOpenInteractions(QSqlDatabase db);
    void setAnswer(QSqlDatabase db, int interactID, QString answer);
    // Turns the lesson's remaining "-1" answers into the empty text.
    void clearPendingAnswers(QSqlDatabase db, int localRecordID);
    QList<InteractInfoRow> selectByRecord(QSqlDatabase db, int localRecordID);
    // Not yet uploaded and with the right answer no longer pending.
    QList<InteractInfoRow> selectNotUploaded(QSqlDatabase db, int localRecordID);
    void setUploaded(QSqlDatabase db, int interactID);
    void deleteByInteract(QSqlDatabase db, int interactID);

private:
    friend class TavSingleton<TAV_InteractInfo>;
    TAV_InteractInfo() = default;
};
