// A finished quiz of 60 students x 50 answer items (every answer changed once, so two history entries):
// judging every answer, the statistics of every item, the ranking, and saving the quiz through the table
// classes beside plain prepared inserts of the same rows in one transaction. The two ways of saving run in
// the same rounds, alternating which goes first; the median of the per-round ratios is reported. The scoring's
// goal is judged on the thread's own CPU time, which a busy machine does not stretch as it does the wall clock.
// Run by hand: build/bench-bin/BenchExamScoring [rounds]

#include "BenchSupport.h"
#include "BenchVerdict.h"
#include "OwnFolder.h"
#include "PlainQuizInserts.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_ExamInfo.h"
#include "ZUBaseExamSer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {
using BenchSupport::loadAverage;
using BenchSupport::median;

const int kStudents = 60;
const int kItems = 50;
const QStringList kLetters { "A", "B", "C", "D", "AC", "BD" };
// Goals: judging, statistics and ranking together under 10 ms; the service's save within 1.15 x of plain inserts.
const double kScoringGoalMs = 10;
const double kSaveRatioGoal = 1.15;

QString student(int s)
{
    return QStringLiteral("1000%1").arg(s, 2, 10, QLatin1Char('0'));
}

// The paper, the roster and every student's answers, as a quiz leaves them.
void fillQuiz(ZUBaseExamSer& ser)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    for (int s = 0; s < kStudents; ++s) {
        const StudentInfoRow row { student(s), 101, QStringLiteral("学生%1").arg(s), QString::number(s + 1), {} };
        mem->studentList.append(row);
        mem->studentMap.insert(row.dovaneID, row);
    }
    ser.m_structMap.insert(1, { 1, QStringLiteral("单项选择题") });
    for (int i = 0; i < kItems; ++i) {
        const QString question = QStringLiteral("q%1").arg(i / 2);
        const QuestionRecord item { QStringLiteral("r%1").arg(i),     "paper-1", question, i % 2 + 1, 1, i / 2 + 1, 100,
                                    kLetters.at(i % kLetters.size()), i + 1 };
        ser.m_relationIDs.append(item.relationID);
        ser.m_relationMap.insert(item.relationID, item);
        ser.m_questionItems.insert(question, item);
    }
    ser.m_totalQ = kItems;
    ser.resetAnswerRecords();
    for (int s = 0; s < kStudents; ++s) {
        StudentAnswerRecord& record = ser.m_answerRecords[student(s)];
        int answered = 0;
        for (int i = 0; i < kItems; ++i) {
            record.recordAnswer(i, kLetters.at((s + i) % kLetters.size()), answered);
            record.recordAnswer(i, kLetters.at((s * 7 + i) % kLetters.size()), answered);
        }
        record.setUsedTime(300 + s % 17);
    }
}

qint64 threadCpuNs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

template<typename F> qint64 timed(F operation)
{
    QElapsedTimer timer;
    timer.start();
    operation();
    return timer.nsecsElapsed();
}

void clearQuizTables()
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    for (const char* table : { "TAV_ExamInfo", "TAV_ExamStuInfo", "TAV_ExamStuAnswer", "TAV_ExamStuAnswer_Pro" })
        QSqlQuery(db).exec(QStringLiteral("delete from ") + QLatin1String(table));
    TAVDatabase::getInstance()->closeDbCon(db);
}

// As the quiz services save at quit.
void saveWithService(const ZUBaseExamSer& ser)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ExamInfoRow quiz { 0, 1, "2024-05-06 07:00:00", "2024-05-06 07:15:00", "paper-1", 0 };
    TAV_ExamInfo::getInstance()->insertExamInfo(db, quiz);
    ser.saveExamStudents(db, quiz.examID);
    TAVDatabase::getInstance()->closeDbCon(db);
}

QVariant timeValue(const QString& time)
{
    return time.isEmpty() ? QVariant(QVariant::String) : QVariant(time);
}

// The same rows with four statements prepared once, on one borrowed connection.
void savePlain(const ZUBaseExamSer& ser)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    PlainQuizInserts insert(db);
    const int examID = insert.exam({ 1, "2024-05-06 07:00:00", "2024-05-06 07:15:00", "paper-1", 0 });
    for (auto it = ser.m_answerRecords.begin(); it != ser.m_answerRecords.end(); ++it) {
        insert.student({ it.key(), examID, it->usedTime(), 0 });
        for (int i = 0; i < kItems; ++i) {
            const QuestionRecord item = ser.m_relationMap.value(ser.m_relationIDs.at(i));
            const int answerID
                = insert.answer({ examID, it.key(), it->answers().at(i), item.subQuestionID, item.sn, item.questionID,
                                  item.structID, item.mcsn, timeValue(it->answerTimes().at(i)), 0 });
            const QStringList answers = it->answerHistory(i), times = it->timeHistory(i);
            for (int h = 0; h < answers.size(); ++h)
                insert.history({ answerID, h + 1, answers.at(h), timeValue(times.at(h)), 0 });
        }
    }
    TAVDatabase::getInstance()->closeDbCon(db);
}

