#pragma once

#include "ZUHdManager.h"

#include <QThread>

// Records what the manager publishes as "T:key", "S<id>/<quiz>:data" and "I:reply", and whether each signal
// arrived in the recorder's own thread.
class SignalRecorder : public QObject
{
public:
    SignalRecorder()
    {
        ZUHdManager* manager = ZUHdManager::getInstance();
        connect(manager, &ZUHdManager::sendTeacherData, this, [this](TeacherInfo info) { add("T:" + info.data); });
        connect(manager, &ZUHdManager::sendSetIdData, this, [this](SetIdInfo info) { add("I:" + info.data); });
        connect(manager, &ZUHdManager::sendStudentData, this, [this](StudentInfo info) {
            add(QString("S%1/%2:%3").arg(info.keypadId).arg(info.quizNumber).arg(info.data));
        });
    }

    QStringList got;
    bool inOwnThread = true;

private:
    void add(const QString& item)
    {
        got << item;
        inOwnThread = inOwnThread && QThread::currentThread() == thread();
    }
};
