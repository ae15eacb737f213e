#include "ZUInteractReportSer.h"

#include "ZUFreeAnswerSer.h"

#include <algorithm>

namespace {

bool isAnswerType(int type)
{
    return type >= ZUFreeAnswerSer::Single && type <= ZUFreeAnswerSer::Random;
}

bool hasRightAnswer(const InteractInfoRow& row)
{
    return !row.answer.isEmpty() && row.answer != QLatin1String("-1");
}

struct RankEntry
{
    QString name;
    int answers = 0;
    int likes = 0;
};

} // namespace

QString ZUInteractReportSer::interactName(int mode)
{
    return ZUFreeAnswerSer::typeName(mode);
}

InteractReport ZUInteractReportSer::build(const QList<InteractInfoRow>& interactions,
                                          const QMap<int, QList<StuResultRow>>& results,
                                          const QMap<QString, StudentInfoRow>& studentMap, int classSize)
{
    InteractReport report;
    report.answers = answerTable(interactions, results, classSize);
    report.feedback = feedbackTable(interactions, results, classSize);
    report.ranking = rankingTable(interactions, results, studentMap);
    return report;
}

QVector<QStringList> ZUInteractReportSer::answerTable(const QList<InteractInfoRow>& interactions,
                                                      const QMap<int, QList<StuResultRow>>& results, int classSize)
{
    QVector<QStringList> table;
    for (const InteractInfoRow& row : interactions) {
        if (!isAnswerType(row.answerType))
            continue;
        const QList<StuResultRow> rows = results.value(row.interactID);
        int participants = rows.size();
        QStringList cells { cell(table.size() + 1), cell(interactName(row.answerType)) };
        if (row.answerType == ZUFreeAnswerSer::Random) {
            cells << cell(1);
            participants = classSize;
        } else {
            cells << cell(participants);
        }
        if (hasRightAnswer(row)) {
            const int likes = int(std::count_if(rows.begin(), rows.end(),
                                                [&row](const StuResultRow& r) { return r.result == row.answer; }));
            cells << cell(likes);
        } else {
            cells << none();
        }
        cells << cell(classSize - participants);
        table.append(cells);
    }
    return table;
}

QVector<QStringList> ZUInteractReportSer::feedbackTable(const QList<InteractInfoRow>& interactions,
                                                        const QMap<int, QList<StuResultRow>>& results, int classSize)
{
    static const QStringList kLetters { "A", "B", "C", "D", "E" };
    QVector<QStringList> table;
    for (const InteractInfoRow& row : interactions) {
        if (!ZUFreeAnswerSer::isFeedback(row.answerType))
            continue;
        const QList<StuResultRow> rows = results.value(row.interactID);
        QMap<QString, int> counts;
        for (const StuResultRow& r : rows)
            ++counts[r.result];
        const int shown = row.answerType == ZUFreeAnswerSer::Vote ? 3
            : row.answerType == ZUFreeAnswerSer::YesNo            ? 2
                                                                  : 5;
        QStringList cells { cell(table.size() + 1), cell(interactName(row.answerType)), cell(rows.size()) };
        int counted = 0;
        for (int i = 0; i < kLetters.size(); ++i) {
            if (i < shown) {
                cells << cell(counts.value(kLetters.at(i)));
                counted += counts.value(kLetters.at(i));
            } else {
                cells << none();
            }
        }
        cells << cell(rows.size() - counted) << cell(classSize - rows.size());
        table.append(cells);
    }
    return table;
}

QVector<QStringList> ZUInteractReportSer::rankingTable(const QList<InteractInfoRow>& interactions,
                                                       const QMap<int, QList<StuResultRow>>& results,
                                                       const QMap<QString, StudentInfoRow>& studentMap)
{
    QMap<QString, RankEntry> entries;
    for (const StudentInfoRow& s : studentMap)
        entries.insert(s.dovaneID, RankEntry { s.name, 0, 0 });
    for (const InteractInfoRow& row : interactions) {
        if (!isAnswerType(row.answerType))
            continue;
        for (const StuResultRow& r : results.value(row.interactID)) {
            // A student no longer in the class has no line of the ranking.
            auto it = entries.find(r.dovaneID);
            if (it == entries.end())
                continue;
            ++it->answers;
            if (row.answerType != ZUFreeAnswerSer::Random && hasRightAnswer(row) && r.result == row.answer)
                ++it->likes;
        }
    }
    QVector<RankEntry> order = entries.values().toVector();
    std::stable_sort(order.begin(), order.end(), [](const RankEntry& a, const RankEntry& b) {
        return a.likes != b.likes ? a.likes > b.likes : a.answers > b.answers;
    });
    QVector<QStringList> table;
    int rank = 0;
    for (int i = 0; i < order.size(); ++i) {
        const RankEntry& e = order.at(i);
        if (i == 0 || e.likes != order.at(i - 1).likes || e.answers != order.at(i - 1).answers)
            rank = i + 1;
        table.append({ cell(rank), cell(e.name), cell(e.likes), cell(e.answers) });
    }
    return table;
}
