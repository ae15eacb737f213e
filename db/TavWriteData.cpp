#include "TavWriteData.h"

#include <QRegularExpression>

QString TavWriteData::text(const char* key)
{
    const QJsonValue v = value(key);
    m_ok = m_ok && v.isString();
    return v.toString();
}

int TavWriteData::number(const char* key)
{
    const QJsonValue v = value(key);
    const double d = v.toDouble();
    const bool whole = v.isDouble() && d == double(qint64(d)) && d >= -2147483648.0 && d <= 2147483647.0;
    m_ok = m_ok && whole;
    return whole ? int(d) : 0;
}

bool TavWriteData::flag(const char* key)
{
    const QJsonValue v = value(key);
    m_ok = m_ok && v.isBool();
    return v.toBool();
}

QJsonArray TavWriteData::list(const char* key)
{
    const QJsonValue v = value(key);
    m_ok = m_ok && v.isArray();
    return v.toArray();
}

QJsonObject TavWriteData::object(const char* key)
{
    const QJsonValue v = value(key);
    m_ok = m_ok && v.isObject();
    return v.toObject();
}

QString TavWriteData::time(const char* key, bool allowEmpty)
{
    const QString t = text(key);
    // Its shape only: a time that the clock skipped (a change to summer time) is still the time the lesson had.
    static const QRegularExpression written(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    const bool fits = (allowEmpty && t.isEmpty()) || written.match(t).hasMatch();
    m_ok = m_ok && fits;
    return fits ? t : QString();
}
