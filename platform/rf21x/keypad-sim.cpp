// keypad-sim: sends command lines to the simulated receiver of a running program.
//   keypad-sim key 7 AB        one command from the arguments
//   keypad-sim < lines.txt     one command per line from standard input

#include "Rf21xAnswerKey.h"
#include "Rf21xControlChannel.h"
#include "Rf21xSimulator.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QTextStream>

namespace {

const int kTimeoutMs = 3000;

// Exit statuses.
const int kAllAccepted = 0;
const int kSomeRefused = 1;
const int kNotSent = 2;

QString usage(const QString& socket)
{
    const auto seconds = [](int ms) { return QString::number(ms / 1000.0, 'f', 1); };
    return QStringLiteral(
               "usage: keypad-sim COMMAND [ARGS...]   send one command to the simulated receiver of the running TAV\n"
               "       keypad-sim < FILE              send one command per line of standard input\n"
               "\n"
               "commands:\n"
               "  plug | unplug          plug the receiver in or pull it out (TAV notices within about a second)\n"
               "  serial S               serial number the receiver reports the next time TAV opens it\n"
               "  key ID DATA [QUIZNO]   keypad ID answers DATA (A, ACD, 42, ...) to question QUIZNO (default 1)\n"
               "  rush ID                keypad ID presses its rush key\n"
               "  teacher KEY            the teacher remote presses KEY: power, mode, question, up, down, ok,\n"
               "                         start/pause, stop, report, result or f1\n"
               "  setid TEXT             the receiver's reply to a set-keypad-id request (Success or Fail)\n"
               "  raw TYPE               a message of type TYPE without data (1 teacher, 2 keypad, 3 set-id)\n"
               "  auto N                 keypads 1 to N answer by themselves (at most %1; auto 0 stops them):\n"
               "                         whenever TAV starts answering, each of them answers every question\n"
               "                         once (a quiz of K questions gets K answers from each keypad), at its\n"
               "                         own moment %2 to %3 s after the start, in the form asked: one letter\n"
               "                         for single choice (A or B mostly, the keys of the yes/no, vote and\n"
               "                         evaluation cards, now and then C or D), two or three letters for\n"
               "                         multiple choice, 0-99 for numbers; most keypads agree on an answer\n"
               "                         to each question. A quiz on the paper the local web service served\n"
               "                         last since TAV started is answered as its key asks, each item in its\n"
               "                         own form (one letter, several or a number): most items right for half\n"
               "                         to four fifths of the keypads, about one in four mostly wrong;\n"
               "                         question by question the keypads follow the paper's order, mostly\n"
               "                         forward (the key: %8). When TAV stops answering, the answers not\n"
               "                         given yet are dropped. When TAV sets a keypad id, the receiver replies\n"
               "                         Success after %4 s; the keypad with that id presses a letter %5 s\n"
               "                         after TAV starts answering again and answers under that id from then\n"
               "                         on, also after TAV restarts (the ids are kept in %7). TAV takes\n"
               "                         answers only from keypads bound to students of the chosen class.\n"
               "\n"
               "Each command prints the receiver's reply, OK or ERR and the reason. Exit status: 0 when every\n"
               "command was accepted, 1 when one was refused, 2 when nothing could be sent.\n"
               "socket: $TAV_RF21X_SOCKET, or rf21x-sim.sock in the program directory; here %6\n")
        .arg(Rf21xSimulator::kMaxAutoKeypads)
        .arg(seconds(Rf21xSimulator::kAutoAnswerMinMs),
             seconds(Rf21xSimulator::kAutoAnswerMinMs + Rf21xSimulator::kAutoAnswerSpreadMs),
             seconds(Rf21xSimulator::kSetIdReplyMs), seconds(Rf21xSimulator::kSetIdPressMs), socket,
             Rf21xControlChannel::numbersPath(), Rf21xAnswerKey::servedPath());
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    const QString path = Rf21xControlChannel::socketPath();
    if (args.value(0) == QLatin1String("-h") || args.value(0) == QLatin1String("--help")) {
        out << usage(path);
        return kAllAccepted;
    }

    // A command from the arguments is checked here, so that a typing error gets the usage, TAV running or not.
    const bool fromArguments = !args.isEmpty();
    const QByteArray argumentLine = args.join(QLatin1Char(' ')).toUtf8();
    if (fromArguments) {
        Rf21xSimulator::Command command;
        QByteArray error;
        if (!Rf21xSimulator::parse(argumentLine, &command, &error)) {
            err << "keypad-sim: " << error.mid(4) << "\n\n" << usage(path);
            return kNotSent;
        }
    }

    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kTimeoutMs)) {
        // No socket file, or one left behind by a program that ended.
        if (socket.error() == QLocalSocket::ServerNotFoundError
            || socket.error() == QLocalSocket::ConnectionRefusedError)
            err << "keypad-sim: no running TAV at " << path << "\n\n" << usage(path);
        else
            err << "keypad-sim: cannot reach TAV at " << path << ": " << socket.errorString() << "\n";
        return kNotSent;
    }

    QFile input;
    if (!fromArguments && !input.open(stdin, QIODevice::ReadOnly)) {
        err << "keypad-sim: cannot read standard input\n";
        return kNotSent;
    }

    bool allAccepted = true;
    while (true) {
        QByteArray line;
        if (fromArguments) {
            line = argumentLine;
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
                return kNotSent;
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
    return allAccepted ? kAllAccepted : kSomeRefused;
}
