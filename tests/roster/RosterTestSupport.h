#pragma once

// The demo teacher logged in against the local web service, class 101 in use, and the receiver the test
// chooses: the simulated one behind the real device layer ("rf228") or a fake ("fake").
#include "ToolbarTestSupport.h"

#include "Rf21xSimulator.h"
#include "TAVDatabase.h"
#include "ZURf228Api.h"
#include "ZUSound.h"
#include "ZUToolBarSer.h"

#include <QDir>
#include <QFileInfo>
#include <QSound>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

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

// Stands for Qt's audio behind the program's one sound player, on a PC with or without a sound output: the
// names of the files that reach it, in order. The player goes back to Qt's audio when this ends.
class HeardSounds
{
public:
    explicit HeardSounds(bool output)
    {
        ZUSound::getInstance()->setOutputProbe([output] { return output; });
        ZUSound::getInstance()->setPlayer([this](const QString& path) { m_files << QFileInfo(path).fileName(); });
    }
    ~HeardSounds()
    {
        ZUSound::getInstance()->setPlayer(nullptr);
        ZUSound::getInstance()->setOutputProbe(nullptr);
    }
    QStringList files() const { return m_files; }
    // Qt's audio plays a file with a player that the application object holds until the sound ends, which
    // without a sound output it never does: a play that went round the program's player is still there.
    static int qtPlayers() { return qApp->findChildren<QSound*>().size(); }

private:
    QStringList m_files;
};

// An event's sound switched on, with a file of that name in the program's sound folder.
inline bool soundOn(const QString& stem, const QString& file)
{
    const QString dir = QCoreApplication::applicationDirPath() + "/sound";
    QFile sound(dir + "/" + file);
    if (!QDir().mkpath(dir) || !sound.open(QIODevice::WriteOnly))
        return false;
    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    settings.insert(stem + "Play", "1");
    settings.insert(stem + "Sound", file);
    return true;
}

// A left click in the middle of the widget as the window system hands it to the program (through
// QWindowSystemInterface), not a call of its slot.
inline void clickAsTheWindowSystem(QWidget* widget)
{
    QWidget* top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, widget->mapTo(top, widget->rect().center()));
}

inline QString localKeypad(const QString& dovaneID)
{
    return DbTestSupport::committedValue("select sn || '@' || stationSn from TAV_StudentInfo where dovaneID = ?",
                                         { dovaneID })
        .toString();
}

} // namespace RosterTestSupport
