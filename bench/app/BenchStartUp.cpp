// The start of the built TAV as a teacher meets it, timed from outside the program: from the process start to
// the login dialog's first paint, to the version check's request, to the automatic login's request (sent after
// the read-through's verdict) and to the tool bar, and the longest freeze of the interface thread from the login
// dialog's first paint until the tool bar has been painted, with a database of one lesson and with 200 and 1000 stored
// lessons besides (a term without the school's service). Each start follows the last run's end: a clean exit (the
// teacher closes the program) or a killed one. The figures are the medians of the rounds after a first start
// that is not counted (it warms the file system's cache, as a machine in use has it); with --cold, the same from
// a cold start, the whole machine's page cache dropped before each (root only); then the one-lesson file held by
// another program (a database browser in a write transaction) for the first 3 s of each start; last, the login on
// the one-lesson file as a laptop and a large school meet it: on a hard disk whose every fsync takes 20 ms longer
// (libtav-slow-fsync.so preloaded into TAV), with 100,000 students to store, both, and the offline login of that
// school (stored by an online login before, the service then out of reach and the question answered), each against
// the goal for the longest freeze of the interface thread from the login dialog's first paint until the tool bar
// has been painted, with the fsyncs the interface thread makes meanwhile on the slow disk; the demo login on the
// disk as it is runs in turns with them as the reference that shows what the machine's load makes of a freeze.
// The usage is in kUsage below.

#include "BenchLessons.h"
#include "BenchSupport.h"
#include "BenchVerdict.h"
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
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTest>

#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

const char* const kUsage
    = "usage: BenchStartUp [--rounds N] [--lessons N[,N...]] [--after clean|killed] [--program DIR ...]\n"
      "                    [--keep DIR] [--cold] [--fsync-delay MS] [--login-only]\n"
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
      "  --fsync-delay MS   how much slower every fsync of the laptop's disk is in the login's starts (default 20)\n"
      "  --login-only       only the login's starts on the one-lesson file\n"
      "  --help             this text\n";

const int kWaitMs = 120000;
// Goals: the interface never freezes for long from the login dialog's first paint to the tool bar, and the start
// costs little beyond reading the file through.
const qint64 kFreezeGoalMs = 250;
const qint64 kBeyondReadThroughGoalMs = 1500;
const int kLargeSchool = 100000;
// The large school's students are in the second demo class, which the tool bar shows (taught in one subject, so
// they come once in the reply).
const int kLargeClass = 102;

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
    qint64 fsyncs = -1; // the interface thread's, with the slowed fsync only
    qint64 fsyncMs = -1;
};

