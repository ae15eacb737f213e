#include "ZUHdData.h"

#include <QDebug>
#include <QMutexLocker>

template<typename T> void ZUHdData::append(Queue<T>& queue, const T& item, int limit, const char* what)
{
    if (queue.items.size() >= limit) {
        // The oldest goes: it is the most out of date, and the newest answer of a keypad is the one kept.
        queue.items.removeFirst();
        if (!queue.overflowing) {
            queue.overflowing = true;
            qWarning().noquote() << QStringLiteral("****%1 queue full at %2: the oldest are dropped until it drains")
                                        .arg(QLatin1String(what))
                                        .arg(limit);
        }
    }
    queue.items.append(item);
}

template<typename T> bool ZUHdData::takeFirst(Queue<T>& queue, T* item)
{
    if (queue.items.isEmpty())
        return false;
    *item = queue.items.takeFirst();
    if (queue.items.isEmpty())
        queue.overflowing = false;
    return true;
}

void ZUHdData::appendTeacher(const QString& key)
{
    QMutexLocker locker(&m_mutex);
    append(m_teacherQueue, key, kMaxTeacherItems, "teacher key");
    m_condition.wakeAll();
}

void ZUHdData::appendStudent(const StudentInfo& info, quint64 generation)
{
    QMutexLocker locker(&m_mutex);
    if (generation == m_generation)
        append(m_studentQueue, info, kMaxStudentItems, "keypad message");
    m_condition.wakeAll();
}

void ZUHdData::appendSetId(const QString& reply)
{
    QMutexLocker locker(&m_mutex);
    append(m_setIdQueue, reply, kMaxSetIdItems, "set-id reply");
    m_condition.wakeAll();
}

void ZUHdData::wake()
{
    QMutexLocker locker(&m_mutex);
    m_condition.wakeAll();
}

void ZUHdData::beginGeneration()
{
    QMutexLocker taking(&m_takeMutex);
    QMutexLocker locker(&m_mutex);
    ++m_generation;
    m_studentQueue.items.clear();
    m_studentQueue.overflowing = false;
}

quint64 ZUHdData::generation() const
{
    QMutexLocker locker(&m_mutex);
    return m_generation;
}

bool ZUHdData::isCurrent(quint64 generation) const
{
    QMutexLocker locker(&m_mutex);
    return generation == m_generation;
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
    batch.hasTeacher = takeFirst(m_teacherQueue, &batch.teacher);
    batch.hasStudent = takeFirst(m_studentQueue, &batch.student);
    // Only messages of the current generation are queued.
    batch.generation = m_generation;
    batch.hasSetId = takeFirst(m_setIdQueue, &batch.setId);
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
    return m_teacherQueue.items.isEmpty() && m_studentQueue.items.isEmpty() && m_setIdQueue.items.isEmpty();
}
