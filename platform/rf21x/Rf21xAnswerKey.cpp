#include "Rf21xAnswerKey.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <algorithm>

namespace {

// A demo paper's key is a few kilobytes; anything much larger is not one.
const qint64 kMaxKeyBytes = 1024 * 1024;

} // namespace

QString Rf21xAnswerKey::servedPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/webservice/served-key.json");
}

Rf21xAnswerKey Rf21xAnswerKey::read(const QString& path)
{
    Rf21xAnswerKey key;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxKeyBytes)
        return key;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    const QDateTime served = QDateTime::fromString(root.value("served").toString(), Qt::ISODateWithMs);
    if (!served.isValid())
        return key;
    QList<Item> items;
    for (const QJsonValue& value : root.value("items").toArray()) {
        const QJsonObject object = value.toObject();
        Item item;
        item.mcsn = object.value("mcsn").toInt();
        item.question = object.value("question").toInt();
        item.answer = object.value("answer").toString().toUtf8();
        const QString form = object.value("form").toString();
        item.form = form == QLatin1String("digits") ? Digits : form == QLatin1String("letters") ? Letters : OneLetter;
        if (item.mcsn < 1 || item.question < 1)
            return key;
        items.append(item);
    }
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.mcsn < b.mcsn; });
    key.m_served = served;
    key.m_items = items;
    return key;
}

bool Rf21xAnswerKey::isEmpty() const
{
    return m_items.isEmpty();
}

QDateTime Rf21xAnswerKey::served() const
{
    return m_served;
}

const QList<Rf21xAnswerKey::Item>& Rf21xAnswerKey::items() const
{
    return m_items;
}

QList<QList<Rf21xAnswerKey::Item>> Rf21xAnswerKey::questions() const
{
    QMap<int, QList<Item>> byQuestion;
    for (const Item& item : m_items)
        byQuestion[item.question].append(item);
    return byQuestion.values();
}
