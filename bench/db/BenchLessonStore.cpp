// Lesson data that grows: the same lesson in a fresh database and in one that also holds 200, then 1000 earlier
// lessons not yet uploaded (a school whose service was out of reach for weeks, a term). For each database, in
// turns, as the program meets it: start-up's database steps on the interface thread (createDb, setAuthority,
// openLocalDb with its quick checks), the read-through of the whole file on a worker thread, told by a signal
// while the interface thread runs its event loop, the start's first write, the interface thread's longest freeze
// from the open to that write, the lesson close's upload read (the document of the lesson, built on the interface
// thread) and the lesson report "报表"; once, the same start on the file as an earlier version left it (no
// indexes).
// Paired rounds: each round times both databases, alternating which goes first; the ratios are the medians
// of the rounds' own ratios.
//
//   build/bench-bin/BenchLessonStore [--rounds N] [--lessons N[,N...]]
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
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {
using BenchSupport::loadAverage;
using BenchSupport::median;

// Goals: each figure with stored lessons within 1.2 x of the fresh database; the lesson close's read below
// 50 ms on the interface thread; the interface thread never frozen for 250 ms from the open to the first write.
const double kRatioGoal = 1.2;
const double kCloseGoalMs = 50;
const double kFreezeGoalMs = 250;

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
    qint64 write = 0;
    qint64 freeze = 0;
    qint64 read = 0;
    qint64 report = 0;
};

// From an opened file to its first write borrow, as the login goes: the interface thread runs its event loop
// until the read-through's verdict comes, then borrows. Sets the time to the verdict, the borrow's time and the
// longest the interface thread took nothing from its loop (`sinceTick` runs from the open's start); false when
// the file is not found sound.
bool untilFirstWrite(QElapsedTimer& sinceTick, qint64& freeze, qint64& check, qint64& write)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    QElapsedTimer clock;
    clock.start();
    if (database->fileCheckPending()) {
        QEventLoop loop;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] { freeze = qMax(freeze, sinceTick.restart() * 1000000); });
        QObject::connect(database->fileCheck(), &TavFileCheck::checked, &loop, &QEventLoop::quit);
        tick.start(5);
        loop.exec();
    }
    check = clock.nsecsElapsed();
    clock.restart();
    QSqlDatabase db = database->getDbCon();
    const bool ok = db.isValid();
    database->closeDbCon(db);
    write = clock.nsecsElapsed();
    freeze = qMax(freeze, sinceTick.elapsed() * 1000000);
    return ok;
}

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
    QElapsedTimer sinceTick;
    sinceTick.start();
    database->createDb();
    database->setAuthority();
    const bool opened = database->openLocalDb();
    t.open = clock.nsecsElapsed();
    if (opened) {
        if (!untilFirstWrite(sinceTick, t.freeze, t.check, t.write))
            t.check = -1;
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
// full and indexed once, on the worker thread. Sets the time to the first write and the interface thread's
// longest freeze meanwhile; false when it did not open.
bool firstStartOfAnOlderFile(const QString& file, qint64& total, qint64& freeze)
{
    move(file, TAVDatabase::databasePath());
    for (const QString& statement : TavSchema::indexStatements())
        DbTestSupport::runOutside(QStringLiteral("drop index ") + statement.section(QLatin1Char(' '), 5, 5));
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer sinceTick;
    sinceTick.start();
    TAVDatabase* database = TAVDatabase::getInstance();
    database->createDb();
    database->setAuthority();
    qint64 check = 0;
    qint64 write = 0;
    freeze = 0;
    const bool ok = database->openLocalDb() && untilFirstWrite(sinceTick, freeze, check, write);
    total = clock.nsecsElapsed();
    database->closeLocalDb();
    move(TAVDatabase::databasePath(), file);
    return ok;
}

const char* verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}

