#pragma once

#include "SignStuInfoRow.h"
#include "Singleton.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

// Table TAV_SignStuInfo: the students signed in during a sign-in.
class TAV_SignStuInfo : public QObject
{
public:
    static TAV_SignStuInfo* getInstance() { return TavSingleton<TAV_SignStuInfo>::instance(); }

    // One row per student (dovaneID to signing time) under TAV_SignInfo's current sign-in; false and nothing
    // written when there is no current sign-in.
    bool insertSignStuInfoList(QSqlDatabase db, QMap<QString, QString> signedStudents);
    // The same under the sign-in signID.
    bool insertForSign(QSqlDatabase db, int signID, const QMap<QString, QString>& signedStudents);
    // dovaneID to signing time, as stored.
    QMap<QString, QString> selectBySign(QSqlDatabase db, int signID);
    QList<SignStuInfoRow> selectNotUploaded(QSqlDatabase db, int signID);
    void setUploaded(QSqlDatabase db, int signID);
    void deleteBySign(QSqlDatabase db, int signID);

private:
    friend class TavSingleton<TAV_SignStuInfo>;
    TAV_SignStuInfo() = default;
};
