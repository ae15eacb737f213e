#pragma once

#include "ZUHdData.h"

#include "Singleton.h"

#include <QAtomicInt>
#include <QObject>

// Carries what the dispatcher thread takes from the queues over to the interface thread, where it publishes
// it through ZUHdManager's signals. A keypad message whose generation has passed while it was on its way is
// dropped there, so a start of answering also stops the deliveries already posted. Only so many deliveries
// may wait for the interface thread; the rest stay queued, where a new generation can still drop them.
class ZUHdRelay : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxPosted = 32;

    static ZUHdRelay* getInstance() { return TavSingleton<ZUHdRelay>::instance(); }

    // Any thread.
    bool hasRoom() const;
    void post(const ZUHdData::Batch& batch);

private:
    friend class TavSingleton<ZUHdRelay>;
    ZUHdRelay();

    void publish(const ZUHdData::Batch& batch);

    QAtomicInt m_posted;
};
