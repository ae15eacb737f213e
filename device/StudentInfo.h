#pragma once

#include <QMetaType>
#include <QString>

// One keypad message as the receiver reports it; "Rush" as data is a press of the rush key.
struct StudentInfo
{
    int keypadId = 0;
    int quizNumber = 0;
    int timeStamp = 0;
    QString data;
};

Q_DECLARE_METATYPE(StudentInfo)