// What a start of TAV meets: the disk as it is, or every fsync slowed by fsyncDelayMs; the service, or none (the
// login then goes offline once the question is answered); the file held by another program for its first heldMs.
struct Conditions
{
    int fsyncDelayMs = 0;
    bool offline = false;
    int heldMs = 0;
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

// The interface thread's fsyncs and their milliseconds from the clock file's "fsyncs <count> <ms>".
void clockFsyncs(const QString& clock, Start* s)
{
    QFile file(clock);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd()) {
        const QList<QByteArray> words = file.readLine().trimmed().split(' ');
        if (words.size() == 3 && words.at(0) == "fsyncs") {
            s->fsyncs = words.at(1).toLongLong();
            s->fsyncMs = words.at(2).toLongLong();
        }
    }
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

// One start of TAV in the copy, up to the tool bar, then ended as `clean` says; from a cold cache if asked, in the
// conditions given.
Start startOnce(ProgramDirCopy& copy, const TavWebService& service, bool clean, bool cold,
                Conditions conditions = Conditions())
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
    if (conditions.heldMs > 0)
        other = std::make_unique<OtherProgram>(OtherProgram::Write, copy.filePath(QStringLiteral("TAVSqlite.db")));
    if (conditions.fsyncDelayMs > 0) {
        qputenv("LD_PRELOAD", TAV_SLOW_FSYNC);
        qputenv("TAV_FSYNC_DELAY_MS", QByteArray::number(conditions.fsyncDelayMs));
    }
    const QByteArray proxy = qgetenv("TAV_HTTP_PROXY");
    if (conditions.offline)
        qunsetenv("TAV_HTTP_PROXY");
    const qint64 t0 = QDateTime::currentMSecsSinceEpoch();
    QProcess* tav = copy.start(QStringLiteral("TAV"));
    qunsetenv("LD_PRELOAD");
    qunsetenv("TAV_FSYNC_DELAY_MS");
    qputenv("TAV_HTTP_PROXY", proxy);
    (void)QTest::qWaitFor(
        [&] {
            if (other && other->isHeld() && other->heldMs() >= conditions.heldMs) {
                other->release();
                s.released = QDateTime::currentMSecsSinceEpoch() - t0;
            }
            s.painted = clockFigure(clock, "painted", t0);
            s.version = firstRequest(service, QStringLiteral("/bizserver/version/get"), t0);
            s.login = firstRequest(service, QStringLiteral("/tav/fastenMachine/tokenLogin"), t0);
            s.toolbar = clockFigure(clock, "toolbar", t0);
            s.freeze = clockFigure(clock, "freeze", 0);
            const bool requested = conditions.offline || (s.version >= 0 && s.login >= 0);
            return (s.painted >= 0 && requested && s.toolbar >= 0 && s.freeze >= 0)
                || tav->state() == QProcess::NotRunning;
        },
        kWaitMs);
    clockFsyncs(clock, &s);
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

// The demo data with `students` students in its second class, kLargeClass.
QJsonObject largeSchool(const QJsonObject& demo, int students)
{
    QJsonArray list;
    for (int i = 0; i < students; ++i) {
        list.append(QJsonObject { { "username", QString::number(3000000000LL + i) },
                                  { "name", QStringLiteral("学生") },
                                  { "sn", QString::number(i % 60 + 1) },
                                  { "baseStationID", QStringLiteral("RF21X00001") } });
    }
    return TavWebService::reshaped(demo, QStringLiteral("classes/1/students"), list);
}

// The service answers the version check with no update, and the TAVs started from now on go through it, with the
// clock loaded.
void serve(TavWebService& service)
{
    service.setVersionReply(QStringLiteral("1.0.0"), QString(), false);
    qputenv("TAV_HTTP_PROXY", service.hostPort().toLatin1());
    qputenv("QT_PLUGIN_PATH", TAV_BENCH_PLUGINS);
    qputenv("QT_QPA_GENERIC_PLUGINS", "tavstartupclock");
}

// The copy's ini file points at the loopback port.
bool pointAt(ProgramDirCopy& copy, int port)
{
    QFile ini(copy.filePath(QStringLiteral("conf/TAVConfig.ini")));
    return ini.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && ini.write(
               QStringLiteral("[ClientInfo]\nDomain=127.0.0.1\nServerPort=%1\nhdType=rf228\n").arg(port).toLatin1())
        >= 0;
}

// The class box of the copy's next start chooses the class (it was the one used last).
bool chooseClass(ProgramDirCopy& copy, int classID)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-choice"));
        db.setDatabaseName(copy.filePath(QStringLiteral("TAVSqlite.db")));
        QSqlQuery query(db);
        ok = db.open() && query.prepare(QStringLiteral("update TAV_AppInfo set lastclass = ?"));
        query.addBindValue(classID);
        ok = ok && query.exec();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-choice"));
    return ok;
}

// A loopback port nothing listens on.
int deadPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 1;
    const int port = probe.serverPort();
    probe.close();
    return port;
}

// A copy of the program directory with the database in its place and the ini file pointing at the service.
bool prepare(ProgramDirCopy& copy, const QString& database, const TavWebService& service)
{
    if (!copy.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(copy.errorString()));
        return false;
    }
    if (!QFile::copy(database, copy.filePath(QStringLiteral("TAVSqlite.db"))) || !pointAt(copy, service.port())) {
        std::fprintf(stderr, "cannot place the database and the ini file\n");
        return false;
    }
    return true;
}

