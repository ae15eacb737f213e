#pragma once

#include "Singleton.h"
#include "StuResultRow.h"
#include "TavRowCursor.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>

// Table TAV_StuResult: one student's result in an interaction.
class TAV_StuResult : public QObject
{
public:
    static TAV_StuResult* getInstance() { return TavSingleton<TAV_StuResult>::instance(); }

    // False on failure, and without writing when the interaction id is -1 (its insert failed). The new row's
    // id goes to *stuResultID when one is given.
    bool insertStuResult(QSqlDatabase db, StuResultRow row, int* stuResultID = nullptr);
    // Sets result and createDate of the row stuResultID; true only when that row was there to change.
    bool updateResult(QSqlDatabase db, int stuResultID, const QString& result, const QString& createDate);
    // The student's result in an interaction that is still open: over the student's row when there is one, else
    // a new row, so that a student never has two. Nothing is written into an interaction that has ended or is gone.
    enum Keeping { Kept, Ended, Failed };
    Keeping keepResult(QSqlDatabase db, const StuResultRow& row);
    QList<StuResultRow> selectByInteract(QSqlDatabase db, int interactID);
    QList<StuResultRow> selectNotUploaded(QSqlDatabase db, int interactID);
    // What selectNotUploaded gives for each interaction of the lesson record, interaction by interaction, in one
    // statement, as rows of a cursor with the columns of Pending.
    struct Pending
    {
        enum Column { StuResultID, InteractID, DovaneID, CreateDate, Result };
    };
    TavRowCursor pendingOfRecord(QSqlDatabase db, int localRecordID);
    void setUploaded(QSqlDatabase db, int stuResultID);
    // False when the statement failed.
    bool deleteByInteract(QSqlDatabase db, int interactID);

private:
    friend class TavSingleton<TAV_StuResult>;
    TAV_StuResult() = default;
};
