#include "TAVMemInfo.h"

#include <algorithm>

QList<ClassInfoRow> TAVMemInfo::sortedClasses() const
{
    QList<ClassInfoRow> classes = classMap.values();
    std::stable_sort(classes.begin(), classes.end(), [](const ClassInfoRow& a, const ClassInfoRow& b) {
        if (a.phase != b.phase) {
            return a.phase < b.phase;
        }
        if (a.grade != b.grade) {
            return a.grade > b.grade;
        }
        return a.classNum < b.classNum;
    });
    return classes;
}
