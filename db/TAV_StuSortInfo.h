#pragma once

#include "SeatPos.h"
#include "Singleton.h"

#include <QMap>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

// Table TAV_StuSortInfo: the seat of each student on the class grid.
class TAV_StuSortInfo : public QObject
{
public:
    static TAV_StuSortInfo* getInstance() { return TavSingleton<TAV_StuSortInfo>::instance(); }

    // Seats of the students who still belong to the class.
    QMap<QString, SeatPos> selectByClass(QSqlDatabase db, int classID);
    void deleteByClass(QSqlDatabase db, int classID);
    // Replaces the class's seats with the map's entries; false when a statement failed.
    bool saveSeats(QSqlDatabase db, QMap<QString, SeatPos> seats, int classID);

private:
    friend class TavSingleton<TAV_StuSortInfo>;
    TAV_StuSortInfo() = default;
};
