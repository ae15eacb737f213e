// Builds the upload document of a large lesson and reports how long it takes, for the lesson at 1x, 2x and 4x.
// At 1x: 40 interactions x 60 students, 2 sign-ins, 3 quizzes of 60 students x 50 items, each answer with one
// history entry; 2x and 4x double and quadruple the interactions and the quizzes. The rows carry the times a
// real lesson gives them (every keypad at its own second), not one time stamp for all.
// Each size runs in a process of its own, so that its first call is the first of a process, as in the upload
// thread after start-up; then the median of the further rounds.
//   build/bench-bin/BenchUploadDocument [--rounds N] [--scale S ...]   (default: 10 rounds, scales 1 2 4)

#include "BenchSupport.h"
#include "DbTestSupport.h"
#include "LessonFixture.h"
#include "TAVDatabase.h"
#include "Upload.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>

#include <algorithm>
#include <cstdio>

namespace {

double elapsedMs(const QElapsedTimer& clock)
{
    return clock.nsecsElapsed() / 1e6;
}

// One size in this process: the lesson written, then the first document and `rounds` more.
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
    const double written = elapsedMs(clock);

    TAVDatabase* database = TAVDatabase::getInstance();
    QVector<double> build;
    double first = 0;
    double body = 0;
    QString document;
    for (int r = 0; r <= rounds; ++r) {
        QSqlDatabase db = database->getDbCon();
        clock.restart();
        document = Upload::getInstance()->getUploadData(db, lesson.recordID, false);
        const double ms = elapsedMs(clock);
        database->closeDbCon(db);
        if (r == 0)
            first = ms;
        else
            build.push_back(ms);
        clock.restart();
        const QByteArray request = Upload::requestBody(document, QStringLiteral("1"));
        body = std::max(body, elapsedMs(clock));
        if (request.isEmpty())
            return 1;
    }
    const double megabytes = document.toUtf8().size() / 1e6;
    const double median = BenchSupport::median(build);
    const auto [fastest, slowest] = std::minmax_element(build.cbegin(), build.cend());
    std::printf("%3dx  %6.2f MB  %8.1f  %8.1f  %6.1f..%-6.1f  %8.1f  %8.1f  %9.1f\n", scale, megabytes, first, median,
                *fastest, *slowest, median / megabytes, body, written);

    // The document is written as text; it must stay the text Qt's own writer gives for the same tree.
    const QJsonDocument parsed = QJsonDocument::fromJson(document.toUtf8());
    if (QString::fromUtf8(parsed.toJson(QJsonDocument::Compact)) != document) {
        std::printf("     the document is NOT QJsonDocument's compact text of itself\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QCoreApplication app(c, v);
        int rounds = 10;
        QList<int> scales;
        const QStringList args = app.arguments().mid(1);
        for (int i = 0; i < args.size(); ++i) {
            if (args.at(i) == QLatin1String("--rounds") && i + 1 < args.size())
                rounds = qMax(1, args.at(++i).toInt());
            else if (args.at(i) == QLatin1String("--scale") && i + 1 < args.size())
                scales << qMax(1, args.at(++i).toInt());
        }
        const bool child = qEnvironmentVariableIsSet("TAV_BENCH_SCALE_CHILD");
        if (child && scales.size() == 1)
            return runScale(scales.first(), rounds);
        if (scales.isEmpty())
            scales = { 1, 2, 4 };

        std::printf("getUploadData (read + build) of one lesson; times in ms, %d rounds after the first call\n",
                    rounds);
        std::printf("size  document     first    median  min..max       ms/MB     body  written\n");
        std::fflush(stdout);
        int failures = 0;
        for (int scale : qAsConst(scales)) {
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("TAV_BENCH_SCALE_CHILD"), QStringLiteral("1"));
            process.setProcessEnvironment(environment);
            process.setProcessChannelMode(QProcess::ForwardedChannels);
            process.start(QCoreApplication::applicationFilePath(),
                          { QStringLiteral("--rounds"), QString::number(rounds), QStringLiteral("--scale"),
                            QString::number(scale) });
            if (!process.waitForFinished(-1) || process.exitCode() != 0)
                ++failures;
        }
        std::printf("first: the first call of a process; body: sign + escape + UTF-8 of the request (slowest round); "
                    "written: the lesson through the table classes\n");
        return failures == 0 ? 0 : 1;
    });
}
