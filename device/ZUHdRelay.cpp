#include "ZUHdRelay.h"

#include "ZUHdManager.h"

#include <QCoreApplication>
#include <QMetaObject>

ZUHdRelay::ZUHdRelay()
{
    // The dispatcher may be the first to ask for the relay; it must still live in the interface thread.
    if (QCoreApplication* app = QCoreApplication::instance())
        moveToThread(app->thread());
}

bool ZUHdRelay::hasRoom() const
{
    return m_posted.loadAcquire() < kMaxPosted;
}

void ZUHdRelay::post(const ZUHdData::Batch& batch)
{
    m_posted.ref();
    QMetaObject::invokeMethod(
        this, [this, batch] { publish(batch); }, Qt::QueuedConnection);
}

void ZUHdRelay::publish(const ZUHdData::Batch& batch)
{
    m_posted.deref();
    ZUHdManager* manager = ZUHdManager::getInstance();
    if (batch.hasTeacher)
        emit manager->sendTeacherData(TeacherInfo { batch.teacher });
    if (batch.hasStudent && ZUHdData::getInstance()->isCurrent(batch.generation))
        emit manager->sendStudentData(batch.student);
    if (batch.hasSetId)
        emit manager->sendSetIdData(SetIdInfo { batch.setId });
}
