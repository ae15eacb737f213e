#pragma once

#include "SetIdInfo.h"
#include "StudentInfo.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

#include <functional>

class ZUHdApi;

// The road of the keypad binding screen without its widgets: which students of the chosen class hold a keypad
// of the connected receiver, and the programming of the teacher keypad and of the student keypads one by one.
// A student keypad is given the student's id as its number (keypad-id step), then waits for one key (key-press
// step); the key's keypad is registered with the web service and recorded locally. The screen forwards the
// receiver's replies and key presses while it is shown and draws the tiles from tiles().
class ZUStuLinkFlow : public QObject
{
    Q_OBJECT
public:
    enum State { NotShown = -1, Idle = 0, SettingId = 1, WaitingKey = 2, Requesting = 3, Stopping = 4, TeacherId = 5 };
    enum Look { Default = 0, Fn = 1, Sign = 2, Suc = 3 };
    enum TeacherStart { TeacherStarted, NoReceiver, Busy };

    struct Tile
    {
        QString dovaneID;
        QString name;
        QString sn;
        QString stationSn;
        int look = Default;
        int countdown = 0;
    };

    // Ticks of both steps together; the key-press step keeps what the keypad-id step left, at least kMinTicks.
    static constexpr int kStartTicks = 105;
    static constexpr int kMinTicks = 6;

    // (username, dovaneID, stationSN, sn) -> ZUStuLinkSer::Success or Failure.
    using KeypadBinder = std::function<int(const QString&, const QString&, const QString&, const QString&)>;

    explicit ZUStuLinkFlow(QObject* parent = nullptr);

    int state() const { return m_state; }
    QString serial() const { return m_serial; }
    int classID() const { return m_classID; }
    bool isMatch() const { return m_match; }
    const QVector<Tile>& tiles() const { return m_tiles; }
    int boundCount() const { return m_boundCount; }
    int currentIndex() const { return m_cur; }
    int indexOf(const QString& dovaneID) const;
    // The tile's keypad belongs to the receiver connected now.
    bool isBound(int index) const;
    // A binding is under way: the class choice, the teacher keypad and closing wait for its end.
    bool isBinding() const { return m_state >= SettingId && m_state <= Stopping; }

    // While the screen is closed, a web reply that comes late puts back the roster of the class in use.
    void setActive(bool active) { m_active = active; }
    void setTickInterval(int ms);
    void setKeypadBinder(KeypadBinder binder) { m_binder = std::move(binder); }

    // Idle, without tiles, with the receiver's serial number read anew; false when no receiver answers.
    bool reset();
    // The tiles of the teacher state's roster, which is the class's, and whether the class has this receiver.
    void loadTiles(int classID);
    // Registers the class with the receiver; false when the web service did not take it.
    bool bindClass();
    // The first tile in roster order whose keypad is not bound; -1 when there is none.
    int firstUnbound() const;
    // Programs the tile's keypad; with autoNext the unbound tiles after it follow.
    void startBinding(int index, bool autoNext);
    TeacherStart bindTeacher();
    // The teacher's prompt went away without a reply from the receiver: the teacher binding is given up.
    void teacherPromptClosed();
    // Stops a student binding: at once in the key-press step, at the receiver's next reply in the keypad-id step.
    void requestStop();

public slots:
    void setIdReceived(const SetIdInfo& info);
    void keyReceived(const StudentInfo& info);
    void fn5Tick();
    void pushTick();

signals:
    void tileChanged(int index);
    void boundCountChanged(int count);
    void stateChanged(int state);
    void teacherBindFinished(bool success);
    void stopRequested();
    void bindingStopped();

private:
    struct Request
    {
        QString dovaneID;
        QString serial;
        int classID = 0;
        quint64 generation = 0;
    };

    ZUHdApi* device() const;
    QString deviceSerial() const;
    void setState(int state);
    int restingLook(int index) const;
    void updateBoundCount();
    void setLook(int index, int look);
    void armItem();
    void setIdSucceeded();
    void bindFailed(int index);
    void bindNextItem();
    void stopBinding();
    void keepBinding(const Request& request, const QString& sn, const QString& previous);

    int m_state = NotShown;
    bool m_autoNext = false;
    bool m_acceptStu = true;
    bool m_match = false;
    bool m_active = false;
    QString m_serial;
    int m_classID = 0;
    QVector<Tile> m_tiles;
    int m_cur = -1;
    int m_armed = -1; // the tile whose keypad is being programmed; not counted as bound meanwhile
    int m_boundCount = 0;
    // Changes whenever the tile being programmed changes, so that a reply can tell whether it is still awaited.
    quint64 m_generation = 0;
    QTimer m_fn5Timer;
    QTimer m_pushTimer;
    QTimer m_stopTimer;
    KeypadBinder m_binder;
};