int savedRows()
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    int rows = 0;
    for (const char* table : { "TAV_ExamInfo", "TAV_ExamStuInfo", "TAV_ExamStuAnswer", "TAV_ExamStuAnswer_Pro" }) {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("select count(*) from ") + QLatin1String(table)) && q.next())
            rows += q.value(0).toInt();
    }
    TAVDatabase::getInstance()->closeDbCon(db);
    return rows;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const int code = BenchOwnFolder::run(argv); code >= 0)
        return code;
    QCoreApplication app(argc, argv);
    BenchSupport::hideDebugLines();
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    std::printf("load average before: %s\n", qPrintable(loadAverage()));
    QFile::remove(TAVDatabase::databasePath());
    if (!TAVDatabase::getInstance()->createDb() || !TAVDatabase::getInstance()->openLocalDb()) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(TAVDatabase::databasePath()));
        return 1;
    }
    ZUBaseExamSer ser;
    fillQuiz(ser);

    QVector<double> judging, statistics, ranking, total, totalCpu, ratios, service, plain;
    int checksum = 0;
    const int expectedRows = 1 + kStudents + kStudents * kItems * 3;
    bool rowsOk = true;
    for (int round = 0; round < rounds; ++round) {
        const qint64 cpuBefore = threadCpuNs();
        const qint64 judge = timed([&] {
            for (auto it = ser.m_answerRecords.begin(); it != ser.m_answerRecords.end(); ++it) {
                StuRankingInfo info;
                ser.computeStudentScore(it.key(), info);
                checksum += info.rightCount;
            }
        });
        const qint64 stats = timed([&] {
            QList<QuestionStatInfo> rows;
            ser.questionReport(rows);
            for (int i = 0; i < kItems; ++i)
                checksum += ser.getAnswerNamesByQIndex(i, -1).size();
        });
        const qint64 rank = timed([&] {
            QList<StuRankingInfo> rows;
            ser.studentReport(rows);
            checksum += rows.first().rightCount;
        });
        totalCpu << (threadCpuNs() - cpuBefore) / 1e6;
        judging << judge / 1e6;
        statistics << stats / 1e6;
        ranking << rank / 1e6;
        total << (judge + stats + rank) / 1e6;

        // Paired: both ways in the same round, the first one alternating.
        qint64 viaService = 0, viaPlain = 0;
        for (int turn = 0; turn < 2; ++turn) {
            clearQuizTables();
            if ((turn == 0) == (round % 2 == 0))
                viaService = timed([&] { saveWithService(ser); });
            else
                viaPlain = timed([&] { savePlain(ser); });
            rowsOk = rowsOk && savedRows() == expectedRows;
        }
        service << viaService / 1e6;
        plain << viaPlain / 1e6;
        ratios << double(viaService) / double(viaPlain);
    }

    std::printf("quiz: %d students x %d answer items, 2 history entries each; %d rounds, medians\n", kStudents, kItems,
                rounds);
    std::printf("judging every answer:                    %7.3f ms\n", median(judging));
    std::printf("statistics (report + every item's names): %7.3f ms\n", median(statistics));
    std::printf("ranking:                                 %7.3f ms\n", median(ranking));
    std::printf("judging + statistics + ranking:          %7.3f ms  (wall clock)\n", median(total));
    std::printf("saving, %d rows in one transaction:\n", expectedRows);
    std::printf("  quiz service (table classes):          %7.1f ms\n", median(service));
    std::printf("  plain prepared inserts:                %7.1f ms  (the reference)\n", median(plain));
    std::printf("checksum %d\n", checksum);
    BenchVerdict verdict;
    verdict.atMost(QStringLiteral("judging + statistics + ranking, thread CPU time"), median(totalCpu),
                   QStringLiteral("ms"), kScoringGoalMs, 3);
    verdict.atMost(QStringLiteral("quiz service / plain inserts, save time"), median(ratios), QStringLiteral("x"),
                   kSaveRatioGoal);
    verdict.holds(QStringLiteral("rows saved"), rowsOk, QStringLiteral("%1 rows in every save").arg(expectedRows));
    return verdict.finish();
}
