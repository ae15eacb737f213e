// Writes a finished quiz (60 students x 50 answer items, each answer with a history of two entries) through
// the table classes on one borrowed connection and compares the time with plain prepared inserts of the same
// rows into the same tables in one transaction: the two writers run side by side in each round, and the ratio
// is the median of the rounds' own ratios. Then the upload's paths over the quiz: reading what it sends,
// marking it uploaded and deleting it, as the upload calls them.
//
// The upload's paths are judged against the plain writer's time of the same round, which the machine's load
// weighs on as on them. The writers' ratio is judged on the thread's CPU time, which a busy machine stretches
// far less than the wall clock; the wall clock's ratio is shown beside it.
//
// Run by hand: build/bench-bin/BenchQuizWrite [rounds]

#include "BenchSupport.h"
#include "BenchVerdict.h"
#include "OwnFolder.h"
#include "PlainQuizInserts.h"
#include "TAVDatabase.h"
#include "TAV_ExamInfo.h"
#include "TAV_ExamStuAnswer.h"
#include "TAV_ExamStuAnswer_Pro.h"
#include "TAV_ExamStuInfo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {
using BenchSupport::median;

const int kStudents = 60;
const int kItems = 50;
const int kHistory = 2;
const int kRows = 1 + kStudents + kStudents * kItems * (1 + kHistory);
// Goals: the table classes within 1.15 x of plain inserts; each upload path over the quiz no slower than
// writing its rows plainly.
const double kWriteRatioGoal = 1.15;
const double kUploadPathGoal = 1.0;

QString student(int s)
{
    return QStringLiteral("1000%1").arg(s, 2, 10, QLatin1Char('0'));
}

// The presses of a 15-minute quiz: one time per second, made before any timing.
const QStringList& quizTimes()
{
    static const QStringList times = [] {
        QStringList list;
        const QDateTime start = QDateTime::fromString("2024-05-06 07:00:00", "yyyy-MM-dd HH:mm:ss");
        for (int second = 0; second < 900; ++second)
            list << start.addSecs(second).toString("yyyy-MM-dd HH:mm:ss");
        return list;
    }();
    return times;
}

// Answer time of a student's item, and of entry h of its history (the last entry at the answer time).
const QString& answerTime(int s, int i, int h = kHistory)
{
    return quizTimes().at((s * kItems + i * 7 + (h - kHistory) * 5 + 900) % 900);
}

void clearQuizTables(QSqlDatabase db)
{
    for (const char* table : { "TAV_ExamInfo", "TAV_ExamStuInfo", "TAV_ExamStuAnswer", "TAV_ExamStuAnswer_Pro" })
        QSqlQuery(db).exec(QStringLiteral("delete from ") + QLatin1String(table));
}

// Through the table classes, as the quiz service saves a quiz.
int writeWithTables(QSqlDatabase db)
{
    ExamInfoRow quiz { 0, 1, "2024-05-06 07:00:00", "2024-05-06 07:15:00", "paper-1", 0 };
    if (TAV_ExamInfo::getInstance()->insertExamInfo(db, quiz) < 0)
        return -1;
    for (int s = 0; s < kStudents; ++s) {
        TAV_ExamStuInfo::getInstance()->insertExamStuInfo(db, { student(s), quiz.examID, 600 + s });
        for (int i = 1; i <= kItems; ++i) {
            const QString questionID = QStringLiteral("q%1").arg(i);
            ExamStuAnswerRow answer { 0, quiz.examID, student(s), "AC", i, i, questionID, 1, i, answerTime(s, i) };
            if (TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(db, answer) < 0)
                continue;
            for (int h = 1; h <= kHistory; ++h)
                TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(
                    db, { 0, answer.id, h, h == 1 ? "A" : "AC", answerTime(s, i, h) });
        }
    }
    return quiz.examID;
}

// The same rows with four statements prepared once and run row by row.
void writePlain(QSqlDatabase db)
{
    PlainQuizInserts insert(db);
    const int examID = insert.exam({ 1, QStringLiteral("2024-05-06 07:00:00"), QStringLiteral("2024-05-06 07:15:00"),
                                     QStringLiteral("paper-1"), 0 });
    for (int s = 0; s < kStudents; ++s) {
        insert.student({ student(s), examID, 600 + s, 0 });
        for (int i = 1; i <= kItems; ++i) {
            const int answerID = insert.answer({ examID, student(s), QStringLiteral("AC"), i, i,
                                                 QStringLiteral("q%1").arg(i), 1, i, answerTime(s, i), 0 });
            for (int h = 1; h <= kHistory; ++h)
                insert.history(
                    { answerID, h, h == 1 ? QStringLiteral("A") : QStringLiteral("AC"), answerTime(s, i, h), 0 });
        }
    }
}

// What the upload reads of the lesson's quizzes, as Upload::getUploadData calls it: rows read.
int selectForUpload(QSqlDatabase db)
{
    const auto count = [](TavRowCursor rows) {
        int n = 0;
        while (rows.next())
            ++n;
        return n;
    };
    return TAV_ExamInfo::getInstance()->selectNotUploaded(db, 1).size()
        + count(TAV_ExamStuInfo::getInstance()->pendingOfRecord(db, 1))
        + count(TAV_ExamStuAnswer::getInstance()->pendingOfRecord(db, 1))
        + count(TAV_ExamStuAnswer_Pro::getInstance()->pendingOfRecord(db, 1));
}

