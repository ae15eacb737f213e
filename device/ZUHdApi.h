#pragma once

#include <QObject>
#include <QString>

// The keypad device as the interface sees it. The current one comes from ZUHdManager::currentApi; its events
// arrive as the manager's signals. The int results are the device's status: non-zero success, 0 failure.
class ZUHdApi : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void initDevice() = 0;
    // Detects plugging and unplugging; writes a user-facing text into message only when the state changed.
    virtual void pollDevice(QString& message) = 0;
    virtual bool isConnected() = 0;
    virtual QString serialNumber() = 0;
    virtual bool openDevice() = 0;
    virtual int stopQuiz() = 0;
    virtual int startSingleQuiz(int count) = 0;
    virtual int startMultipleQuiz(int count) = 0;
    virtual int startNumberQuiz() = 0;
    virtual int setKeypadId(int id) = 0;
};
