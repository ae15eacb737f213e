#include "Rf21xControlChannel.h"
#include "Rf21xSimulator.h"

#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

sockaddr_un addressOf(const QString& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    return address;
}

// A plain socket, so that nothing reads what comes back unless the test does.
int connectTo(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const sockaddr_un address = addressOf(path);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

// The simulated receiver's control channel and keypad-sim, the tool that talks to it.
class TestRf21xControlChannel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void keypadSimWithoutTavSaysSoAndShowsUsage_data();
    void keypadSimWithoutTavSaysSoAndShowsUsage();
    void keypadSimRefusesUnknownCommandWithUsage_data();
    void keypadSimRefusesUnknownCommandWithUsage();
    void keypadSimHelpExplainsAutoKeypads();
    void channelDropsClientThatNeverReads();
    void channelListensAgainAfterFailedAccept();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run keypadSim(const QStringList& args, const QString& socket = QString());
    // "plug" over a fresh connection; the reply, or empty when the channel does not answer.
    QByteArray ask(const QByteArray& line);

    QTemporaryDir m_dir;
    QString m_socket;
};

void TestRf21xControlChannel::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_socket = m_dir.filePath("rf21x.sock");
    qputenv("TAV_RF21X_SOCKET", m_socket.toUtf8());
    Rf21xControlChannel::start();
    // Listening, and logged so, when start returns: nothing of its start is logged after a program has ended.
    QVERIFY2(QFile::exists(m_socket), "the channel was not listening when start returned");
}

void TestRf21xControlChannel::init()
{
    Rf21xSimulator::instance()->reset();
}

TestRf21xControlChannel::Run TestRf21xControlChannel::keypadSim(const QStringList& args, const QString& socket)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!socket.isEmpty())
        environment.insert("TAV_RF21X_SOCKET", socket);
    process.setProcessEnvironment(environment);
    process.start(TAV_BIN_DIR "/keypad-sim", args);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray TestRf21xControlChannel::ask(const QByteArray& line)
{
    QLocalSocket socket;
    socket.connectToServer(m_socket);
    if (!socket.waitForConnected(30000))
        return QByteArray();
    socket.write(line + '\n');
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(30000))
            return QByteArray();
    }
    return socket.readLine().trimmed();
}

void TestRf21xControlChannel::keypadSimWithoutTavSaysSoAndShowsUsage_data()
{
    QTest::addColumn<bool>("leftBehind");
    QTest::newRow("no socket file") << false;
    QTest::newRow("socket file of a program that ended") << true;
}

void TestRf21xControlChannel::keypadSimWithoutTavSaysSoAndShowsUsage()
{
    QFETCH(bool, leftBehind);
    const QString path = m_dir.filePath(QString("gone-%1.sock").arg(leftBehind));
    if (leftBehind) {
        // A socket file that nobody listens on, as a program that crashed leaves it.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un address = addressOf(path);
        QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    const Run run = keypadSim({ "key", "1", "A" }, path);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.startsWith("keypad-sim: no running TAV at " + path + "\n"), qPrintable(run.err));
    QVERIFY2(run.err.contains("usage: keypad-sim COMMAND"), qPrintable(run.err));
    QVERIFY(!run.err.contains("QLocalSocket"));
}

void TestRf21xControlChannel::keypadSimRefusesUnknownCommandWithUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("reason");
    QTest::newRow("unknown command") << QStringList({ "jump", "2" })
                                     << "keypad-sim: unknown command or wrong arguments: jump 2\n";
    QTest::newRow("bad keypad id") << QStringList({ "key", "x", "A" }) << "keypad-sim: bad keypad id\n";
    QTest::newRow("too many keypads") << QStringList({ "auto", "5000" })
                                      << "keypad-sim: auto takes a keypad count from 0 to 1000\n";
}

