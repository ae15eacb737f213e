#pragma once

#include "Singleton.h"

#include <QObject>
#include <QString>

// The binding of a class to a receiver and of a keypad to a student: on the web service and in the local tables.
// Every call runs in the interface thread and blocks; the web requests wait in the nested event loop of
// TAVNetEvent, during which timers and device signals still arrive.
class ZUStuLinkSer : public QObject
{
    Q_OBJECT
public:
    enum Result { Success = 0, Failure = 1 };

    static ZUStuLinkSer* getInstance() { return TavSingleton<ZUStuLinkSer>::instance(); }

    // Makes the class's students the teacher state's roster.
    void loadStudents(int classID);
    // Registers the class with the receiver on the web service, then locally.
    int bindClassStation(const QString& username, int classID, const QString& stationSN);
    // Registers the student's keypad on the web service only; saveStuSn records it locally afterwards.
    int bindStuSn(const QString& username, const QString& dovaneID, const QString& stationSN, const QString& sn);
    // Gives the keypad to the student (taking it from whoever held it, in any class) and reloads the class's
    // roster. Returns the student of the class who held the keypad before, empty when nobody did.
    QString saveStuSn(const QString& dovaneID, const QString& sn, const QString& stationSN, int classID);

private:
    friend class TavSingleton<ZUStuLinkSer>;
    ZUStuLinkSer() = default;

    // Signs the parameters and posts them; the HTTP result code of TAVNetEvent.
    static int post(const QString& path, const QString& params, QByteArray& reply);
};
