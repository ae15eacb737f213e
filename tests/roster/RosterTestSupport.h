#pragma once

// The demo teacher logged in against the local web service, class 101 in use, and the receiver the test
// chooses: the simulated one behind the real device layer ("rf228") or a fake ("fake").
#include "ToolbarTestSupport.h"

#include "Rf21xSimulator.h"
#include "ZURf228Api.h"
#include "ZUToolBarSer.h"

#include <QTemporaryDir>

namespace RosterTestSupport {

using namespace ToolbarTestSupport;

// The simulated receiver's threads; its control socket in a folder of the test's own.
inline bool startSimulatedReceiver(QTemporaryDir& dir)
{
    qputenv("TAV_RF21X_SOCKET", dir.filePath("rf21x.sock").toUtf8());
    Rf21xSimulator::instance()->reset();
    ZURf228Api::getInstance()->initDevice();
    return ZURf228Api::getInstance()->isConnected();
}

// A fresh database with the demo teacher logged in and class 101 loaded; false when a step failed.
inline bool demoLesson(TavWebService& service, const QString& hdType)
{
    if (!freshStart(service) || !useServer(service.port(), hdType) || !loginDemoTeacher())
        return false;
    ZUToolBarSer::getInstance()->loadClassInfo(101, kTeacher);
    return TAVMemInfo::getInstance()->studentList.size() == 10;
}

// The demo data's students of a class as the web service holds them now: dovaneID -> "sn@station".
inline QMap<QString, QString> serviceKeypads(const TavWebService& service)
{
    QMap<QString, QString> keypads;
    for (const QJsonValue& c : service.data().value("classes").toArray()) {
        for (const QJsonValue& s : c.toObject().value("students").toArray()) {
            const QJsonObject student = s.toObject();
            keypads.insert(student.value("username").toString(),
                           student.value("sn").toString() + "@" + student.value("baseStationID").toString());
        }
    }
    return keypads;
}

inline QString localKeypad(const QString& dovaneID)
{
    return DbTestSupport::committedValue("select sn || '@' || stationSn from TAV_StudentInfo where dovaneID = ?",
                                         { dovaneID })
        .toString();
}

} // namespace RosterTestSupport