// Each program's starts on the database, in paired rounds: every round starts each program once, in turns.
// Returns the number of failures (a start that did not reach the tool bar, a goal missed).
int measure(const QStringList& programs, const QString& database, int rounds, bool clean, bool cold, int heldMs = 0)
{
    TavWebService service;
    std::vector<std::unique_ptr<ProgramDirCopy>> copies;
    Conditions held;
    held.heldMs = heldMs;
    if (!service.loadDataFile(QStringLiteral(TAV_BIN_DIR "/webservice/demo.json")) || !service.start()) {
        std::fprintf(stderr, "the local web service does not start\n");
        return 1;
    }
    serve(service);
    for (const QString& program : programs) {
        copies.push_back(std::make_unique<ProgramDirCopy>(QStringLiteral("bin"), program));
        if (!prepare(*copies.back(), database, service))
            return 1;
        startOnce(*copies.back(), service, clean, false, held);
    }
    QVector<QVector<Start>> starts(programs.size());
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < programs.size(); ++turn) {
            const int which = (round + turn) % programs.size();
            const Start s = startOnce(*copies.at(which), service, clean, cold, held);
            if (s.painted < 0 || s.version < 0 || s.login < 0 || s.toolbar < 0 || s.freeze < 0) {
                std::fprintf(stderr, "a start did not reach the tool bar (%lld %lld %lld %lld ms)\n",
                             static_cast<long long>(s.painted), static_cast<long long>(s.version),
                             static_cast<long long>(s.login), static_cast<long long>(s.toolbar));
                return 1;
            }
            starts[which] << s;
        }
    }
    std::printf("%s, %.1f MB%s, median of %d %s starts after a %s exit (lowest to highest), load %s:\n",
                qPrintable(QFileInfo(database).fileName()), QFileInfo(database).size() / 1e6,
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
        failures += printFigure("longest freeze, first paint to tool bar painted", starts.at(i), &Start::freeze,
                                kFreezeGoalMs)
            ? 0
            : 1;
    }
    std::fflush(stdout);
    return failures;
}

