#pragma once

#include "Singleton.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

// Table TAV_Config: the user settings as key and value text. The program reads settings from
// TAVMemInfo::configMap, which every successful write here reloads.
class TAV_Config : public QObject
{
public:
    static TAV_Config* getInstance() { return TavSingleton<TAV_Config>::instance(); }

    // Replaces the settings map with the table's rows; on failure the map stays as it was.
    bool loadAll(QSqlDatabase db);
    // Value i goes to key i, in one batch. Lists of different lengths are refused without writing.
    bool setValues(QSqlDatabase db, QVariantList keys, QVariantList values);
    bool setValue(QSqlDatabase db, QString key, QString value);

private:
    friend class TavSingleton<TAV_Config>;
    TAV_Config() = default;
};
