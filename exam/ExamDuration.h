#pragma once

// A quiz duration as the set-up dialog's hour, minute and second boxes hold it: from one minute to two hours.
// Each box may only range over values that keep the whole inside those limits while the others stay as they are.
class ExamDuration
{
public:
    struct Range
    {
        int min = 0;
        int max = 0;
    };
    struct Ranges
    {
        Range hours;
        Range minutes;
        Range seconds;
    };

    // The stored setting in hours, minutes and seconds, held inside the limits the way the boxes hold it: two
    // hours at most, and at least a minute when there is no hour.
    static void split(int seconds, int& h, int& m, int& s);
    // The range of every box for the values h:m:s, which lie inside their own ranges.
    static Ranges rangesFor(int h, int m, int s);
};
