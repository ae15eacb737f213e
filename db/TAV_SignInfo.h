#pragma once

#include "SignInfoRow.h"
#include "Singleton.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

// Table TAV_SignInfo: the seat sign-ins of a lesson. The sign-in being run is the one this object
// inserted last (currentSignID).
class TAV_SignInfo : public QObject
{
public:
    static TAV_SignInfo* getInstance() { return TavSingleton<TAV_SignInfo>::instance(); }

    // Starts a sign-in of the current lesson. Returns the new signID, or -1 on failure; then no sign-in is
    // current, so its students cannot land under an earlier sign-in.
    int insertSignInfo(QSqlDatabase db, QString stationSn);
    bool setEndTime(QSqlDatabase db);
    // A whole sign-in of row's lesson, ended: its times and receiver from the row. The new signID, also written into
    // row.signID; -1 in both on failure. currentSignID is left alone: any thread may write a sign-in this way.
    int insertEnded(QSqlDatabase db, SignInfoRow& row);
    // The signIDs of the sign-ins of the row's lesson with its start, end and receiver, the newest first: the same
    // sign-in may be among them, written already. Empty when there are none or on failure.
    QList<int> selectSame(QSqlDatabase db, const SignInfoRow& row);
    // Newest sign-in of the lesson, finished or not; 0 when none, -1 on failure.
    int selectLastSignID(QSqlDatabase db, int localRecordID);
    // The newest finished sign-in when it is not uploaded yet; otherwise a row with signID -1.
    SignInfoRow selectLastFinished(QSqlDatabase db, int localRecordID);
    QList<SignInfoRow> selectByRecord(QSqlDatabase db, int localRecordID);
    void setUploaded(QSqlDatabase db, int signID);
    void deleteByRecord(QSqlDatabase db, int localRecordID);

    int currentSignID = -1;

private:
    friend class TavSingleton<TAV_SignInfo>;
    TAV_SignInfo() = default;
};
