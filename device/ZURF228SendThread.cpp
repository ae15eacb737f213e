#include "ZURF228SendThread.h"

#include "ZUHdData.h"
#include "ZUHdManager.h"

namespace {

const int kPassMs = 10;

} // namespace

ZURF228SendThread::ZURF228SendThread()
{
    setObjectName(QStringLiteral("rf228-dispatch"));
}

bool ZURF228SendThread::deliverPass()
{
    const ZUHdData::Batch batch = ZUHdData::getInstance()->takeFirstItems();
    ZUHdManager* manager = ZUHdManager::getInstance();
    if (batch.hasTeacher)
        emit manager->sendTeacherData(TeacherInfo { batch.teacher });
    if (batch.hasStudent)
        emit manager->sendStudentData(batch.student);
    if (batch.hasSetId)
        emit manager->sendSetIdData(SetIdInfo { batch.setId });
    return !batch.isEmpty();
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