// The login as a laptop and a large school meet it, on the database given: in every round each program starts once
// in each of the settings, in turns, so that the machine's load meets them alike. The number of failures.
int measureLogin(const QStringList& programs, const QString& database, int rounds, int fsyncDelayMs)
{
    struct Setting
    {
        QString name;
        int students;
        Conditions conditions;
        bool judged;
    };
    const QString slow = QStringLiteral("every fsync %1 ms slower").arg(fsyncDelayMs);
    const QVector<Setting> settings {
        { QStringLiteral("the demo login, the disk as it is (reference)"), 0, Conditions(), false },
        { QStringLiteral("the demo login, %1").arg(slow), 0, Conditions { fsyncDelayMs, false }, true },
        { QStringLiteral("a login of %1 students, the disk as it is").arg(kLargeSchool), kLargeSchool, Conditions(),
          true },
        { QStringLiteral("a login of %1 students, %2").arg(kLargeSchool).arg(slow), kLargeSchool,
          Conditions { fsyncDelayMs, false }, true },
        { QStringLiteral("an offline login of %1 students, the disk as it is").arg(kLargeSchool), kLargeSchool,
          Conditions { 0, true }, true },
    };
    if (fsyncDelayMs > 0 && !QFileInfo::exists(QStringLiteral(TAV_SLOW_FSYNC))) {
        std::fprintf(stderr, "the slowed fsync is not built: %s\n", TAV_SLOW_FSYNC);
        return 1;
    }

    TavWebService service;
    if (!service.loadDataFile(QStringLiteral(TAV_BIN_DIR "/webservice/demo.json")) || !service.start()) {
        std::fprintf(stderr, "the local web service does not start\n");
        return 1;
    }
    const QJsonObject demo = service.data();
    const QJsonObject large = largeSchool(demo, kLargeSchool);
    serve(service);
    // Each program has a copy for the logins online and one for the offline login, whose file holds the large
    // school from an online login before and whose ini file then points where nothing answers.
    std::vector<std::unique_ptr<ProgramDirCopy>> copies;
    std::vector<std::unique_ptr<ProgramDirCopy>> offlineCopies;
    for (const QString& program : programs) {
        copies.push_back(std::make_unique<ProgramDirCopy>(QStringLiteral("bin"), program));
        offlineCopies.push_back(std::make_unique<ProgramDirCopy>(QStringLiteral("bin"), program));
        if (!prepare(*copies.back(), database, service) || !prepare(*offlineCopies.back(), database, service)
            || !chooseClass(*copies.back(), kLargeClass) || !chooseClass(*offlineCopies.back(), kLargeClass))
            return 1;
        startOnce(*copies.back(), service, true, false);
        service.setData(large);
        startOnce(*offlineCopies.back(), service, true, false);
        service.setData(demo);
        if (!pointAt(*offlineCopies.back(), deadPort()))
            return 1;
    }
    // starts[program][setting]
    QVector<QVector<QVector<Start>>> starts(programs.size(), QVector<QVector<Start>>(settings.size()));
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < programs.size() * settings.size(); ++turn) {
            const int at = (round + turn) % (programs.size() * settings.size());
            const int which = at % programs.size();
            const int setting = at / programs.size();
            const Setting& how = settings.at(setting);
            service.setData(how.students > 0 ? large : demo);
            const Start s = startOnce(how.conditions.offline ? *offlineCopies.at(which) : *copies.at(which), service,
                                      true, false, how.conditions);
            if (s.toolbar < 0 || s.freeze < 0) {
                std::fprintf(stderr, "a start did not reach the tool bar (%s)\n",
                             qPrintable(settings.at(setting).name));
                return 1;
            }
            starts[which][setting] << s;
        }
    }
    service.setData(demo);

    std::printf("the login on %s, %d rounds, every setting once a round in turns (load %s):\n",
                qPrintable(QFileInfo(database).fileName()), rounds, qPrintable(BenchSupport::loadAverage()));
    BenchVerdict verdict;
    for (int i = 0; i < programs.size(); ++i) {
        std::printf("  %s\n", qPrintable(programs.at(i)));
        for (int k = 0; k < settings.size(); ++k) {
            const QVector<Start>& runs = starts.at(i).at(k);
            QVector<qint64> freezes;
            QVector<qint64> fsyncs;
            QVector<qint64> fsyncMs;
            for (const Start& s : runs) {
                freezes << s.freeze;
                fsyncs << s.fsyncs;
                fsyncMs << s.fsyncMs;
            }
            const qint64 highest = BenchSupport::percentile(freezes, 1);
            const QString figure = QStringLiteral("    longest freeze, %1 (median %2 ms, lowest %3 ms)")
                                       .arg(settings.at(k).name)
                                       .arg(BenchSupport::median(freezes))
                                       .arg(BenchSupport::percentile(freezes, 0));
            if (settings.at(k).judged)
                verdict.holds(figure, highest < kFreezeGoalMs,
                              QStringLiteral("highest %1 ms (goal: under %2 ms)").arg(highest).arg(kFreezeGoalMs));
            else
                std::printf("%s, highest: %lld ms\n", qPrintable(figure), static_cast<long long>(highest));
            if (settings.at(k).conditions.fsyncDelayMs > 0) {
                verdict.atMost(QStringLiteral("    fsyncs of the interface thread, %1 (%2 ms in them at most), most")
                                   .arg(settings.at(k).name)
                                   .arg(BenchSupport::percentile(fsyncMs, 1)),
                               BenchSupport::percentile(fsyncs, 1), QString(), 0, 0);
            }
        }
    }
    std::fflush(stdout);
    return verdict.failures();
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
    const QStringList withValue { QStringLiteral("--rounds"), QStringLiteral("--lessons"),
                                  QStringLiteral("--after"),  QStringLiteral("--program"),
                                  QStringLiteral("--keep"),   QStringLiteral("--fsync-delay") };
    // The copy of itself that holds the file takes arguments of its own.
    for (int i = 0; i < args.size() && !OtherProgram::isChild(argc, argv); ++i) {
        if (withValue.contains(args.at(i)) && i + 1 < args.size())
            ++i;
        else if (args.at(i) != QLatin1String("--cold") && args.at(i) != QLatin1String("--login-only")) {
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
        const bool loginOnly = app.arguments().contains(QStringLiteral("--login-only"));
        int fsyncDelayMs = 20;
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
            else if (args.at(i) == QLatin1String("--fsync-delay"))
                fsyncDelayMs = qMax(0, args.at(i + 1).toInt());
        }
        QStringList databases { keep + QStringLiteral("/one-lesson.db") };
        for (int n : lessons)
            databases << keep + QStringLiteral("/stored-lessons-%1.db").arg(n);
        lessons.prepend(0);
        std::printf("load average %s\n", qPrintable(BenchSupport::loadAverage()));
        std::fflush(stdout);
        // The login is measured on the first database only.
        if (loginOnly)
            databases = databases.mid(0, 1);
        for (int i = 0; i < databases.size(); ++i) {
            if (!QFileInfo::exists(databases.at(i)) && !makeDatabase(lessons.at(i), databases.at(i))) {
                std::fprintf(stderr, "cannot write the databases\n");
                return 1;
            }
        }
        if (programs.isEmpty())
            programs << QStringLiteral(TAV_BIN_DIR);
        int failures = 0;
        if (!loginOnly) {
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
            failures += measure(programs, databases.first(), rounds, clean, false, 3000);
        }
        failures += measureLogin(programs, databases.first(), rounds, fsyncDelayMs);
        std::printf("load average: %s\n", qPrintable(BenchSupport::loadAverage()));
        std::printf("%s: %d figure(s) missed their goal\n", failures == 0 ? "PASS" : "FAIL", failures);
        return failures == 0 ? 0 : 1;
    });
}
