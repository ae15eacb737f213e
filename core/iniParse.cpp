#include "iniParse.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

bool iniParse::load()
{
    return loadFile(QCoreApplication::applicationDirPath() + "/" + "conf/" + "TAVConfig.ini");
}

bool iniParse::loadFile(const QString& filePath)
{
    if (!QFileInfo::exists(filePath)) {
        return false;
    }
    QSettings settings(filePath, QSettings::IniFormat);
    settings.beginGroup("ClientInfo");
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys) {
        m_values.insert(key, settings.value(key));
    }
    settings.endGroup();
    return true;
}

QString iniParse::getDomain() const
{
    return m_values.value("Domain").toString();
}

int iniParse::getServerPort() const
{
    return m_values.value("ServerPort").toInt();
}

int iniParse::getHdTime() const
{
    return m_values.value("hdTime").toInt();
}

QString iniParse::getHdType() const
{
    const QString type = m_values.value("hdType").toString();
    return type.isEmpty() ? QStringLiteral("rf228") : type;
}
