// The start of the built TAV as a teacher meets it, timed from outside the program: from the process start to
// the login dialog's first paint, to the version check's request, to the automatic login's request (sent after
// the read-through's verdict) and to the tool bar, and the longest freeze of the interface thread from the login
// dialog's first paint to the tool bar, with a database of one lesson and with 200 and 1000 stored lessons
// besides (a term without the school's service). Each start follows the last run's end: a clean exit (the
// teacher closes the program) or a killed one. The figures are the medians of the rounds after a first start
// that is not counted (it warms the file system's cache, as a machine in use has it); with --cold, the same from
// a cold start, the whole machine's page cache dropped before each (root only); then the one-lesson file with a
// large school's login (100,000 students to store); last, the one-lesson file held by another program (a database
// browser in a write transaction) for the first 3 s of each start. The usage is in kUsage below.

#include "BenchLessons.h"
#include "BenchSupport.h"
#include "DbTestSupport.h"
#include "OtherProgram.h"
#include "ProgramDirCopy.h"
#include "TAVDatabase.h"
#include "TavWebService.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

const char* const kUsage
    = "usage: BenchStartUp [--rounds N] [--lessons N[,N...]] [--after clean|killed] [--program DIR ...]\n"
      "                    [--keep DIR] [--cold]\n"
      "Starts the built TAV again and again up to its tool bar (6 starts a database and program, 6 more for a\n"
      "large school's login), against a local web service of its own, and prints each figure beside its goal.\n"
      "Minutes: under a load of 55 on 8 cores, two databases took 8. The first run writes the databases\n"
      "beside the benchmark (or in --keep DIR): about 160 MB for 200 lessons and 800 MB for 1000, which takes\n"
      "longer than the starts. --cold adds as many cold starts.\n"
      "  --rounds N         starts counted per database and program (default 5), after one that is not\n"
      "  --lessons N,...    stored lessons of the larger databases (default 200,1000; a one-lesson file always)\n"
      "  --after killed     each start follows a killed run instead of a clean exit\n"
      "  --program DIR      a program directory to copy (default build/bin); given twice or more, say with that\n"
      "                     of an earlier build, the programs start in turns in every round, so that the\n"
      "                     machine's load meets them alike\n"
      "  --keep DIR         the databases are kept in DIR and taken from there when they are there already\n"
      "                     (default: beside the benchmark)\n"
      "  --cold             also cold starts: empties the WHOLE MACHINE's page cache (as root, through\n"
      "                     /proc/sys/vm/drop_caches) before each of them, once per round, database and program,\n"
      "                     which slows every other program on the machine for a while\n"
      "  --help             this text\n";

const int kWaitMs = 120000;
// Goals: the interface never freezes for long from the login dialog's first paint to the tool bar, and the start
// costs little beyond reading the file through.
const qint64 kFreezeGoalMs = 250;
const qint64 kBeyondReadThroughGoalMs = 1500;

// Milliseconds after the process start; -1 when it was not seen.
struct Start
{
    qint64 painted = -1;
    qint64 version = -1;
    qint64 login = -1;
    qint64 toolbar = -1;
    qint64 freeze = -1; // the longest, in ms
    qint64 readThrough = -1; // its own length, in ms, from the program's log
    qint64 beyond = -1; // toolbar less readThrough, and less the time another program held the file
    qint64 released = 0; // when another program let go of the file
};

// The database of `stored` lessons, with the demo teacher's login saved for the automatic login, in FILE.
bool makeDatabase(int stored, const QString& file)
{
    if (BenchLessons::writeStore(stored) < 0)
        return false;
    const QByteArray password = QCryptographicHash::hash("tav123456", QCryptographicHash::Md5).toHex();
    const bool saved = DbTestSupport::runOutside(
        QStringLiteral("update TAV_AppInfo set autologin = 1, loginusername = ?, password = ?"),
        { QStringLiteral("teacher01"), QString::fromLatin1(password) });
    TAVDatabase::getInstance()->closeLocalDb();
    QFile::remove(file);
    return saved && QFile::rename(TAVDatabase::databasePath(), file);
}

qint64 firstRequest(const TavWebService& service, const QString& path, qint64 since)
{
    for (const WebRequest& request : service.requestsTo(path)) {
        if (request.time.toMSecsSinceEpoch() >= since)
            return request.time.toMSecsSinceEpoch() - since;
    }
    return -1;
}

