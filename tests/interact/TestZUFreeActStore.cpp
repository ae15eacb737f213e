#include "InteractTestSupport.h"
#include "TAVDatabase.h"
#include "TAV_ClassRecord.h"
#include "TAV_InteractInfo.h"
#include "Upload.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActBar_left.h"
#include "ZUFreeActBar_left_rush.h"
#include "ZUFreeActStore.h"
#include "ZUTAVInteractSData.h"
#include "ZUToolBarSer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTableWidget>

#include <cstdio>

using namespace InteractTestSupport;

namespace {

// What an interaction of each kind receives in the child, in steps, and the results stored after each step.
struct Step
{
    QList<QPair<int, QString>> keys;
    QString results;
};

QList<Step> roundOf(const QString& kind)
{
    if (kind == "answering") // keypad 2 changes its mind, once before and once after its first answer is stored
        return { { { { 1, "A" }, { 2, "A" }, { 2, "B" }, { 4, "Rush" } }, "D01:A D02:B" },
                 { { { 2, "C" }, { 3, "A" } }, "D01:A D02:C D03:A" } };
    return { { { { 3, "Rush" } }, "D03:1" }, { { { 1, "Rush" }, { 3, "Rush" } }, "D01:0 D03:1" } };
}

QString storedResults()
{
    return text("select group_concat(r, ' ') from (select dovaneID || ':' || result as r from TAV_StuResult "
                "order by dovaneID)");
}

// Child: runs an interaction of the kind on the lesson the parent opened, takes the keypad messages, and
// once they are in the file (or after a while without) waits to be killed.
int interruptedRound(const QString& kind)
{
    if (!TAVDatabase::getInstance()->openLocalDb())
        return 2;
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ClassRecordRow record;
    TAV_ClassRecord::getInstance()->loadOpenRecord(db, &record);
    TAVDatabase::getInstance()->closeDbCon(db);
    TAVMemInfo::getInstance()->configMap = { { "TimeLimit", "100" } };
    useClass(5);
    ZUFreeActBar::getInstance()->setFreeState(ZUFreeActSer::Menu);
    if (kind == "answering")
        ZUFreeActBar_left::getInstance()->startSingle();
    else
        ZUFreeActBar_left_rush::getInstance()->launchRush();
    // Paused, the round cannot end by itself before the kill (a rush ends three seconds after its winner).
    if (kind == "rush")
        ZUFreeActBar_left_rush::getInstance()->on_pause_clicked();
    bool stored = true;
    for (const Step& step : roundOf(kind)) {
        for (const auto& key : step.keys)
            emit ZUHdManager::getInstance()->sendStudentData(StudentInfo { key.first, 1, 0, key.second });
        stored = stored && QTest::qWaitFor([&step] { return storedResults() == step.results; }, kEventBoundMs);
    }
    std::puts(stored ? "ready" : "ready, answers not stored");
    std::fflush(stdout);
    std::getchar();
    return 0;
}

QString resultsIn(const QJsonObject& interaction)
{
    QStringList results;
    for (const QJsonValue& r : interaction.value("TAVStuResult").toArray())
        results << r.toObject().value("dovaneID").toString() + ":" + r.toObject().value("result").toString();
    results.sort();
    return results.join(' ');
}

} // namespace

// What the free interactions leave in the database: an interaction cut off by a crash keeps the answers that
// had arrived (the upload and the report show them once the lesson's end closes it), one that could not be
// stored is reported and leaves nothing, and an unmarked right answer does not hold back the upload.
class TestZUFreeActStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void interruptedInteractionKeepsItsAnswers_data();
    void interruptedInteractionKeepsItsAnswers();
    void failedStoreIsReportedAndLeavesNothing_data();
    void failedStoreIsReportedAndLeavesNothing();
    void unmarkedAnswerIsClearedByTheNextRound_data();
    void unmarkedAnswerIsClearedByTheNextRound();
};

void TestZUFreeActStore::initTestCase()
{
    ZUTAVInteractSData::getInstance(); // the report window exists before the test looks at it
}

void TestZUFreeActStore::interruptedInteractionKeepsItsAnswers_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("answerType");
    QTest::addColumn<QString>("answer"); // uploaded, once the lesson has ended
    QTest::addColumn<QStringList>("reportRow");

    QTest::newRow("answering") << "answering" << 0 << "" << QStringList { "  1", "  单项选择", "  3", "  --", "  2" };
    QTest::newRow("rush") << "rush" << 3 << "1" << QStringList { "  1", "  抢答", "  2", "  1", "  3" };
}

