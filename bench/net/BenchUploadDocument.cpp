// Builds the upload document of a large lesson and reports how long it takes, for the lesson at 1x, 2x and 4x.
// At 1x: 40 interactions x 60 students, 2 sign-ins, 3 quizzes of 60 students x 50 items, each answer with one
// history entry; 2x and 4x double and quadruple the interactions and the quizzes (4x: a document of 11.5 MB).
// The rows carry the times a real lesson gives them (every keypad at its own second), not one time stamp for all.
// Each size runs in a process of its own, so that its first call is the first of a process, as in the upload
// thread after start-up; then the median of the further rounds. Every call is timed by the wall clock and by the
// CPU time of the calling thread, which a busy machine disturbs far less.
// With --instructions each size also runs once under callgrind, which counts the instructions of the first call
// and of the second: the same counts on any machine, however busy, so they show whether the work grows linearly.
//   build/bench-bin/BenchUploadDocument [--rounds N] [--scale S ...] [--instructions]
//   (default: 10 rounds, scales 1 2 4)

#include "BenchSupport.h"
#include "BenchVerdict.h"
#include "DbTestSupport.h"
#include "LessonFixture.h"
#include "TAVDatabase.h"
#include "Upload.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

const char* const kChildFlag = "TAV_BENCH_SCALE_CHILD";
const double kGoalMs = 150; // the 11.5 MB lesson (4x)
const double kAimMs = 100;
const double kLinearGoal = 1.2; // ms per MB at 4x against 1x

double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// What one size gives: wall and thread CPU ms of the first call and the median of the rounds, or instructions.
struct Figures
{
    double megabytes = 0;
    double firstWall = 0, firstCpu = 0, wall = 0, cpu = 0;
    double body = 0, written = 0;
    qint64 firstInstructions = 0, instructions = 0;
};

// One size in this process: the lesson written, then the first document and `rounds` more. Prints one line
// "figures <megabytes> <first wall> <first cpu> <median wall> <median cpu> <body> <written>" for the parent.
int runScale(int scale, int rounds)
{
    BenchSupport::hideDebugLines();
    if (!DbTestSupport::freshDatabase()) {
        std::fprintf(stderr, "cannot make the database\n");
        return 1;
    }
    LessonFixture::Shape shape;
    shape.students = 60;
    shape.signIns = 2;
    shape.interactions = 40 * scale;
    shape.quizzes = 3 * scale;
    shape.items = 50;
    QElapsedTimer clock;
    clock.start();
    const LessonFixture::Lesson lesson = LessonFixture::makeLesson(shape, QStringLiteral("数学-初二(1)班-大课"),
                                                                   QDateTime(QDate(2024, 9, 2), QTime(8, 0)));
    const double written = clock.nsecsElapsed() / 1e6;

    TAVDatabase* database = TAVDatabase::getInstance();
    QVector<double> walls, cpus;
    double firstWall = 0, firstCpu = 0, body = 0;
    QString last;
    for (int r = 0; r <= rounds; ++r) {
        // As the program's callers, each round lets the last document go before it asks for the next.
        last.clear();
        QSqlDatabase db = database->getDbCon();
        const double cpuStart = threadCpuMs();
        clock.restart();
        const QString document = Upload::getInstance()->getUploadData(db, lesson.recordID, false);
        const double wall = clock.nsecsElapsed() / 1e6;
        const double cpu = threadCpuMs() - cpuStart;
        database->closeDbCon(db);
        if (r == 0) {
            firstWall = wall;
            firstCpu = cpu;
        } else {
            walls << wall;
            cpus << cpu;
        }
        clock.restart();
        const QByteArray request = Upload::requestBody(document, QStringLiteral("1"));
        body = std::max(body, clock.nsecsElapsed() / 1e6);
        if (request.isEmpty())
            return 1;
        if (r == rounds)
            last = document;
    }
    const QString& document = last;

    // The document is written as text; it must stay the text Qt's own writer gives for the same tree.
    const QJsonDocument parsed = QJsonDocument::fromJson(document.toUtf8());
    if (QString::fromUtf8(parsed.toJson(QJsonDocument::Compact)) != document) {
        std::fprintf(stderr, "the document is NOT QJsonDocument's compact text of itself\n");
        return 1;
    }
    std::printf("figures %f %f %f %f %f %f %f\n", document.toUtf8().size() / 1e6, firstWall, firstCpu,
                BenchSupport::median(walls), BenchSupport::median(cpus), body, written);
    return 0;
}

