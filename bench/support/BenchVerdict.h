#pragma once

// Each figure of a benchmark beside its goal and its verdict, one line each, and the run's verdict at the end:
//
//   BenchVerdict verdict;
//   verdict.atMost("answer to tile, median", 0.42, "ms", 0.5);
//   verdict.atLeast("rows written per second", rate, "rows/s", 50000);
//   return verdict.finish();   // prints the run's verdict; 0 when every figure met its goal
//
// A line reads "figure: value unit  (goal <= goal unit)  PASS" or "... FAIL", so that a figure that misses its
// goal is seen in the report and fails the run.
#include "BenchSupport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>

class BenchVerdict
{
public:
    // A figure that must not exceed its goal; true when it does not.
    bool atMost(const QString& figure, double value, const QString& unit, double goal, int decimals = 2)
    {
        return judge(figure, value, unit, QStringLiteral("<="), goal, value <= goal, decimals);
    }

    // A figure that must reach its goal; true when it does.
    bool atLeast(const QString& figure, double value, const QString& unit, double goal, int decimals = 2)
    {
        return judge(figure, value, unit, QStringLiteral(">="), goal, value >= goal, decimals);
    }

    // A condition that must hold, said in words (all answers arrived, every row read); true when it holds.
    bool holds(const QString& figure, bool met, const QString& what)
    {
        return record(QStringLiteral("%1: %2  %3").arg(figure, what, verdictWord(met)), figure, met);
    }

    int failures() const { return m_failed.size(); }

    // Prints the run's verdict with the machine's load; 0 when every figure met its goal, else 1.
    int finish() const
    {
        if (m_failed.isEmpty())
            std::printf("verdict: PASS, %d of %d figures meet their goals (load average %s)\n", m_count, m_count,
                        qPrintable(BenchSupport::loadAverage()));
        else
            std::printf("verdict: FAIL, %d of %d figures miss their goals: %s (load average %s)\n",
                        int(m_failed.size()), m_count, qPrintable(m_failed.join(QStringLiteral("; "))),
                        qPrintable(BenchSupport::loadAverage()));
        std::fflush(stdout);
        return m_failed.isEmpty() ? 0 : 1;
    }

private:
    static QString verdictWord(bool met) { return met ? QStringLiteral("PASS") : QStringLiteral("FAIL"); }

    bool judge(const QString& figure, double value, const QString& unit, const QString& relation, double goal, bool met,
               int decimals)
    {
        const QString space = unit.isEmpty() ? QString() : QStringLiteral(" ");
        return record(QStringLiteral("%1: %2%3%4  (goal %5 %6%3%4)  %7")
                          .arg(figure, QString::number(value, 'f', decimals), space, unit, relation,
                               QString::number(goal, 'f', decimals), verdictWord(met)),
                      figure, met);
    }

    bool record(const QString& line, const QString& figure, bool met)
    {
        ++m_count;
        if (!met)
            m_failed << figure;
        std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
        return met;
    }

    int m_count = 0;
    QStringList m_failed;
};
