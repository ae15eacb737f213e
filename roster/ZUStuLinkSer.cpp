#include "ZUStuLinkSer.h"

#include "JsonHelper.h"
#include "TAVDatabase.h"
#include "TAVNetEvent.h"
#include "TAV_ClassInfo.h"
#include "TAV_StudentInfo.h"

#include <QDebug>

int ZUStuLinkSer::post(const QString& path, const QString& params, QByteArray& reply)
{
    const QByteArray body = (params + "&sign=" + TAVNetEvent::sign(params)).toUtf8();
    return TAVNetEvent::getInstance()->post(path, body, -1, reply);
}

void ZUStuLinkSer::loadStudents(int classID)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    TAV_StudentInfo::getInstance()->loadByClass(db, classID);
    TAVDatabase::getInstance()->closeDbCon(db);
}

int ZUStuLinkSer::bindClassStation(const QString& username, int classID, const QString& stationSN)
{
    qDebug() << "enter bind class Station";
    const QString params = "username=" + username + "&classID=" + QString::number(classID) + "&stationSN=" + stationSN;
    qDebug() << "send bindStation msg to server";
    QByteArray reply;
    const int code = post("/tav/fastenMachine/tavClasReceiverBinding", params, reply);
    qDebug().noquote() << "the res code is: " + QString::number(code);
    if (code != 200)
        return Failure;

    qDebug() << "parse server res msg";
    const JsonReply res = JsonHelper::getInstance()->parseReply(reply);
    if (res.errorCode == QLatin1String("500"))
        return Failure;
    if (!res.success) {
        qDebug().noquote() << "the errorCode is: " + res.errorCode;
        return Failure;
    }
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    TAV_ClassInfo::getInstance()->setStationSn(db, classID, stationSN);
    TAVDatabase::getInstance()->closeDbCon(db);
    return Success;
}

int ZUStuLinkSer::bindStuSn(const QString& username, const QString& dovaneID, const QString& stationSN,
                            const QString& sn)
{
    qDebug() << "enter bindStuSn";
    const QString params = "username=" + username + "&dovaneID=" + dovaneID + "&stationSN=" + stationSN + "&sn=" + sn;
    QByteArray reply;
    const int code = post("/tav/fastenMachine/tavStudentMachineBinding", params, reply);
    qDebug().noquote() << "the res code is: " + QString::number(code);
    if (code != 200)
        return Failure;
    return JsonHelper::getInstance()->parseReply(reply).success ? Success : Failure;
}

QString ZUStuLinkSer::saveStuSn(const QString& dovaneID, const QString& sn, const QString& stationSN, int classID)
{
    TAV_StudentInfo* students = TAV_StudentInfo::getInstance();
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QString previous = students->selectByClassAndSn(db, classID, sn).dovaneID;
    students->clearSn(db, sn);
    students->setSn(db, dovaneID, sn);
    students->setStationSn(db, dovaneID, stationSN);
    students->loadByClass(db, classID);
    TAVDatabase::getInstance()->closeDbCon(db);
    return previous;
}
