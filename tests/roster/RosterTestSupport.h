#pragma once

// The demo teacher logged in against the local web service, class 101 in use, and the receiver the test
// chooses: the simulated one behind the real device layer ("rf228") or a fake ("fake").
#include "ToolbarTestSupport.h"

#include "Rf21xSimulator.h"
#include "TAVDatabase.h"
#include "ZURf228Api.h"
#include "ZUToolBarSer.h"

#include <QSqlQuery>
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

// Another connection in the middle of a read while it lives: no write of the program can commit meanwhile
// (the program's connections give up after their busy time-out of 5 s).
class ReadLock
{
public:
    ReadLock()
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(TAVDatabase::databasePath());
        QSqlQuery q(db);
        m_held = db.open() && q.exec(QStringLiteral("begin"))
            && q.exec(QStringLiteral("select count(*) from TAV_Config")) && q.next();
    }
    ~ReadLock()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(kName);
            QSqlQuery(db).exec(QStringLiteral("rollback"));
            db.close();
        }
        QSqlDatabase::removeDatabase(kName);
    }
    bool isHeld() const { return m_held; }

private:
    static constexpr const char* kName = "rosterReadLock";
    bool m_held = false;
};

inline QString localKeypad(const QString& dovaneID)
{
    return DbTestSupport::committedValue("select sn || '@' || stationSn from TAV_StudentInfo where dovaneID = ?",
                                         { dovaneID })
        .toString();
}

} // namespace RosterTestSupport
