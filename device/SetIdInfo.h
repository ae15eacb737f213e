#pragma once

#include <QMetaType>
#include <QString>

// The receiver's reply to a set-keypad-id request ("Success" or "Fail").
struct SetIdInfo
{
    QString data;
};

Q_DECLARE_METATYPE(SetIdInfo)
