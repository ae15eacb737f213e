#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// Reads the fields of a pending write's data, noting whether each had the shape asked for: what comes back from
// the side record may have been damaged or edited by hand, and is written into the file only when it fits.
class TavWriteData
{
public:
    explicit TavWriteData(const QJsonObject& data)
        : m_data(data)
    {
    }

    QString text(const char* key);
    // A whole number within a 32-bit int.
    int number(const char* key);
    bool flag(const char* key);
    QJsonArray list(const char* key);
    QJsonObject object(const char* key);
    // A time as the table classes write it, "yyyy-MM-dd HH:mm:ss", or empty when allowEmpty.
    QString time(const char* key, bool allowEmpty = false);

    // Every field read so far had its shape.
    bool ok() const { return m_ok; }

private:
    QJsonValue value(const char* key) const { return m_data.value(QLatin1String(key)); }

    QJsonObject m_data;
    bool m_ok = true;
};
