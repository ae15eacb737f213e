#pragma once

#include "CSTeacherInfoRow.h"
#include "Singleton.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

// Table TAV_CSTeacherInfo: which teacher teaches which subject in which class.
class TAV_CSTeacherInfo : public QObject
{
public:
    static TAV_CSTeacherInfo* getInstance() { return TavSingleton<TAV_CSTeacherInfo>::instance(); }

    void deleteByUser(QSqlDatabase db, QString username);
    bool existsByClass(QSqlDatabase db, int classID);
    bool existsBySubject(QSqlDatabase db, int subjectID);
    QList<CSTeacherInfoRow> selectByUser(QSqlDatabase db, QString username);
    void insertCSTeacherInfoList(QSqlDatabase db, QVector<CSTeacherInfoRow> links);

private:
    friend class TavSingleton<TAV_CSTeacherInfo>;
    TAV_CSTeacherInfo() = default;
};
