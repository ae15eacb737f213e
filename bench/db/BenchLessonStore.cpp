// Lesson data that grows: the same lesson in a fresh database and in one that also holds 200 earlier lessons
// not yet uploaded (a school whose service was out of reach for weeks). For each database, in turns, as the
// program meets it: start-up's database steps on the interface thread (createDb, setAuthority, openLocalDb with
// its quick checks), the read-through of the whole file on a worker thread (the start's first write waits for
// it), the lesson close's upload read (the document of the lesson, built on the interface thread) and the lesson
// report "报表".
// Paired rounds: each round times both databases, alternating which goes first; the ratios are the medians
// of the rounds' own ratios.
//
//   build/bench-bin/BenchLessonStore [--rounds N] [--lessons N]
//   build/bench-bin/BenchLessonStore --make FILE [--lessons N]   writes the database of N stored lessons (200)
//                                                                  plus the measured one to FILE, e.g. to copy
//                                                                  into build/bin for the real program.

#include "BenchLessons.h"
#include "BenchSupport.h"
#include "DbTestSupport.h"
#include "LessonFixture.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TavSchema.h"
#include "Upload.h"
#include "ZUTAVInteractSData.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {
using BenchSupport::loadAverage;
using BenchSupport::median;

// Goals: each figure with 200 stored lessons within 1.2 x of the fresh database; the lesson close's read
// below 50 ms on the interface thread.
const double kRatioGoal = 1.2;
const double kCloseGoalMs = 50;

