#pragma once

#include <QString>

// One section of a paper.
struct PaperStructRecord
{
    int structID = 0;
    QString structName;
};
