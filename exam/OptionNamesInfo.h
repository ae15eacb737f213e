#pragma once

#include <QList>
#include <QString>

// The students who gave one answer to an item ("未作答" and "其他" gather the rest).
struct OptionNamesInfo
{
    QString option;
    QList<QString> names;
};
