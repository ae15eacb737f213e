#pragma once

#include "rf21x_api.h"

#include "Singleton.h"

#include <QThread>

// Polls the receiver library and sorts each message into the queues of ZUHdData: teacher keys (type 1),
// keypad messages (type 2), set-id replies (type 3); other types only wake the dispatcher.
class ZURF228ReceiverThread : public QThread
{
    Q_OBJECT

public:
    static ZURF228ReceiverThread* getInstance() { return TavSingleton<ZURF228ReceiverThread>::instance(); }
    ~ZURF228ReceiverThread() override;

    // Pause after each handled message: "hdTime" of the ini file, 2 ms when that is 0 or less.
    int pauseMs() const { return m_pauseMs; }

    // Takes at most one message; true when there was one.
    bool pollOnce();

protected:
    void run() override;

private:
    friend class TavSingleton<ZURF228ReceiverThread>;
    ZURF228ReceiverThread();

    QString dataText() const;

    RF21X_MESSAGE_BUFFER m_messageBuffer = nullptr;
    int m_pauseMs = 2;
};
