#include "ZUHdData.h"

#include <QMutexLocker>

void ZUHdData::appendTeacher(const QString& key)
{
    QMutexLocker locker(&m_mutex);
    m_teacherQueue.append(key);
    m_condition.wakeAll();
}

void ZUHdData::appendStudent(const StudentInfo& info)
{
    QMutexLocker locker(&m_mutex);
    m_studentQueue.append(info);
    m_condition.wakeAll();
}

void ZUHdData::appendSetId(const QString& reply)
{
    QMutexLocker locker(&m_mutex);
    m_setIdQueue.append(reply);
    m_condition.wakeAll();
}

void ZUHdData::wake()
{
    QMutexLocker locker(&m_mutex);
    m_condition.wakeAll();
}

bool ZUHdData::waitForItems()
{
    QMutexLocker locker(&m_mutex);
    // Tested under the mutex, so a wake that came while the dispatcher was delivering is not lost.
    if (!m_stop && allEmpty())
        m_condition.wait(&m_mutex);
    return !m_stop;
}

ZUHdData::Batch ZUHdData::takeFirstItems()
{
    Batch batch;
    QMutexLocker locker(&m_mutex);
    if (!m_teacherQueue.isEmpty()) {
        batch.hasTeacher = true;
        batch.teacher = m_teacherQueue.takeFirst();
    }
    if (!m_studentQueue.isEmpty()) {
        batch.hasStudent = true;
        batch.student = m_studentQueue.takeFirst();
    }
    if (!m_setIdQueue.isEmpty()) {
        batch.hasSetId = true;
        batch.setId = m_setIdQueue.takeFirst();
    }
    return batch;
}

void ZUHdData::requestStop()
{
    QMutexLocker locker(&m_mutex);
    m_stop = true;
    m_condition.wakeAll();
}

void ZUHdData::clearStop()
{
    QMutexLocker locker(&m_mutex);
    m_stop = false;
}

bool ZUHdData::stopRequested() const
{
    QMutexLocker locker(&m_mutex);
    return m_stop;
}

bool ZUHdData::allEmpty() const
{
    return m_teacherQueue.isEmpty() && m_studentQueue.isEmpty() && m_setIdQueue.isEmpty();
}
