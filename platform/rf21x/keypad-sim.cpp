// keypad-sim: sends command lines to the simulated receiver of a running program.
//   keypad-sim key 7 AB        one command from the arguments
//   keypad-sim < lines.txt     one command per line from standard input

#include "Rf21xControlChannel.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QTextStream>

namespace {

const int kTimeoutMs = 3000;

const char kUsage[] = "usage: keypad-sim [COMMAND ARGS...]   (no arguments: one command per line from standard input)\n"
                      "commands: plug | unplug | serial S | key ID DATA [QUIZNO] | rush ID | teacher KEY |\n"
                      "          setid TEXT | raw TYPE | auto N\n"
                      "socket: $TAV_RF21X_SOCKET, or rf21x-sim.sock in the program directory\n";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("-h") || args.value(0) == QLatin1String("--help")) {
        out << kUsage;
        return 0;
    }

    const QString path = Rf21xControlChannel::socketPath();
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kTimeoutMs)) {
        err << "keypad-sim: no receiver at " << path << ": " << socket.errorString() << "\n";
        return 2;
    }

    QFile input;
    if (args.isEmpty() && !input.open(stdin, QIODevice::ReadOnly)) {
        err << "keypad-sim: cannot read standard input\n";
        return 2;
    }

    bool allAccepted = true;
    bool fromArguments = !args.isEmpty();
    while (true) {
        QByteArray line;
        if (fromArguments) {
            line = args.join(QLatin1Char(' ')).toUtf8();
        } else {
            if (input.atEnd())
                break;
            line = input.readLine().trimmed();
            if (line.isEmpty())
                continue;
        }
        socket.write(line + '\n');
        while (!socket.canReadLine()) {
            if (!socket.waitForReadyRead(kTimeoutMs)) {
                err << "keypad-sim: no reply from " << path << "\n";
                return 2;
            }
        }
        const QByteArray reply = socket.readLine().trimmed();
        out << reply << "\n";
        out.flush();
        allAccepted = allAccepted && reply == "OK";
        if (fromArguments)
            break;
    }
    socket.disconnectFromServer();
    return allAccepted ? 0 : 1;
}