// A row of medians; the verdict is on the ratio's median (when ratioGoal > 0) and on the highest of either
// database (when msGoal > 0).
bool printRow(const char* what, const QVector<qint64>& fresh, const QVector<qint64>& store,
              const QVector<double>& ratios, double ratioGoal, double msGoal, const char* none = nullptr)
{
    std::printf("%-38s %9.1f %9.1f %7.2f  ", what, ms(median(fresh)), ms(median(store)), median(ratios));
    if (none) {
        std::printf("no goal: %s\n", none);
        return true;
    }
    bool pass = true;
    if (ratioGoal > 0) {
        pass = median(ratios) < ratioGoal;
        std::printf("ratio below %.1f", ratioGoal);
    }
    if (msGoal > 0) {
        const double highest = ms(qMax(BenchSupport::percentile(fresh, 1), BenchSupport::percentile(store, 1)));
        pass = pass && highest < msGoal;
        std::printf("%shighest below %.0f ms (%.1f)", ratioGoal > 0 ? ", " : "", msGoal, highest);
    }
    std::printf("  %s\n", verdict(pass));
    return pass;
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

    QVector<qint64> open[2], check[2], write[2], freeze[2], read[2], report[2];
    QVector<double> openRatio, checkRatio, writeRatio, freezeRatio, readRatio, reportRatio;
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
            write[i] << t[i].write;
            freeze[i] << t[i].freeze;
            read[i] << t[i].read;
            report[i] << t[i].report;
        }
        openRatio << double(t[1].open) / double(t[0].open);
        checkRatio << double(t[1].check) / double(t[0].check);
        writeRatio << double(t[1].write) / double(t[0].write);
        freezeRatio << double(t[1].freeze) / double(t[0].freeze);
        readRatio << double(t[1].read) / double(t[0].read);
        reportRatio << double(t[1].report) / double(t[0].report);
    }

    std::printf("median of %d paired rounds, ms              fresh  %4d stored  ratio  goal\n", rounds, lessons);
    int failures = 0;
    failures += printRow("start-up database steps", open[0], open[1], openRatio, kRatioGoal, 0) ? 0 : 1;
    printRow("read-through to its verdict", check[0], check[1], checkRatio, 0, 0,
             "a worker thread's, the interface thread runs on meanwhile");
    failures += printRow("the start's first write borrow", write[0], write[1], writeRatio, 0, kFreezeGoalMs) ? 0 : 1;
    failures
        += printRow("longest freeze, open to first write", freeze[0], freeze[1], freezeRatio, 0, kFreezeGoalMs) ? 0 : 1;
    failures += printRow("lesson close: upload read", read[0], read[1], readRatio, kRatioGoal, kCloseGoalMs) ? 0 : 1;
    failures += printRow("lesson report \"报表\"", report[0], report[1], reportRatio, kRatioGoal, 0) ? 0 : 1;
    qint64 total = 0;
    qint64 olderFreeze = 0;
    if (!firstStartOfAnOlderFile(store, total, olderFreeze)) {
        std::fprintf(stderr, "the file as an earlier version left it did not open\n");
        return failures + 1;
    }
    const bool olderPass = ms(olderFreeze) < kFreezeGoalMs;
    failures += olderPass ? 0 : 1;
    std::printf("first start on the file of %d lessons made by an earlier version (read through, indexed on the "
                "worker thread), once: %.1f ms to the first write, longest freeze of the interface thread %.1f ms  "
                "goal: below %.0f ms  %s\n",
                lessons, ms(total), ms(olderFreeze), kFreezeGoalMs, verdict(olderPass));
    std::printf("load average: %s\n", qPrintable(loadAverage()));
    QFile::remove(fresh);
    QFile::remove(store);
    return failures;
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
        QList<int> lessons { 200, 1000 };
        const QStringList args = app.arguments().mid(1);
        for (int i = 0; i + 1 < args.size(); ++i) {
            if (args.at(i) == QLatin1String("--rounds"))
                rounds = qMax(1, args.at(i + 1).toInt());
            else if (args.at(i) == QLatin1String("--lessons")) {
                lessons.clear();
                for (const QString& n : args.at(i + 1).split(QLatin1Char(',')))
                    lessons << qMax(0, n.toInt());
            }
        }
        const QString make = QFile::decodeName(qgetenv("TAV_BENCH_MAKE"));
        if (!make.isEmpty())
            return ::make(make, lessons.value(0));
        std::printf("load average: %s\n", qPrintable(loadAverage()));
        int failures = 0;
        for (int n : lessons)
            failures += run(rounds, n);
        std::printf("%s: %d figure(s) missed their goal\n", verdict(failures == 0), failures);
        return failures == 0 ? 0 : 1;
    });
}
