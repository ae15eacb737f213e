#include "ZURF228SendThread.h"

#include "ZUHdData.h"
#include "ZUHdRelay.h"

namespace {

const int kPassMs = 10;

} // namespace

ZURF228SendThread::ZURF228SendThread()
{
    setObjectName(QStringLiteral("rf228-dispatch"));
}

bool ZURF228SendThread::deliverPass()
{
    ZUHdRelay* relay = ZUHdRelay::getInstance();
    // The interface thread is behind: what waits stays queued, where a new activity still drops stale presses.
    if (!relay->hasRoom())
        return true;
    const ZUHdData::Batch batch = ZUHdData::getInstance()->takeFirstItems();
    if (batch.isEmpty())
        return false;
    relay->post(batch);
    return true;
}

void ZURF228SendThread::run()
{
    ZUHdData* data = ZUHdData::getInstance();
    while (data->waitForItems()) {
        // Passes go on until one finds nothing; that empty pass still takes its 10 ms.
        bool delivered = true;
        while (delivered && !data->stopRequested()) {
            delivered = deliverPass();
            msleep(kPassMs);
        }
    }
}