// The figure after "<what> " in the clock file, less `since`; -1 when it is not there yet.
qint64 clockFigure(const QString& clock, const QByteArray& what, qint64 since)
{
    QFile file(clock);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray head = what + ' ';
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith(head))
            return line.mid(head.size()).toLongLong() - since;
    }
    return -1;
}

// The length of the last read-through the program logged.
qint64 lastReadThrough(const ProgramDirCopy& copy)
{
    static const QRegularExpression figure(QStringLiteral("read through in (\\d+) ms"));
    const QStringList lines = copy.logLines();
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QRegularExpressionMatch match = figure.match(*it);
        if (match.hasMatch())
            return match.captured(1).toLongLong();
    }
    return -1;
}

// Empties the page cache, so that the program reads its file from the disk; false when not permitted.
bool dropCaches()
{
    ::sync();
    QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
    return drop.open(QIODevice::WriteOnly) && drop.write("3\n") == 2;
}

// One start of TAV in the copy, up to the tool bar, then ended as `clean` says; from a cold cache if asked; with
// the file held by another program for its first heldMs if asked.
Start startOnce(ProgramDirCopy& copy, const TavWebService& service, bool clean, bool cold, int heldMs = 0)
{
    const QString clock = copy.filePath(QStringLiteral("startup-clock"));
    QFile::remove(clock);
    QFile::remove(clock + QStringLiteral(".quit"));
    qputenv("TAV_BENCH_CLOCK", QFile::encodeName(clock));
    (void)QTest::qWaitFor([&] { return copy.segmentUnattached(); }, kWaitMs);
    Start s;
    if (cold)
        dropCaches();
    std::unique_ptr<OtherProgram> other;
    if (heldMs > 0)
        other = std::make_unique<OtherProgram>(OtherProgram::Write, copy.filePath(QStringLiteral("TAVSqlite.db")));
    const qint64 t0 = QDateTime::currentMSecsSinceEpoch();
    QProcess* tav = copy.start(QStringLiteral("TAV"));
    (void)QTest::qWaitFor(
        [&] {
            if (other && other->isHeld() && other->heldMs() >= heldMs) {
                other->release();
                s.released = QDateTime::currentMSecsSinceEpoch() - t0;
            }
            s.painted = clockFigure(clock, "painted", t0);
            s.version = firstRequest(service, QStringLiteral("/bizserver/version/get"), t0);
            s.login = firstRequest(service, QStringLiteral("/tav/fastenMachine/tokenLogin"), t0);
            s.toolbar = clockFigure(clock, "toolbar", t0);
            s.freeze = clockFigure(clock, "freeze", 0);
            return (s.painted >= 0 && s.version >= 0 && s.login >= 0 && s.toolbar >= 0 && s.freeze >= 0)
                || tav->state() == QProcess::NotRunning;
        },
        kWaitMs);
    s.readThrough = lastReadThrough(copy);
    s.beyond = s.toolbar >= 0 && s.readThrough >= 0 ? s.toolbar - s.released - s.readThrough : -1;
    if (clean) {
        QFile quit(clock + QStringLiteral(".quit"));
        quit.open(QIODevice::WriteOnly);
        quit.close();
        if (!tav->waitForFinished(kWaitMs))
            std::fprintf(stderr, "TAV did not end cleanly\n");
    }
    tav->kill();
    tav->waitForFinished(kWaitMs);
    return s;
}

// The median, lowest and highest of a figure; with a goal, the verdict on the highest.
bool printFigure(const char* what, const QVector<Start>& starts, qint64 Start::*field, qint64 goalMs = -1)
{
    QVector<qint64> values;
    for (const Start& s : starts)
        values << s.*field;
    const qint64 highest = BenchSupport::percentile(values, 1);
    const bool pass = goalMs < 0 || highest < goalMs;
    std::printf("    %-48s %7lld ms  (%lld to %lld)", what, static_cast<long long>(BenchSupport::median(values)),
                static_cast<long long>(BenchSupport::percentile(values, 0)), static_cast<long long>(highest));
    if (goalMs >= 0)
        std::printf("  goal: highest under %lld ms  %s", static_cast<long long>(goalMs), pass ? "PASS" : "FAIL");
    std::printf("\n");
    return pass;
}