// Told at once, whether TAV runs or not; nothing reaches the receiver.
void TestRf21xControlChannel::keypadSimRefusesUnknownCommandWithUsage()
{
    QFETCH(QStringList, args);
    QFETCH(QString, reason);
    for (const QString& socket : { m_socket, m_dir.filePath("none.sock") }) {
        const Run run = keypadSim(args, socket);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.startsWith(reason + "\nusage: keypad-sim COMMAND"), qPrintable(run.err));
    }
    QCOMPARE(Rf21xSimulator::instance()->pendingMessages(), 0);
    QCOMPARE(Rf21xSimulator::instance()->autoKeypads(), 0);
}

void TestRf21xControlChannel::keypadSimHelpExplainsAutoKeypads()
{
    const Run run = keypadSim({ "--help" });
    QCOMPARE(run.exitCode, 0);
    // Who answers (keypads 1 to N), what (in the form the start asks for), when (after a start, until a stop),
    // and how a keypad takes a new number.
    for (const char* part : { "auto N                 keypads 1 to N answer by themselves (at most 1000; auto 0",
                              "answers every question", "1.5 to 4.5 s after the start", "in the form asked",
                              "one letter for single choice", "two or three letters for multiple choice",
                              "0-99 for numbers", "the answers not given yet are dropped", "Success after 0.4 s",
                              "presses a letter 0.3 s after TAV starts answering again", "also after TAV restarts" }) {
        QVERIFY2(run.out.simplified().contains(QString(part).simplified()), part);
    }
}

// An accept that fails for want of file handles made the channel stop listening for good.
void TestRf21xControlChannel::channelListensAgainAfterFailedAccept()
{
    QCOMPARE(ask("plug"), QByteArray("OK"));

    // Use up every file handle but one, which the client takes: the channel's accept then fails.
    rlimit limit {};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit original = limit;
    QList<int> held { ::open("/dev/null", O_RDONLY) };
    QVERIFY(held.first() >= 0);
    limit.rlim_cur = rlim_t(held.first() + 64);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &limit), 0);
    for (int fd = ::dup(held.first()); fd >= 0; fd = ::dup(held.first()))
        held << fd;
    ::close(held.takeLast());
    const int client = connectTo(m_socket);
    // The channel gives up its socket file once the accept failed.
    const bool lost = QTest::qWaitFor([this] { return !QFile::exists(m_socket); }, 30000);
    if (client >= 0)
        ::close(client);
    for (int fd : qAsConst(held))
        ::close(fd);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &original), 0);
    QVERIFY(client >= 0);
    QVERIFY(lost);

    QTRY_COMPARE_WITH_TIMEOUT(ask("plug"), QByteArray("OK"), 30000);
}

// Replies kept for a client that sends and never reads grew without bound.
void TestRf21xControlChannel::channelDropsClientThatNeverReads()
{
    const int client = connectTo(m_socket);
    QVERIFY(client >= 0);
    QByteArray lines;
    for (int i = 0; i < 1000; ++i)
        lines += "plug\n";
    // Replies ("OK") far beyond what the system and the bound hold together.
    const qint64 enough = 200 * Rf21xControlChannel::kMaxUnreadReplyBytes;
    qint64 sent = 0;
    bool dropped = false;
    while (!dropped && sent < enough) {
        const ssize_t n = ::send(client, lines.constData(), size_t(lines.size()), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (errno == EAGAIN) {
            pollfd writable { client, POLLOUT, 0 };
            if (::poll(&writable, 1, 10000) == 0)
                break; // the channel reads no more and has not dropped us
        } else {
            dropped = errno == EPIPE || errno == ECONNRESET;
            break;
        }
    }
    ::close(client);
    QVERIFY2(dropped, qPrintable(QString("%1 bytes sent").arg(sent)));
    QCOMPARE(ask("plug"), QByteArray("OK")); // others are still served
}

QTEST_GUILESS_MAIN(TestRf21xControlChannel)
#include "TestRf21xControlChannel.moc"