QString programFile(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

double ms(qint64 ns)
{
    return ns / 1e6;
}

struct Times
{
    qint64 open = 0;
    qint64 check = 0;
    qint64 read = 0;
    qint64 report = 0;
};

// Puts a database in the program's place or takes it out.
void move(const QString& from, const QString& to)
{
    QFile::rename(from, to);
}

// One database put in the program's place, timed as the program uses it, and taken out again.
Times measure(const QString& file, int recordID)
{
    Times t;
    move(file, TAVDatabase::databasePath());
    TAVDatabase* database = TAVDatabase::getInstance();
    QElapsedTimer clock;
    clock.start();
    database->createDb();
    database->setAuthority();
    const bool opened = database->openLocalDb();
    t.open = clock.nsecsElapsed();
    if (opened) {
        clock.restart();
        if (!database->waitForFileCheck())
            t.check = -1;
        else
            t.check = clock.nsecsElapsed();
        clock.restart();
        QSqlDatabase db = database->getDbCon();
        const QString document = Upload::getInstance()->getUploadData(db, recordID, true);
        database->closeDbCon(db);
        t.read = clock.nsecsElapsed();
        if (document.isEmpty())
            t.read = -1;

        TAVMemInfo::getInstance()->currentRecord.localRecordID = recordID;
        clock.restart();
        ZUTAVInteractSData::getInstance()->showReport();
        t.report = clock.nsecsElapsed();
        ZUTAVInteractSData::getInstance()->hide();
    } else {
        t.open = -1;
    }
    database->closeLocalDb();
    move(TAVDatabase::databasePath(), file);
    return t;
}

// The first start on a file of an earlier version (no indexes), up to its first write borrow: read through in
// full and indexed once.
qint64 firstStartOfAnOlderFile(const QString& file)
{
    move(file, TAVDatabase::databasePath());
    for (const QString& statement : TavSchema::indexStatements())
        DbTestSupport::runOutside(QStringLiteral("drop index ") + statement.section(QLatin1Char(' '), 5, 5));
    QElapsedTimer clock;
    clock.start();
    TAVDatabase* database = TAVDatabase::getInstance();
    database->createDb();
    database->setAuthority();
    const bool opened = database->openLocalDb();
    qint64 ns = -1;
    {
        QSqlDatabase db = database->getDbCon();
        if (db.isValid())
            ns = clock.nsecsElapsed();
        database->closeDbCon(db);
    }
    database->closeLocalDb();
    move(TAVDatabase::databasePath(), file);
    return opened ? ns : -1;
}

void printRow(const char* what, const QVector<qint64>& fresh, const QVector<qint64>& store,
              const QVector<double>& ratios, const QString& goal)
{
    std::printf("%-34s %9.1f %9.1f %7.2f  %s\n", what, ms(median(fresh)), ms(median(store)), median(ratios),
                qPrintable(goal));
}

int run(int rounds, int lessons)
{
    const QString fresh = programFile(QStringLiteral("fresh.db"));
    const QString store = programFile(QStringLiteral("store.db"));
    QElapsedTimer clock;
    clock.start();
    const int freshID = BenchLessons::writeStore(0);
    TAVDatabase::getInstance()->closeLocalDb();
    move(TAVDatabase::databasePath(), fresh);
    const int storeID = BenchLessons::writeStore(lessons);
    TAVDatabase::getInstance()->closeLocalDb();
    move(TAVDatabase::databasePath(), store);
    if (freshID < 0 || storeID < 0) {
        std::fprintf(stderr, "cannot write the databases\n");
        return 1;
    }
    std::printf("databases written in %.1f s: fresh %.1f MB, with %d stored lessons %.1f MB\n",
                clock.elapsed() / 1000.0, QFileInfo(fresh).size() / 1e6, lessons, QFileInfo(store).size() / 1e6);

    QVector<qint64> open[2], check[2], read[2], report[2];
    QVector<double> openRatio, checkRatio, readRatio, reportRatio;
    for (int round = 0; round < rounds; ++round) {
        Times t[2];
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (round + turn) % 2;
            t[which] = which == 0 ? measure(fresh, freshID) : measure(store, storeID);
        }
        if (t[0].read < 0 || t[1].read < 0 || t[0].open < 0 || t[1].open < 0 || t[0].check < 0 || t[1].check < 0) {
            std::fprintf(stderr, "a database did not open or gave no document\n");
            return 1;
        }
        for (int i = 0; i < 2; ++i) {
            open[i] << t[i].open;
            check[i] << t[i].check;
            read[i] << t[i].read;
            report[i] << t[i].report;
        }
        openRatio << double(t[1].open) / double(t[0].open);
        checkRatio << double(t[1].check) / double(t[0].check);
        readRatio << double(t[1].read) / double(t[0].read);
        reportRatio << double(t[1].report) / double(t[0].report);
    }

    std::printf("median of %d paired rounds, ms          fresh  %3d stored  ratio  goal\n", rounds, lessons);
    const QString ratioGoal = QStringLiteral("ratio below %1").arg(kRatioGoal);
    printRow("start-up database steps", open[0], open[1], openRatio, ratioGoal);
    printRow("read-through (worker thread)", check[0], check[1], checkRatio,
             QStringLiteral("none: the start's first write waits for it"));
    printRow("lesson close: upload read", read[0], read[1], readRatio,
             ratioGoal + QStringLiteral(", below %1 ms").arg(kCloseGoalMs));
    printRow("lesson report \"报表\"", report[0], report[1], reportRatio, ratioGoal);
    std::printf("first start on the file of %d lessons made by an earlier version, to its first write borrow (read "
                "through, indexed): %.1f ms, once\n",
                lessons, ms(firstStartOfAnOlderFile(store)));
    std::printf("load average: %s\n", qPrintable(loadAverage()));
    return 0;
}

int make(const QString& target, int lessons)
{
    const int id = BenchLessons::writeStore(lessons);
    TAVDatabase::getInstance()->closeLocalDb();
    if (id < 0)
        return 1;
    QFile::remove(target);
    if (!QFile::copy(TAVDatabase::databasePath(), target)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
        return 1;
    }
    std::printf("%s: %d stored lessons and the lesson %d, %.1f MB\n", qPrintable(target), lessons, id,
                QFileInfo(target).size() / 1e6);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // The target is resolved before the benchmark moves to its private program directory.
    QString target;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--make")
            target = QFileInfo(QString::fromLocal8Bit(argv[i + 1])).absoluteFilePath();
    }
    if (!target.isEmpty())
        qputenv("TAV_BENCH_MAKE", QFile::encodeName(target));
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(c, v);
        BenchSupport::hideDebugLines();
        int rounds = 7;
        int lessons = 200;
        const QStringList args = app.arguments().mid(1);
        for (int i = 0; i + 1 < args.size(); ++i) {
            if (args.at(i) == QLatin1String("--rounds"))
                rounds = qMax(1, args.at(i + 1).toInt());
            else if (args.at(i) == QLatin1String("--lessons"))
                lessons = qMax(0, args.at(i + 1).toInt());
        }
        const QString make = QFile::decodeName(qgetenv("TAV_BENCH_MAKE"));
        return make.isEmpty() ? run(rounds, lessons) : ::make(make, lessons);
    });
}