// Runs program with args as a child of this benchmark; its standard output, or empty text when it failed.
QString runChild(const QString& program, const QStringList& args)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(kChildFlag), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setReadChannel(QProcess::StandardOutput);
    process.start(program, args);
    const bool ended = process.waitForFinished(-1);
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
    if (!ended || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), qPrintable(errors.right(2000)));
        return QString();
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

bool readFigures(const QString& output, Figures* figures)
{
    const QRegularExpressionMatch line
        = QRegularExpression(QStringLiteral("^figures (.*)$"), QRegularExpression::MultilineOption).match(output);
    const QStringList values = line.captured(1).split(' ');
    if (!line.hasMatch() || values.size() != 7)
        return false;
    double* fields[] = { &figures->megabytes, &figures->firstWall, &figures->firstCpu, &figures->wall,
                         &figures->cpu,       &figures->body,      &figures->written };
    for (int i = 0; i < 7; ++i)
        *fields[i] = values.at(i).toDouble();
    return true;
}

// The instructions of the first two calls of getUploadData at one size, counted by callgrind.
bool countInstructions(const QString& valgrind, int scale, Figures* figures)
{
    QTemporaryDir dumps;
    const QString pattern = dumps.filePath(QStringLiteral("callgrind.out"));
    const QStringList args { QStringLiteral("--tool=callgrind"),
                             QStringLiteral("--toggle-collect=Upload::getUploadData*"),
                             // Dumps match the whole name only.
                             QStringLiteral("--dump-after=Upload::getUploadData(QSqlDatabase, int, bool, bool*)"),
                             QStringLiteral("--callgrind-out-file=") + pattern, QCoreApplication::applicationFilePath(),
                             QStringLiteral("--rounds"), QStringLiteral("1"), QStringLiteral("--scale"),
                             QString::number(scale) };
    const QString output = runChild(valgrind, args);
    if (output.isEmpty() || !readFigures(output, figures))
        return false;
    // One dump per call, numbered in order: ".1" the first call, ".2" the second.
    QVector<qint64> calls;
    for (const char* suffix : { ".1", ".2" }) {
        QFile file(pattern + QLatin1String(suffix));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QRegularExpressionMatch total
            = QRegularExpression(QStringLiteral("^(?:summary|totals): (\\d+)"), QRegularExpression::MultilineOption)
                  .match(QString::fromLatin1(file.readAll()));
        if (!total.hasMatch())
            return false;
        calls << total.captured(1).toLongLong();
    }
    figures->firstInstructions = calls.at(0);
    figures->instructions = calls.at(1);
    return true;
}

// The goals, from the sizes measured: 1x and 4x must be among them.
void reportGoals(const QMap<int, Figures>& sizes, bool instructions, BenchVerdict& verdict)
{
    if (!sizes.contains(1) || !sizes.contains(4)) {
        verdict.holds(QStringLiteral("goals"), false, QStringLiteral("scales 1 and 4 are needed"));
        return;
    }
    const Figures& one = sizes.value(1);
    const Figures& four = sizes.value(4);
    std::printf("\nthe 11.5 MB lesson (4x), aimed at below %.0f ms:\n", kAimMs);
    const auto limit = [&](const char* what, double ms) {
        verdict.atMost(QStringLiteral("4x, %1").arg(QLatin1String(what)), ms, QStringLiteral("ms"), kGoalMs, 1);
    };
    limit("first call, wall", four.firstWall);
    limit("first call, CPU", four.firstCpu);
    limit("median, wall", four.wall);
    limit("median, CPU", four.cpu);

    std::printf("linear: the time per MB at 4x against 1x, first call included\n");
    const auto ratio = [&](const char* what, double atOne, double atFour) {
        const double r = (atFour / four.megabytes) / (atOne / one.megabytes);
        verdict.atMost(QStringLiteral("per MB 4x / 1x, %1").arg(QLatin1String(what)), r, QStringLiteral("x"),
                       kLinearGoal);
    };
    ratio("first call, wall", one.firstWall, four.firstWall);
    ratio("first call, CPU", one.firstCpu, four.firstCpu);
    ratio("median, wall", one.wall, four.wall);
    ratio("median, CPU", one.cpu, four.cpu);
    if (instructions && one.instructions > 0 && four.instructions > 0) {
        ratio("first call, instr.", one.firstInstructions, four.firstInstructions);
        ratio("second call, instr.", one.instructions, four.instructions);
    }
}

