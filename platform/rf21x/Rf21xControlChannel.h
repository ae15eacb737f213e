#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Local socket through which a person (keypad-sim) or an outside test drives the simulated receiver, one
// command line in, one reply line out. It runs in a thread of its own so that it answers whatever the
// program's threads are doing.
class Rf21xControlChannel : public QObject
{
    Q_OBJECT

public:
    // TAV_RF21X_SOCKET when set, otherwise "rf21x-sim.sock" in the program directory.
    static QString socketPath();

    // Once per process; needs a QCoreApplication. The channel is stopped when the application object goes.
    static void start();
    static void stop();

private slots:
    void listen();
    void acceptConnections();

private:
    explicit Rf21xControlChannel(const QString& path);

    QString m_path;
    QLocalServer* m_server = nullptr;
};