// A copy of the program directory with the database in its place and the ini file pointing at the service.
bool prepare(ProgramDirCopy& copy, const QString& database, const TavWebService& service)
{
    if (!copy.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(copy.errorString()));
        return false;
    }
    QFile ini(copy.filePath(QStringLiteral("conf/TAVConfig.ini")));
    if (!QFile::copy(database, copy.filePath(QStringLiteral("TAVSqlite.db")))
        || !ini.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || ini.write(QStringLiteral("[ClientInfo]\nDomain=127.0.0.1\nServerPort=%1\nhdType=rf228\n")
                         .arg(service.port())
                         .toLatin1())
            < 0) {
        std::fprintf(stderr, "cannot place the database and the ini file\n");
        return false;
    }
    return true;
}

// Each program's starts on the database, in paired rounds: every round starts each program once, in turns.
// Returns the number of failures (a start that did not reach the tool bar, a goal missed).
int measure(const QStringList& programs, const QString& database, int rounds, bool clean, bool cold, int students = 0,
            int heldMs = 0)
{
    TavWebService service;
    std::vector<std::unique_ptr<ProgramDirCopy>> copies;
    if (!service.loadDataFile(QStringLiteral(TAV_BIN_DIR "/webservice/demo.json")) || !service.start()) {
        std::fprintf(stderr, "the local web service does not start\n");
        return 1;
    }
    if (students > 0) {
        QJsonArray list;
        for (int i = 0; i < students; ++i) {
            list.append(QJsonObject { { "username", QString::number(3000000000LL + i) },
                                      { "name", QStringLiteral("学生") },
                                      { "sn", QString::number(i % 60 + 1) },
                                      { "baseStationID", QStringLiteral("RF21X00001") } });
        }
        service.setData(TavWebService::reshaped(service.data(), QStringLiteral("classes/1/students"), list));
    }
    service.setVersionReply(QStringLiteral("1.0.0"), QString(), false);
    qputenv("TAV_HTTP_PROXY", service.hostPort().toLatin1());
    qputenv("QT_PLUGIN_PATH", TAV_BENCH_PLUGINS);
    qputenv("QT_QPA_GENERIC_PLUGINS", "tavstartupclock");
    for (const QString& program : programs) {
        copies.push_back(std::make_unique<ProgramDirCopy>(QStringLiteral("bin"), program));
        if (!prepare(*copies.back(), database, service))
            return 1;
        startOnce(*copies.back(), service, clean, false, heldMs);
    }
    QVector<QVector<Start>> starts(programs.size());
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < programs.size(); ++turn) {
            const int which = (round + turn) % programs.size();
            const Start s = startOnce(*copies.at(which), service, clean, cold, heldMs);
            if (s.painted < 0 || s.version < 0 || s.login < 0 || s.toolbar < 0 || s.freeze < 0) {
                std::fprintf(stderr, "a start did not reach the tool bar (%lld %lld %lld %lld ms)\n",
                             static_cast<long long>(s.painted), static_cast<long long>(s.version),
                             static_cast<long long>(s.login), static_cast<long long>(s.toolbar));
                return 1;
            }
            starts[which] << s;
        }
    }
    std::printf("%s, %.1f MB%s%s, median of %d %s starts after a %s exit (lowest to highest), load %s:\n",
                qPrintable(QFileInfo(database).fileName()), QFileInfo(database).size() / 1e6,
                students > 0 ? qPrintable(QStringLiteral(", a login of %1 students").arg(students)) : "",
                heldMs > 0 ? qPrintable(QStringLiteral(", held by another program for %1 ms").arg(heldMs)) : "", rounds,
                cold ? "cold" : "warm", clean ? "clean" : "killed", qPrintable(BenchSupport::loadAverage()));
    int failures = 0;
    for (int i = 0; i < programs.size(); ++i) {
        std::printf("  %s\n", qPrintable(programs.at(i)));
        printFigure("login dialog painted", starts.at(i), &Start::painted);
        printFigure("version check's request", starts.at(i), &Start::version);
        printFigure("automatic login's request (after the verdict)", starts.at(i), &Start::login);
        printFigure("read-through of the file (worker thread)", starts.at(i), &Start::readThrough);
        printFigure("tool bar shown", starts.at(i), &Start::toolbar);
        if (heldMs > 0)
            printFigure("the other program let go of the file", starts.at(i), &Start::released);
        failures += printFigure(heldMs > 0 ? "tool bar shown, less the hold and the read-through"
                                           : "tool bar shown, less the read-through",
                                starts.at(i), &Start::beyond, kBeyondReadThroughGoalMs)
            ? 0
            : 1;
        failures += printFigure("longest freeze, first paint to tool bar", starts.at(i), &Start::freeze, kFreezeGoalMs)
            ? 0
            : 1;
    }
    std::fflush(stdout);
    return failures;
}

} // namespace

