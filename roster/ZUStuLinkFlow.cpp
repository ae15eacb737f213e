#include "ZUStuLinkFlow.h"

#include "TAVMemInfo.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUSound.h"
#include "ZUStuLinkSer.h"

#include <QDebug>
#include <QThread>

namespace {
const int kTickMs = 200;
// How long a stop asked for in the keypad-id step waits for the receiver's reply.
const int kStopWaitMs = 3000;
} // namespace

ZUStuLinkFlow::ZUStuLinkFlow(QObject* parent)
    : QObject(parent)
    , m_binder([](const QString& username, const QString& dovaneID, const QString& stationSN, const QString& sn) {
        return ZUStuLinkSer::getInstance()->bindStuSn(username, dovaneID, stationSN, sn);
    })
{
    m_fn5Timer.setInterval(kTickMs);
    m_pushTimer.setInterval(kTickMs);
    m_stopTimer.setSingleShot(true);
    m_stopTimer.setInterval(kStopWaitMs);
    connect(&m_fn5Timer, &QTimer::timeout, this, &ZUStuLinkFlow::fn5Tick);
    connect(&m_pushTimer, &QTimer::timeout, this, &ZUStuLinkFlow::pushTick);
    connect(&m_stopTimer, &QTimer::timeout, this, [this] {
        if (m_state != Stopping)
            return;
        qWarning() << "****no reply of the receiver to the stop, binding stopped";
        stopBinding();
    });
}

void ZUStuLinkFlow::setTickInterval(int ms)
{
    m_fn5Timer.setInterval(ms);
    m_pushTimer.setInterval(ms);
    m_stopTimer.setInterval(ms * (kStopWaitMs / kTickMs));
}

ZUHdApi* ZUStuLinkFlow::device() const
{
    return ZUHdManager::getInstance()->currentApi();
}

QString ZUStuLinkFlow::deviceSerial() const
{
    ZUHdApi* api = device();
    return api ? api->serialNumber() : QString();
}

int ZUStuLinkFlow::indexOf(const QString& dovaneID) const
{
    for (int i = 0; i < m_tiles.size(); ++i) {
        if (m_tiles.at(i).dovaneID == dovaneID)
            return i;
    }
    return -1;
}

bool ZUStuLinkFlow::isBound(int index) const
{
    if (index < 0 || index >= m_tiles.size())
        return false;
    const Tile& tile = m_tiles.at(index);
    return !tile.sn.isEmpty() && !tile.stationSn.isEmpty() && tile.stationSn == deviceSerial();
}

