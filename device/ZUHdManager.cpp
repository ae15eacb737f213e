#include "ZUHdManager.h"

#include "ZUHdApi.h"
#include "ZURf228Api.h"

#include "iniParse.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>

namespace {

const char kDefaultDevice[] = "rf228";

QMutex s_registryMutex;
QMap<QString, ZUHdApi*>* s_registry = nullptr;

} // namespace

ZUHdManager::ZUHdManager()
{
    registerMetaTypes();
    // Registered here rather than from a static initialiser, which a static library may never run.
    registerApi(QString::fromLatin1(kDefaultDevice), ZURf228Api::getInstance());
}

int ZUHdManager::registerApi(const QString& name, ZUHdApi* api)
{
    QMutexLocker locker(&s_registryMutex);
    if (!s_registry)
        s_registry = new QMap<QString, ZUHdApi*>();
    s_registry->insert(name, api);
    return 1;
}

ZUHdApi* ZUHdManager::currentApi() const
{
    const QString type = iniParse::getInstance()->getHdType();
    QMutexLocker locker(&s_registryMutex);
    if (!s_registry)
        return nullptr;
    if (ZUHdApi* api = s_registry->value(type))
        return api;
    return s_registry->value(QString::fromLatin1(kDefaultDevice));
}

void ZUHdManager::registerMetaTypes()
{
    qRegisterMetaType<TeacherInfo>("TeacherInfo");
    qRegisterMetaType<SetIdInfo>("SetIdInfo");
    qRegisterMetaType<StudentInfo>("StudentInfo");
}
