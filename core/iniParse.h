#pragma once

#include "Singleton.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

// The client's ini file "conf/TAVConfig.ini", group ClientInfo: web server and keypad receiver settings.
class iniParse : public QObject
{
    Q_OBJECT
public:
    iniParse() = default;

    static iniParse* getInstance() { return TavSingleton<iniParse>::instance(); }

    // Reads the file of the program directory; false when it does not exist.
    bool load();
    // Reads the given ini file; keys of earlier loads stay unless the file has them too.
    bool loadFile(const QString& filePath);

    QString getDomain() const;
    int getServerPort() const;
    int getHdTime() const;
    QString getHdType() const;

private:
    QMap<QString, QVariant> m_values;
};
