#pragma once

#include "ZUHdApi.h"

#include "rf21x_api.h"

#include "Singleton.h"

#include <QByteArray>
#include <QString>

// The USB radio receiver, reached through the receiver library; registered as "rf228".
class ZURf228Api : public ZUHdApi
{
    Q_OBJECT

public:
    static ZURf228Api* getInstance() { return TavSingleton<ZURf228Api>::instance(); }

    void initDevice() override;
    void pollDevice(QString& message) override;
    bool isConnected() override;
    QString serialNumber() override;
    bool openDevice() override;
    int stopQuiz() override;
    int startSingleQuiz(int count) override;
    int startMultipleQuiz(int count) override;
    int startNumberQuiz() override;
    int setKeypadId(int id) override;

    RF21X_DEVICE deviceHandle() const { return m_device; }
    bool checkHidPresent();
    QString readDeviceSerial();
    // Starts the receiver thread, then the dispatcher thread, each only when it is not running.
    void startThreads();
    // Orderly end at exit: both threads stop, then the receiver leaves answering and is closed.
    void shutdown();

private:
    friend class TavSingleton<ZURf228Api>;
    ZURf228Api() = default;

    // Each start begins a new generation of keypad messages (ZUHdData).
    int startAnswering(int quizType, int count);

    bool m_connected = false;
    QString m_serial;
    RF21X_DEVICE m_device = nullptr;
    QByteArray m_hidPath; // null until a receiver path was seen
    bool m_exitHookAdded = false;
};