void ZUStuLinkFlow::setState(int state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

int ZUStuLinkFlow::restingLook(int index) const
{
    return m_match && isBound(index) ? Suc : Default;
}

void ZUStuLinkFlow::updateBoundCount()
{
    int count = 0;
    for (int i = 0; m_match && i < m_tiles.size(); ++i) {
        if (i != m_armed && isBound(i))
            ++count;
    }
    if (count == m_boundCount)
        return;
    m_boundCount = count;
    emit boundCountChanged(count);
}

void ZUStuLinkFlow::setLook(int index, int look)
{
    m_tiles[index].look = look;
    emit tileChanged(index);
}

bool ZUStuLinkFlow::reset()
{
    m_fn5Timer.stop();
    m_pushTimer.stop();
    m_stopTimer.stop();
    setState(Idle);
    m_autoNext = false;
    m_acceptStu = true;
    m_tiles.clear();
    m_cur = -1;
    m_armed = -1;
    ++m_generation;
    m_match = false;
    m_classID = 0;
    m_serial = deviceSerial();
    updateBoundCount();
    return !m_serial.isEmpty();
}

void ZUStuLinkFlow::loadTiles(int classID)
{
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    m_classID = classID;
    m_cur = -1;
    m_armed = -1;
    ++m_generation;
    m_match = !m_serial.isEmpty() && m_serial == mem->classMap.value(classID).stationSn;
    m_tiles.clear();
    for (const StudentInfoRow& student : mem->studentList) {
        Tile tile;
        tile.dovaneID = student.dovaneID;
        tile.name = student.name;
        tile.sn = student.sn;
        tile.stationSn = student.stationSn;
        m_tiles.append(tile);
    }
    for (int i = 0; i < m_tiles.size(); ++i)
        m_tiles[i].look = restingLook(i);
    m_boundCount = -1;
    updateBoundCount();
}

bool ZUStuLinkFlow::bindClass()
{
    if (m_match)
        return true;
    const QString username = TAVMemInfo::getInstance()->currentTeacher.username;
    if (ZUStuLinkSer::getInstance()->bindClassStation(username, m_classID, m_serial) != ZUStuLinkSer::Success)
        return false;
    m_match = true;
    for (int i = 0; i < m_tiles.size(); ++i) {
        if (i != m_armed)
            setLook(i, restingLook(i));
    }
    updateBoundCount();
    return true;
}

int ZUStuLinkFlow::firstUnbound() const
{
    for (int i = 0; i < m_tiles.size(); ++i) {
        if (!isBound(i))
            return i;
    }
    return -1;
}

void ZUStuLinkFlow::startBinding(int index, bool autoNext)
{
    if (m_state != Idle || index < 0 || index >= m_tiles.size())
        return;
    m_cur = index;
    m_autoNext = autoNext;
    armItem();
}

void ZUStuLinkFlow::armItem()
{
    ++m_generation;
    Tile& tile = m_tiles[m_cur];
    bool ok = false;
    const int keypadNumber = tile.dovaneID.toInt(&ok);
    ZUHdApi* api = device();
    // Number 0 is the teacher keypad's: a student keypad must never get it.
    if (!ok || keypadNumber <= 0 || !api) {
        qWarning().noquote() << "****the student id is no keypad number, not bound: " + tile.dovaneID;
        bindFailed(m_cur);
        bindNextItem();
        return;
    }
    m_armed = m_cur;
    tile.countdown = kStartTicks;
    setLook(m_cur, Fn);
    api->setKeypadId(keypadNumber);
    setState(SettingId);
    if (!m_fn5Timer.isActive())
        m_fn5Timer.start();
    updateBoundCount();
}

void ZUStuLinkFlow::fn5Tick()
{
    if (m_state != SettingId || m_armed < 0)
        return;
    Tile& tile = m_tiles[m_armed];
    tile.countdown = qMax(kMinTicks, tile.countdown - 1);
    emit tileChanged(m_armed);
}

void ZUStuLinkFlow::setIdReceived(const SetIdInfo& info)
{
    ZUHdApi* api = device();
    if (api)
        api->openDevice();
    const bool success = info.data == QLatin1String("Success");
    const bool fail = info.data == QLatin1String("Fail");
    if (m_state == SettingId && fail) {
        m_fn5Timer.stop();
        bindFailed(m_cur);
        bindNextItem();
    } else if (m_state == SettingId && success) {
        m_fn5Timer.stop();
        if (!m_pushTimer.isActive())
            m_pushTimer.start();
        setState(WaitingKey);
        setIdSucceeded();
        if (api) {
            api->stopQuiz();
            // The receiver takes a moment before it answers a new start.
            QThread::msleep(200);
            api->startSingleQuiz(-1);
        }
    } else if (m_state == Stopping) {
        m_fn5Timer.stop();
        stopBinding();
    } else if (m_state == TeacherId && (success || fail)) {
        setState(Idle);
        emit teacherBindFinished(success);
    }
}

void ZUStuLinkFlow::setIdSucceeded()
{
    setLook(m_cur, Sign);
    ZUSound::getInstance()->playISBinding();
}

void ZUStuLinkFlow::pushTick()
{
    if ((m_state != WaitingKey && m_state != Requesting) || m_armed < 0)
        return;
    Tile& tile = m_tiles[m_armed];
    tile.countdown = tile.countdown - 1;
    emit tileChanged(m_armed);
    if (tile.countdown > 0)
        return;
    if (ZUHdApi* api = device())
        api->stopQuiz();
    m_pushTimer.stop();
    bindFailed(m_armed);
    bindNextItem();
}

void ZUStuLinkFlow::keyReceived(const StudentInfo& info)
{
    if (m_state != WaitingKey) {
        qDebug().noquote() << "the q_cur_state is: " + QString::number(m_state);
        return;
    }
    if (!m_acceptStu) {
        qDebug() << "ignore stu rush";
        return;
    }
    if (ZUHdApi* api = device())
        api->stopQuiz();
    m_acceptStu = false;
    setState(Requesting);
    Request request;
    request.dovaneID = m_tiles.at(m_cur).dovaneID;
    request.serial = m_serial;
    request.classID = m_classID;
    request.generation = m_generation;
    const QString sn = QString::number(info.keypadId);

    const QString username = TAVMemInfo::getInstance()->currentTeacher.username;
    const int result = m_binder(username, request.dovaneID, request.serial, sn);
    // While the request waited the tile may have run out of time and the next one be programmed, the receiver
    // may have gone, or the screen may have closed: each begins a new generation, and this reply no longer
    // drives the road. (The road leaves the request's state only through those, so the generation alone tells.)
    const bool current = m_generation == request.generation;
    if (result != ZUStuLinkSer::Success) {
        qWarning() << "****error bind stu error";
        if (current)
            setState(WaitingKey);
        else
            qDebug() << "ignore server reply";
        m_acceptStu = true;
        return;
    }
    qDebug().noquote() << "server binding scuess: " + request.dovaneID + " " + sn;
    if (current)
        m_pushTimer.stop();
    // The keypad has the student's number and the web service took the binding: record it even when the
    // tile ran out of time meanwhile, so that both keep the same binding.
    const QString previous
        = ZUStuLinkSer::getInstance()->saveStuSn(request.dovaneID, sn, request.serial, request.classID);
    if (!m_active)
        ZUStuLinkSer::getInstance()->loadStudents(TAVMemInfo::getInstance()->currentClass.classID);
    keepBinding(request, sn, previous);
    if (current)
        bindNextItem();
    else
        qDebug() << "late server reply, binding kept";
    m_acceptStu = true;
}

void ZUStuLinkFlow::keepBinding(const Request& request, const QString& sn, const QString& previous)
{
    if (request.classID != m_classID) {
        ZUSound::getInstance()->playBindingSuc();
        return;
    }
    if (!previous.isEmpty() && previous != request.dovaneID) {
        const int other = indexOf(previous);
        if (other < 0) {
            qWarning() << "**** the lbl is null";
        } else {
            m_tiles[other].sn.clear();
            m_tiles[other].stationSn.clear();
            if (other != m_armed)
                setLook(other, Default);
        }
    }
    const int index = indexOf(request.dovaneID);
    if (index >= 0) {
        Tile& tile = m_tiles[index];
        tile.sn = sn;
        tile.stationSn = request.serial;
        tile.countdown = 0;
        if (index == m_armed)
            m_armed = -1;
        setLook(index, Suc);
    }
    ZUSound::getInstance()->playBindingSuc();
    updateBoundCount();
}

void ZUStuLinkFlow::bindFailed(int index)
{
    if (index == m_armed)
        m_armed = -1;
    setLook(index, restingLook(index));
    updateBoundCount();
    ZUSound::getInstance()->playBindingFai();
}

void ZUStuLinkFlow::bindNextItem()
{
    if (!m_autoNext) {
        stopBinding();
        return;
    }
    int next = m_cur + 1;
    while (next < m_tiles.size() && isBound(next))
        ++next;
    if (next >= m_tiles.size()) {
        stopBinding();
        return;
    }
    m_cur = next;
    armItem();
}

void ZUStuLinkFlow::stopBinding()
{
    m_fn5Timer.stop();
    m_pushTimer.stop();
    m_stopTimer.stop();
    m_armed = -1;
    ++m_generation;
    setState(Idle);
    emit bindingStopped();
    if (m_cur >= 0 && m_cur < m_tiles.size())
        setLook(m_cur, restingLook(m_cur));
    if (ZUHdApi* api = device())
        api->stopQuiz();
    updateBoundCount();
}

ZUStuLinkFlow::TeacherStart ZUStuLinkFlow::bindTeacher()
{
    ZUHdApi* api = device();
    if (m_serial.isEmpty() || !api)
        return NoReceiver;
    if (m_state != Idle)
        return Busy;
    setState(TeacherId);
    api->setKeypadId(0);
    return TeacherStarted;
}

void ZUStuLinkFlow::teacherPromptClosed()
{
    if (m_state != TeacherId)
        return;
    qDebug() << "teacher binding given up without a reply of the receiver";
    setState(Idle);
}

void ZUStuLinkFlow::requestStop()
{
    if (m_state == SettingId) {
        m_fn5Timer.stop();
        setState(Stopping);
        m_stopTimer.start();
        emit stopRequested();
    } else if (m_state == WaitingKey) {
        m_pushTimer.stop();
        stopBinding();
    }
}