void TestZUFreeActStore::interruptedInteractionKeepsItsAnswers()
{
    QFETCH(QString, kind);
    QVERIFY(freshLesson());
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ClassRecordRow lesson;
    lesson.creator = "teacher01";
    TAV_ClassRecord::getInstance()->insertClassRecord(db, lesson);
    TAVDatabase::getInstance()->closeDbCon(db);
    const int record = TAVMemInfo::getInstance()->currentRecord.localRecordID;
    QVERIFY(record > 0);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { "--interrupted-round", kind });
    QByteArray out;
    while (!out.contains("ready") && child.waitForReadyRead(2 * kEventBoundMs))
        out += child.readAll();
    QVERIFY2(out.contains("ready"), out.constData());
    child.kill();
    QVERIFY(child.waitForFinished(10000) && child.exitStatus() == QProcess::CrashExit);
    QCOMPARE(count("select count(*) from TAV_InteractInfo where endTime is null"), 1);

    // The lesson is closed, as the next start does with a lesson left open too long.
    ZUToolBarSer::getInstance()->closeClassRecord(record, "crashed", QDateTime::currentDateTime());
    db = TAVDatabase::getInstance()->getDbCon();
    const QString document = Upload::getInstance()->getUploadData(db, record, true);
    TAVDatabase::getInstance()->closeDbCon(db);
    const QJsonArray sent = QJsonDocument::fromJson(document.toUtf8())
                                .object()
                                .value("data")
                                .toObject()
                                .value("TAVInteractInfo")
                                .toArray();
    QCOMPARE(sent.size(), 1);
    const QJsonObject interaction = sent.first().toObject();
    QFETCH(int, answerType);
    QCOMPARE(interaction.value("answerType").toInt(), answerType);
    QFETCH(QString, answer);
    QCOMPARE(interaction.value("answer").toString(), answer);
    QVERIFY(!interaction.value("endTime").toString().isEmpty());
    QCOMPARE(resultsIn(interaction), roundOf(kind).last().results);

    TAVMemInfo::getInstance()->currentRecord.localRecordID = record;
    ZUTAVInteractSData* report = ZUTAVInteractSData::getInstance();
    report->showReport();
    QStringList row;
    for (int c = 0; c < report->answerTable()->columnCount(); ++c)
        row << report->answerTable()->item(0, c)->text();
    QFETCH(QStringList, reportRow);
    QCOMPARE(row, reportRow);
    report->hide();
}

void TestZUFreeActStore::failedStoreIsReportedAndLeavesNothing_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<bool>("pick"); // a random pick, else an answering round
    QTest::addColumn<int>("answers");

    const QString noRow = "drop table TAV_InteractInfo";
    const QString refused = "create trigger refuse before insert on TAV_StuResult when new.dovaneID = 'D02' "
                            "begin select raise(abort, 'refused'); end";
    QTest::newRow("round without its row, nobody answered") << noRow << false << 0;
    QTest::newRow("round without its row, three answers") << noRow << false << 3;
    QTest::newRow("round whose second result is refused") << refused << false << 3;
    QTest::newRow("pick without its row") << noRow << true << 0;
    QTest::newRow("pick whose result is refused") << refused << true << 0;
}

void TestZUFreeActStore::failedStoreIsReportedAndLeavesNothing()
{
    QVERIFY(freshLesson());
    QFETCH(QString, breakage);
    QVERIFY(DbTestSupport::runOutside(breakage));
    QFETCH(bool, pick);
    InteractInfoRow row = ZUFreeActStore::newRow(pick ? ZUFreeAnswerSer::Random : ZUFreeAnswerSer::Single, "-1");
    bool stored;
    if (pick) {
        stored = ZUFreeActStore::storePick(&row, "D02");
    } else {
        ZUFreeActStore::beginInteraction(&row);
        QFETCH(int, answers);
        QList<StuResultRow> results;
        for (int i = 1; i <= answers; ++i)
            results.append({ 0, row.interactID, QString("D%1").arg(i, 2, 10, QLatin1Char('0')), "t", "A", false });
        for (const StuResultRow& result : results)
            ZUFreeActStore::keepResult(result);
        stored = ZUFreeActStore::finishInteraction(row.interactID, results);
    }
    QVERIFY(!stored);
    QCOMPARE(count("select count(*) from TAV_StuResult"), 0);
    if (!breakage.startsWith("drop"))
        QCOMPARE(count("select count(*) from TAV_InteractInfo"), 0);
}

void TestZUFreeActStore::unmarkedAnswerIsClearedByTheNextRound_data()
{
    QTest::addColumn<int>("nextType");
    QTest::addColumn<QString>("nextAnswer");
    QTest::newRow("next answering round") << int(ZUFreeAnswerSer::Multiple) << "-1";
    QTest::newRow("next rush") << int(ZUFreeAnswerSer::Rush) << "1";
}

void TestZUFreeActStore::unmarkedAnswerIsClearedByTheNextRound()
{
    QVERIFY(freshLesson());
    InteractInfoRow first = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    ZUFreeActStore::beginInteraction(&first);
    QVERIFY(ZUFreeActStore::finishInteraction(first.interactID, { { 0, first.interactID, "D01", "t", "A", false } }));
    QFETCH(int, nextType);
    QFETCH(QString, nextAnswer);
    InteractInfoRow next = ZUFreeActStore::newRow(nextType, nextAnswer);
    ZUFreeActStore::beginInteraction(&next);
    QCOMPARE(text("select answer from TAV_InteractInfo where interactID = ?", { first.interactID }), QString(""));
    QCOMPARE(text("select answer from TAV_InteractInfo where interactID = ?", { next.interactID }), nextAnswer);
    // The first round now waits for nothing: the upload sends it with its result.
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QList<InteractInfoRow> offered = TAV_InteractInfo::getInstance()->selectNotUploaded(db, kRecord);
    TAVDatabase::getInstance()->closeDbCon(db);
    QVERIFY(!offered.isEmpty());
    QCOMPARE(offered.first().interactID, first.interactID);
    ZUFreeActStore::finishInteraction(next.interactID, {});
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (c == 3 && QByteArray(v[1]) == "--interrupted-round")
            return interruptedRound(QString::fromLatin1(v[2]));
        TestZUFreeActStore test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZUFreeActStore.moc"
