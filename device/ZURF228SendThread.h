#pragma once

#include "Singleton.h"

#include <QThread>

// Waits until a queue of ZUHdData has something and publishes it through ZUHdManager's signals, at most one
// item of each kind per 10 ms pass, so teacher keys and set-id replies never wait behind a burst of answers.
class ZURF228SendThread : public QThread
{
    Q_OBJECT

public:
    static ZURF228SendThread* getInstance() { return TavSingleton<ZURF228SendThread>::instance(); }

    // One pass: emits the first teacher key, keypad message and set-id reply queued, in that order;
    // false when all three queues were empty.
    bool deliverPass();

protected:
    void run() override;

private:
    friend class TavSingleton<ZURF228SendThread>;
    ZURF228SendThread();
};
