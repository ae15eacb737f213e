#pragma once

// What the benchmarks share: order statistics of their timings, the machine's load for the report, and the
// debug lines kept out of it.
#include <QFile>
#include <QLoggingCategory>
#include <QString>
#include <QVector>

#include <algorithm>

namespace BenchSupport {

// The value at fraction p (0 to 1) of the values in ascending order, by nearest rank; 0 without values.
template<typename T> T percentile(QVector<T> values, double p)
{
    if (values.isEmpty())
        return T();
    std::sort(values.begin(), values.end());
    const int index = qBound(0, int(p * (values.size() - 1) + 0.5), int(values.size()) - 1);
    return values.at(index);
}

// The middle value, of an even count the mean of the two middle ones; 0 without values.
template<typename T> T median(QVector<T> values)
{
    if (values.isEmpty())
        return T();
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

// The median of one field over a list of records (rounds of a benchmark, say).
template<typename R, typename T> T medianOf(const QVector<R>& records, T R::*field)
{
    QVector<T> values;
    values.reserve(records.size());
    for (const R& r : records)
        values << r.*field;
    return median(values);
}

// The load averages of the last 1, 5 and 15 minutes; "?" where the system has none.
inline QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2)
                                          : QStringLiteral("?");
}

// The program's debug lines would bury the report; warnings still reach stderr.
inline void hideDebugLines()
{
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
}

} // namespace BenchSupport
