// The start of the built TAV as a teacher meets it, timed from outside the program: from the process start to
// the login dialog's first paint, to the version check's request (sent as soon as the first borrow after the
// dialog is served) and to the automatic login's request (sent after its first write borrow), with a database
// of one lesson and with one of 200 stored lessons besides. Each start follows the last run's end: a clean exit
// (the teacher closes the program) or a killed one. The figures are the medians of the rounds after a first
// start that is not counted (it warms the file system's cache, as a machine in use has it).
//
//   build/bench-bin/BenchStartUp [--rounds N] [--lessons N] [--after clean|killed] [--program DIR ...]
//                                [--keep DIR]
//   --program: a program directory to copy (default build/bin); given twice or more, say with that of an earlier
//   build, the programs start in turns in every round, so that the machine's load meets them alike;
//   --keep: the two databases are kept in DIR and taken from there when they are there already.

#include "BenchLessons.h"
#include "BenchSupport.h"
#include "DbTestSupport.h"
#include "ProgramDirCopy.h"
#include "TAVDatabase.h"
#include "TavWebService.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

const int kWaitMs = 60000;

// Milliseconds after the process start; -1 when it was not seen.
struct Start
{
    qint64 painted = -1;
    qint64 version = -1;
    qint64 login = -1;
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

qint64 painted(const QString& clock, qint64 since)
{
    QFile file(clock);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = file.readLine().trimmed();
    return line.startsWith("painted ") ? line.mid(8).toLongLong() - since : -1;
}

// One start of TAV in the copy, up to the automatic login, then ended as `clean` says.
Start startOnce(ProgramDirCopy& copy, const TavWebService& service, bool clean)
{
    const QString clock = copy.filePath(QStringLiteral("startup-clock"));
    QFile::remove(clock);
    QFile::remove(clock + QStringLiteral(".quit"));
    qputenv("TAV_BENCH_CLOCK", QFile::encodeName(clock));
    (void)QTest::qWaitFor([&] { return copy.segmentUnattached(); }, kWaitMs);
    Start s;
    const qint64 t0 = QDateTime::currentMSecsSinceEpoch();
    QProcess* tav = copy.start(QStringLiteral("TAV"));
    (void)QTest::qWaitFor(
        [&] {
            s.painted = painted(clock, t0);
            s.version = firstRequest(service, QStringLiteral("/bizserver/version/get"), t0);
            s.login = firstRequest(service, QStringLiteral("/tav/fastenMachine/tokenLogin"), t0);
            return (s.painted >= 0 && s.version >= 0 && s.login >= 0) || tav->state() == QProcess::NotRunning;
        },
        kWaitMs);
    // The tool bar comes up after the login; the teacher then ends the program.
    QTest::qWait(1000);
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

void printFigure(const char* what, const QVector<Start>& starts, qint64 Start::*field)
{
    QVector<qint64> values;
    for (const Start& s : starts)
        values << s.*field;
    std::printf("    %-46s %7lld ms  (%lld to %lld)\n", what, static_cast<long long>(BenchSupport::median(values)),
                static_cast<long long>(BenchSupport::percentile(values, 0)),
                static_cast<long long>(BenchSupport::percentile(values, 1)));
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
int measure(const QStringList& programs, const QString& database, int rounds, bool clean)
{
    TavWebService service;
    std::vector<std::unique_ptr<ProgramDirCopy>> copies;
    if (!service.loadDataFile(QStringLiteral(TAV_BIN_DIR "/webservice/demo.json")) || !service.start()) {
        std::fprintf(stderr, "the local web service does not start\n");
        return 1;
    }
    service.setVersionReply(QStringLiteral("1.0.0"), QString(), false);
    qputenv("TAV_HTTP_PROXY", service.hostPort().toLatin1());
    qputenv("QT_PLUGIN_PATH", TAV_BENCH_PLUGINS);
    qputenv("QT_QPA_GENERIC_PLUGINS", "tavstartupclock");
    for (const QString& program : programs) {
        copies.push_back(std::make_unique<ProgramDirCopy>(QStringLiteral("bin"), program));
        if (!prepare(*copies.back(), database, service))
            return 1;
        startOnce(*copies.back(), service, clean);
    }
    QVector<QVector<Start>> starts(programs.size());
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < programs.size(); ++turn) {
            const int which = (round + turn) % programs.size();
            const Start s = startOnce(*copies.at(which), service, clean);
            if (s.painted < 0 || s.version < 0 || s.login < 0) {
                std::fprintf(stderr, "a start did not reach the automatic login (%lld %lld %lld ms)\n",
                             static_cast<long long>(s.painted), static_cast<long long>(s.version),
                             static_cast<long long>(s.login));
                return 1;
            }
            starts[which] << s;
        }
    }
    std::printf("%s, %.1f MB, median of %d starts after a %s exit (lowest to highest):\n",
                qPrintable(QFileInfo(database).fileName()), QFileInfo(database).size() / 1e6, rounds,
                clean ? "clean" : "killed");
    for (int i = 0; i < programs.size(); ++i) {
        std::printf("  %s\n", qPrintable(programs.at(i)));
        printFigure("login dialog painted", starts.at(i), &Start::painted);
        printFigure("version check's request (first borrow served)", starts.at(i), &Start::version);
        printFigure("automatic login's request (first write)", starts.at(i), &Start::login);
    }
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(c, v);
        BenchSupport::hideDebugLines();
        int rounds = 5;
        int lessons = 200;
        bool clean = true;
        QStringList programs;
        QString keep = QCoreApplication::applicationDirPath();
        const QStringList args = app.arguments().mid(1);
        for (int i = 0; i + 1 < args.size(); ++i) {
            if (args.at(i) == QLatin1String("--rounds"))
                rounds = qMax(1, args.at(i + 1).toInt());
            else if (args.at(i) == QLatin1String("--lessons"))
                lessons = qMax(0, args.at(i + 1).toInt());
            else if (args.at(i) == QLatin1String("--after"))
                clean = args.at(i + 1) != QLatin1String("killed");
            else if (args.at(i) == QLatin1String("--program"))
                programs << QFileInfo(args.at(i + 1)).absoluteFilePath();
            else if (args.at(i) == QLatin1String("--keep"))
                keep = QFileInfo(args.at(i + 1)).absoluteFilePath();
        }
        const QString one = keep + QStringLiteral("/one-lesson.db");
        const QString store = keep + QStringLiteral("/stored-lessons-%1.db").arg(lessons);
        std::printf("load average %s\n", qPrintable(BenchSupport::loadAverage()));
        std::fflush(stdout);
        if ((!QFileInfo::exists(one) && !makeDatabase(0, one))
            || (!QFileInfo::exists(store) && !makeDatabase(lessons, store))) {
            std::fprintf(stderr, "cannot write the databases\n");
            return 1;
        }
        if (programs.isEmpty())
            programs << QStringLiteral(TAV_BIN_DIR);
        int failures = measure(programs, one, rounds, clean);
        failures += measure(programs, store, rounds, clean);
        std::printf("load average: %s\n", qPrintable(BenchSupport::loadAverage()));
        return failures == 0 ? 0 : 1;
    });
}
