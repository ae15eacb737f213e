#pragma once

#include "Singleton.h"

#include <QThread>

// Waits until a queue of ZUHdData has something and hands it to ZUHdRelay, which publishes it in the interface
// thread: at most one item of each kind per 10 ms pass, so teacher keys and set-id replies never wait behind a
// burst of answers.
class ZURF228SendThread : public QThread
{
    Q_OBJECT

public:
    static ZURF228SendThread* getInstance() { return TavSingleton<ZURF228SendThread>::instance(); }

    // One pass: posts the first teacher key, keypad message and set-id reply queued, to be published in that
    // order; false when all three queues were empty. While the interface thread has too many passes still to
    // publish, it takes nothing and returns true.
    bool deliverPass();

protected:
    void run() override;

private:
    friend class TavSingleton<ZURF228SendThread>;
    ZURF228SendThread();
};