int runAll(const QList<int>& scales, int rounds, bool instructions)
{
    std::printf("getUploadData (read + build) of one lesson; %d rounds after the first call; load average %s\n", rounds,
                qPrintable(BenchSupport::loadAverage()));
    std::printf("size  document  first: wall     CPU  median: wall     CPU   ms/MB: wall     CPU     body  written\n");
    std::fflush(stdout);
    QMap<int, Figures> sizes;
    int failures = 0;
    for (int scale : scales) {
        Figures f;
        if (!readFigures(runChild(QCoreApplication::applicationFilePath(),
                                  { QStringLiteral("--rounds"), QString::number(rounds), QStringLiteral("--scale"),
                                    QString::number(scale) }),
                         &f)) {
            ++failures;
            continue;
        }
        sizes.insert(scale, f);
        std::printf("%3dx  %5.2f MB     %7.1f %7.1f       %7.1f %7.1f       %5.2f   %5.2f  %7.1f  %7.1f\n", scale,
                    f.megabytes, f.firstWall, f.firstCpu, f.wall, f.cpu, f.wall / f.megabytes, f.cpu / f.megabytes,
                    f.body, f.written);
        std::fflush(stdout);
    }
    std::printf("times in ms; CPU: the calling thread's CPU time; body: sign + escape + UTF-8 of the request "
                "(slowest round); written: the lesson through the table classes\n");

    const QString valgrind = instructions ? QStandardPaths::findExecutable(QStringLiteral("valgrind")) : QString();
    if (instructions && valgrind.isEmpty()) {
        std::printf("valgrind is not installed: no instruction counts\n");
        instructions = false;
    }
    if (instructions) {
        std::printf("\ninstructions of getUploadData under callgrind (millions)\n");
        std::printf("size  document    first  second   per MB: first  second\n");
        for (int scale : scales) {
            Figures counted;
            if (!sizes.contains(scale) || !countInstructions(valgrind, scale, &counted)) {
                ++failures;
                continue;
            }
            Figures& f = sizes[scale];
            f.firstInstructions = counted.firstInstructions;
            f.instructions = counted.instructions;
            std::printf("%3dx  %5.2f MB  %7.1f %7.1f          %6.1f  %6.1f\n", scale, f.megabytes,
                        f.firstInstructions / 1e6, f.instructions / 1e6, f.firstInstructions / 1e6 / f.megabytes,
                        f.instructions / 1e6 / f.megabytes);
            std::fflush(stdout);
        }
    }
    BenchVerdict verdict;
    verdict.holds(QStringLiteral("measured"), failures == 0, QStringLiteral("%1 of the runs failed").arg(failures));
    reportGoals(sizes, instructions, verdict);
    return verdict.finish();
}

} // namespace

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QCoreApplication app(c, v);
        int rounds = 10;
        QList<int> scales;
        bool instructions = false;
        const QStringList args = app.arguments().mid(1);
        for (int i = 0; i < args.size(); ++i) {
            if (args.at(i) == QLatin1String("--rounds") && i + 1 < args.size())
                rounds = qMax(1, args.at(++i).toInt());
            else if (args.at(i) == QLatin1String("--scale") && i + 1 < args.size())
                scales << qMax(1, args.at(++i).toInt());
            else if (args.at(i) == QLatin1String("--instructions"))
                instructions = true;
        }
        if (qEnvironmentVariableIsSet(kChildFlag) && scales.size() == 1)
            return runScale(scales.first(), rounds);
        if (scales.isEmpty())
            scales = { 1, 2, 4 };
        return runAll(scales, rounds, instructions);
    });
}