int main(int argc, char* argv[])
{
    // Read before anything starts: a wrong word only prints the usage.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::printf("%s", kUsage);
        return 0;
    }
    const QStringList withValue { QStringLiteral("--rounds"), QStringLiteral("--lessons"), QStringLiteral("--after"),
                                  QStringLiteral("--program"), QStringLiteral("--keep") };
    // The copy of itself that holds the file takes arguments of its own.
    for (int i = 0; i < args.size() && !OtherProgram::isChild(argc, argv); ++i) {
        if (withValue.contains(args.at(i)) && i + 1 < args.size())
            ++i;
        else if (args.at(i) != QLatin1String("--cold")) {
            std::fprintf(stderr, "BenchStartUp: %s is not an option here\n%s", qPrintable(args.at(i)), kUsage);
            return 2;
        }
    }
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(c, v);
        if (OtherProgram::isChild(c, v))
            return OtherProgram::holdInChild(c, v);
        BenchSupport::hideDebugLines();
        int rounds = 5;
        QList<int> lessons { 200, 1000 };
        bool clean = true;
        const bool cold = app.arguments().contains(QStringLiteral("--cold"));
        QStringList programs;
        QString keep = QCoreApplication::applicationDirPath();
        const QStringList args = app.arguments().mid(1);
        for (int i = 0; i + 1 < args.size(); ++i) {
            if (args.at(i) == QLatin1String("--rounds"))
                rounds = qMax(1, args.at(i + 1).toInt());
            else if (args.at(i) == QLatin1String("--lessons")) {
                lessons.clear();
                for (const QString& n : args.at(i + 1).split(QLatin1Char(',')))
                    lessons << qMax(0, n.toInt());
            } else if (args.at(i) == QLatin1String("--after"))
                clean = args.at(i + 1) != QLatin1String("killed");
            else if (args.at(i) == QLatin1String("--program"))
                programs << QFileInfo(args.at(i + 1)).absoluteFilePath();
            else if (args.at(i) == QLatin1String("--keep"))
                keep = QFileInfo(args.at(i + 1)).absoluteFilePath();
        }
        QStringList databases { keep + QStringLiteral("/one-lesson.db") };
        for (int n : lessons)
            databases << keep + QStringLiteral("/stored-lessons-%1.db").arg(n);
        lessons.prepend(0);
        std::printf("load average %s\n", qPrintable(BenchSupport::loadAverage()));
        std::fflush(stdout);
        for (int i = 0; i < databases.size(); ++i) {
            if (!QFileInfo::exists(databases.at(i)) && !makeDatabase(lessons.at(i), databases.at(i))) {
                std::fprintf(stderr, "cannot write the databases\n");
                return 1;
            }
        }
        if (programs.isEmpty())
            programs << QStringLiteral(TAV_BIN_DIR);
        int failures = 0;
        for (const QString& database : databases)
            failures += measure(programs, database, rounds, clean, false);
        if (!cold) {
            std::printf("cold starts not measured (--cold measures them, emptying the machine's page cache)\n");
        } else if (::access("/proc/sys/vm/drop_caches", W_OK) != 0) {
            std::printf("cold starts not measured: the page cache cannot be dropped here (it takes root)\n");
        } else {
            std::printf("cold starts: the machine's page cache is emptied before each of %d starts\n",
                        int(databases.size() * programs.size()) * rounds);
            std::fflush(stdout);
            for (const QString& database : databases)
                failures += measure(programs, database, rounds, clean, true);
        }
        failures += measure(programs, databases.first(), rounds, clean, false, 100000);
        failures += measure(programs, databases.first(), rounds, clean, false, 0, 3000);
        std::printf("load average: %s\n", qPrintable(BenchSupport::loadAverage()));
        std::printf("%s: %d figure(s) missed their goal\n", failures == 0 ? "PASS" : "FAIL", failures);
        return failures == 0 ? 0 : 1;
    });
}
