#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QTimer;

// Local socket through which a person (keypad-sim) or an outside test drives the simulated receiver, one
// command line in, one reply line out. It runs in a thread of its own so that it answers whatever the
// program's threads are doing.
class Rf21xControlChannel : public QObject
{
    Q_OBJECT

public:
    // TAV_RF21X_SOCKET when set, otherwise "rf21x-sim.sock" in the program directory.
    static QString socketPath();
    // Beside the socket, named after it: "rf21x-sim.keypads" holds the numbers given to the demo keypads.
    static QString numbersPath();

    // Once per process; needs a QCoreApplication. The channel is stopped when the application object goes.
    static void start();
    static void stop();

    // Replies a client may leave unread beyond what the system buffers for it; past that it is dropped.
    static constexpr qint64 kMaxUnreadReplyBytes = 64 * 1024;

private slots:
    void listen();
    void listenAgainWhenLost();
    void acceptConnections();

private:
    explicit Rf21xControlChannel(const QString& path);

    enum Outcome { Listening, ServedElsewhere, Failed };
    // Listens at the path unless another running receiver answers there; *reason tells why it does not.
    Outcome takeSocket(QString* reason);

    QString m_path;
    QLocalServer* m_server = nullptr;
    QTimer* m_watch = nullptr;
    bool m_lost = false;
};
