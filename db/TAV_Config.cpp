#include "TAV_Config.h"

#include "TAVMemInfo.h"
#include "TavStatement.h"

#include <QtDebug>

bool TAV_Config::loadAll(QSqlDatabase db)
{
    TavStatement st(db, QStringLiteral("select keyName, keyNalue from TAV_Config"));
    if (!st.exec())
        return false;
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->configMap.clear();
    QSqlQuery& q = st.query();
    while (q.next())
        mem->configMap.insert(q.value(0).toString(), q.value(1).toString());
    return true;
}

bool TAV_Config::setValues(QSqlDatabase db, QVariantList keys, QVariantList values)
{
    if (keys.size() != values.size()) {
        qWarning().noquote() << QStringLiteral("****setValues refused: %1 keys but %2 values, nothing written")
                                    .arg(keys.size())
                                    .arg(values.size());
        return false;
    }
    TavStatement st(db, QStringLiteral("update TAV_Config set keyNalue = ? where keyName = ?"));
    st.bind(values).bind(keys);
    if (!st.execBatch())
        return false;
    return loadAll(db);
}

bool TAV_Config::setValue(QSqlDatabase db, QString key, QString value)
{
    TavStatement st(db, QStringLiteral("update TAV_Config set keyNalue = ? where keyName = ?"));
    st.bind(TavStatement::text(value)).bind(TavStatement::text(key));
    if (!st.exec())
        return false;
    return loadAll(db);
}
