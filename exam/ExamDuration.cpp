#include "ExamDuration.h"

#include <QtGlobal>

void ExamDuration::split(int seconds, int& h, int& m, int& s)
{
    seconds = qMax(0, seconds);
    h = seconds / 3600;
    m = seconds % 3600 / 60;
    s = seconds % 60;
    if (h >= 2) {
        h = 2;
        m = 0;
        s = 0;
    } else if (h == 0 && m == 0) {
        m = 1;
    }
}

ExamDuration::Ranges ExamDuration::rangesFor(int h, int m, int s)
{
    Ranges ranges;
    if (m != 0)
        ranges.hours = { 0, 1 };
    else if (s == 0)
        ranges.hours = { 1, 2 };
    else
        ranges.hours = { 1, 1 };
    if (h >= 2) {
        ranges.minutes = { 0, 0 };
        ranges.seconds = { 0, 0 };
    } else {
        ranges.minutes = { h == 0 ? 1 : 0, 59 };
        ranges.seconds = { 0, 59 };
    }
    return ranges;
}