// Marking a sent quiz uploaded and dropping it, as Upload::updateFinishStatus and deleteLocalRecord do.
void markUploaded(QSqlDatabase db, int examID)
{
    TAV_ExamInfo::getInstance()->setUploaded(db, examID);
    TAV_ExamStuInfo::getInstance()->setUploaded(db, examID);
    TAV_ExamStuAnswer::getInstance()->setUploaded(db, examID);
    TAV_ExamStuAnswer_Pro::getInstance()->setUploadedByExam(db, examID);
}

void drop(QSqlDatabase db, int examID)
{
    TAV_ExamStuAnswer_Pro::getInstance()->deleteByExam(db, examID);
    TAV_ExamInfo::getInstance()->deleteByExam(db, examID);
    TAV_ExamStuInfo::getInstance()->deleteByExam(db, examID);
    TAV_ExamStuAnswer::getInstance()->deleteByExam(db, examID);
}

int lastExam(QSqlDatabase db)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("select max(examID) from TAV_ExamInfo")) && q.next() ? q.value(0).toInt() : -1;
}

// Times one operation on a borrowed connection, given back (committed) inside the time.
template<typename F> qint64 timed(TAVDatabase* database, F operation)
{
    QElapsedTimer timer;
    timer.start();
    QSqlDatabase db = database->getDbCon();
    operation(db);
    database->closeDbCon(db);
    return timer.nsecsElapsed();
}

qint64 threadCpuNs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double rate(qint64 nsecs, int rows)
{
    return rows / (nsecs / 1e9);
}
} // namespace

int main(int argc, char* argv[])
{
    if (const int code = BenchOwnFolder::run(argv); code >= 0)
        return code;
    QCoreApplication app(argc, argv);
    BenchSupport::hideDebugLines();
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    TAVDatabase* database = TAVDatabase::getInstance();
    QFile::remove(TAVDatabase::databasePath());
    if (!database->createDb() || !database->openLocalDb()) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(TAVDatabase::databasePath()));
        return 1;
    }
    std::printf("load average: %s\n", qPrintable(BenchSupport::loadAverage()));

    QVector<qint64> tables, plain, selects, marks, drops;
    QVector<double> ratios, cpuRatios, selectRatios, markRatios, dropRatios;
    int selected = 0;
    for (int round = 0; round < rounds; ++round) {
        // The two writers side by side, in turns first, so that the machine's load of the moment weighs on both.
        qint64 byTables = 0, byPlain = 0, cpuTables = 0, cpuPlain = 0;
        for (int turn = 0; turn < 2; ++turn) {
            timed(database, clearQuizTables);
            const qint64 cpuBefore = threadCpuNs();
            if ((turn + round) % 2 == 0) {
                byTables = timed(database, writeWithTables);
                cpuTables = threadCpuNs() - cpuBefore;
            } else {
                byPlain = timed(database, writePlain);
                cpuPlain = threadCpuNs() - cpuBefore;
            }
        }
        tables << byTables;
        plain << byPlain;
        ratios << double(byTables) / double(byPlain);
        cpuRatios << double(cpuTables) / double(qMax<qint64>(1, cpuPlain));

        selects << timed(database, [&](QSqlDatabase db) { selected = selectForUpload(db); });
        marks << timed(database, [](QSqlDatabase db) { markUploaded(db, lastExam(db)); });
        drops << timed(database, [](QSqlDatabase db) { drop(db, lastExam(db)); });
        selectRatios << double(selects.last()) / double(byPlain);
        markRatios << double(marks.last()) / double(byPlain);
        dropRatios << double(drops.last()) / double(byPlain);
    }

    const qint64 medianTables = median(tables), medianPlain = median(plain);
    std::printf("rows written per quiz: %d (1 quiz, %d students, %d answers, %d history rows)\n", kRows, kStudents,
                kStudents * kItems, kStudents * kItems * kHistory);
    std::printf("table classes, one borrow:   %8.1f ms  %10.0f rows/s  (median)\n", medianTables / 1e6,
                rate(medianTables, kRows));
    std::printf("plain prepared QSqlQuery:    %8.1f ms  %10.0f rows/s  (median, the reference)\n", medianPlain / 1e6,
                rate(medianPlain, kRows));
    std::printf("upload of the quiz, medians: read %.1f ms, marked uploaded %.1f ms, deleted %.1f ms\n",
                median(selects) / 1e6, median(marks) / 1e6, median(drops) / 1e6);
    std::printf("ratios are medians of %d paired rounds; the wall clock's write ratio %.2f, from %.2f to %.2f\n",
                rounds, median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));

    BenchVerdict verdict;
    verdict.atMost(QStringLiteral("table classes / plain inserts, thread CPU time"), median(cpuRatios),
                   QStringLiteral("x"), kWriteRatioGoal);
    verdict.holds(QStringLiteral("upload read"), selected == kRows,
                  QStringLiteral("%1 of %2 rows read").arg(selected).arg(kRows));
    verdict.atMost(QStringLiteral("upload read / plain inserts, time"), median(selectRatios), QStringLiteral("x"),
                   kUploadPathGoal);
    verdict.atMost(QStringLiteral("marked uploaded / plain inserts, time"), median(markRatios), QStringLiteral("x"),
                   kUploadPathGoal);
    verdict.atMost(QStringLiteral("deleted / plain inserts, time"), median(dropRatios), QStringLiteral("x"),
                   kUploadPathGoal);
    return verdict.finish();
}
