#pragma once

#include <QString>

// One paper of the web service's catalogue.
struct PaperListItem
{
    QString paperID;
    QString paperName;
    QString allScores; // total points as text
    int questionNumCount = 0;
};
