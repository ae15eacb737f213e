// The paper model, its loading from the web service (and every way that fails), and what is computed from
// the answers: statistics, scores, ranking, the students behind each answer, and the saved rows.
#include "ExamTestSupport.h"
#include "PaperPictureStore.h"
#include "TAVDatabase.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>

using namespace ExamTestSupport;

namespace {
QStringList paperFiles()
{
    return QDir(QCoreApplication::applicationDirPath() + "/PaperData").entryList(QDir::Files, QDir::Name);
}

// The reply with one key of one entry changed (removed for an undefined value).
QJsonObject changed(QJsonObject reply, const char* array, int index, const char* key, const QJsonValue& value)
{
    QJsonArray entries = reply.value(array).toArray();
    QJsonObject entry = entries.at(index).toObject();
    value.isUndefined() ? entry.remove(key) : void(entry.insert(key, value));
    entries.replace(index, entry);
    reply.insert(array, entries);
    return reply;
}
} // namespace

class TestZUBaseExamSer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        QVERIFY(startService(m_service));
    }

    void init()
    {
        useClass(4);
        m_service.clearFailures();
        m_service.clearRequests();
    }

    void readsTheDemoPaperIntoBothIndexSpaces()
    {
        QDir(QCoreApplication::applicationDirPath() + "/PaperData").removeRecursively();
        QCOMPARE(m_ser.getPaperInfo("P1001"), 0);
        QVERIFY(m_service.requests().value(0).rawBody.startsWith("username=teacher01&paperID=P1001&version=4.2.0&"));
        QStringList items, questions;
        for (int i = 0; i < m_ser.m_totalQ; ++i)
            items << m_ser.getRightAnswerByQIndex(i) + (m_ser.getQuestionByQIndex(i).mcsn == i + 1 ? "" : "!");
        for (int q = 0; q < m_ser.getQuestionCount(); ++q)
            questions << QString::number(m_ser.getQuestionSnByQuestion(q)) + (m_ser.isMulByQID(q) ? "m" : "s");
        QCOMPARE(items.join(' '), QString("B C A D AC BCD AC B"));
        QCOMPARE(questions.join(' '), QString("1s 2s 3s 4m 5m 6m"));
        QCOMPARE(m_ser.m_replyPaperID + m_ser.getSectionTitleByQuestion(5), QString("P1001三.综合题"));
        QMap<int, int> subItems;
        QCOMPARE(m_ser.optionCountFor(2, subItems), 2);
        QCOMPARE(subItems, (QMap<int, int> { { 1, 3 }, { 2, 4 } }));
        QCOMPARE(m_ser.subQuestionsByQuestion(5).value(1).mcsn, 8);
        QString text;
        QCOMPARE(m_ser.getRightAnswerListByQuestion(5, text), QStringList({ "AC", "B" }));
        QCOMPARE(text, QString("1、AC  2、B"));
        // Pictures of both kinds arrived whole, and nothing else is in the folder.
        QCOMPARE(m_ser.getQuestionPixmapByQuestion(2).width() + m_ser.getResolvePixmapByQIndex(4).width(), 1520);
        QCOMPARE(paperFiles().size(), 12);
        QVERIFY(paperFiles().contains("1003Text.jpg") && paperFiles().filter(".part").isEmpty());
        QCOMPARE(m_ser.m_answerRecords.keys(), QStringList({ "S01", "S02", "S03", "S04" }));
        QCOMPARE(m_ser.m_answerRecords.first().count(), 8);
    }

    // Answers with fewer parts than items: warnings, and no answer can ever be right for the missing ones.
    void answersTooShortForTheirItems()
    {
        DbTestSupport::LogCapture log;
        QVERIFY(loadPaper(m_service, m_ser, { "", "A|B", "BD" }, { 1, 3, 1 }));
        QStringList rights;
        for (int i = 0; i < m_ser.m_totalQ; ++i)
            rights << m_ser.getRightAnswerByQIndex(i);
        QCOMPARE(rights, QStringList({ "", "A", "B", "", "BD" }));
        QCOMPARE(row(m_ser.isMulByQID(0), m_ser.isMulByQID(1), m_ser.isMulByQID(2)), QString("false false true"));
        QCOMPARE(log.count("****isMulByQID func error") + log.count("****the right answer error"), 3);
    }

    void failedLoadKeepsTheLastPaperAndNoFiles_data()
    {
        QTest::addColumn<int>("failure"); // WebFailure, or None for the reply below
        QTest::addColumn<QJsonObject>("reply");
        QTest::addColumn<QString>("logLine");
        const QJsonObject two = paperReply({ "A", "B" });
        const int none = int(WebFailure::None);
        QTest::newRow("refused") << int(WebFailure::Refuse) << QJsonObject() << "****the flag is false";
        QTest::newRow("HTTP 500") << int(WebFailure::Http500) << QJsonObject() << "";
        QTest::newRow("not JSON") << int(WebFailure::NotJson) << QJsonObject() << "parse content error";
        QTest::newRow("no answer") << int(WebFailure::NoAnswer) << QJsonObject() << "";
        QTest::newRow("picture 404") << none << changed(two, "ksQuestion", 1, "questionTextHTML", "img@paper/no.png")
                                     << "****download failed";
        QTest::newRow("no explanation") << none << changed(two, "ksQuestion", 1, "questionResolveHTML", QJsonValue())
                                        << "****error, the resovle_url is empty";
        QTest::newRow("id leaving the folder")
            << none << changed(two, "ksQuestion", 1, "questionID", "../9002") << "****the picture name is not plain";
        QTest::newRow("reference without a point")
            << none << changed(two, "ksQuestion", 1, "questionTextHTML", "img@paper/1001Text")
            << "****the picture name is not plain";
        QTest::newRow("items out of order") << none << changed(two, "ksRPaperQuestion", 0, "mcsn", 2)
                                            << "****the mcsn of the items is not 1, 2, ... in order";
        // Two items of one number would share a slot of every answer record.
        const QJsonObject three = paperReply({ "A", "B", "C" });
        QTest::newRow("an item number repeated") << none << changed(three, "ksRPaperQuestion", 1, "mcsn", 1)
                                                 << "****the mcsn of the items is not 1, 2, ... in order";
        QTest::newRow("the last item number repeated") << none << changed(three, "ksRPaperQuestion", 2, "mcsn", 2)
                                                       << "****the mcsn of the items is not 1, 2, ... in order";
        QTest::newRow("explanation name leaving the folder")
            << none << changed(two, "ksQuestion", 1, "questionResolveHTML", "img@paper/1001Resolve.p/../../ng")
            << "****the picture name is not plain";
        QTest::newRow("explanation name with a command")
            << none << changed(two, "ksQuestion", 0, "questionResolveHTML", "img@paper/1001Resolve.png;rm")
            << "****the picture name is not plain";
        // A paper without questions or answer items would run a quiz of nothing.
        const QString empty = "****the paper has no questions or no answer items";
        QTest::newRow("result null") << none << QJsonObject { { "null", true } } << empty;
        QTest::newRow("empty result") << none << QJsonObject() << empty;
        QJsonObject noItems = two;
        noItems.insert("ksRPaperQuestion", QJsonArray());
        QTest::newRow("no answer items") << none << noItems << empty;
        QJsonObject noQuestions = two;
        noQuestions.insert("ksQuestion", QJsonArray());
        QTest::newRow("no questions") << none << noQuestions << empty;
    }

    void failedLoadKeepsTheLastPaperAndNoFiles()
    {
        QFETCH(int, failure);
        QFETCH(QJsonObject, reply);
        QFETCH(QString, logLine);
        QCOMPARE(m_ser.getPaperInfo("P1002"), 0);
        const QStringList files = paperFiles();
        if (reply.contains("null"))
            m_service.setCannedReply(ZUExamSer::kPaperPath, 200, R"({"success": true, "result": null})");
        else if (failure == int(WebFailure::None))
            serveReply(m_service, reply);
        else
            m_service.setFailure(ZUExamSer::kPaperPath, WebFailure(failure));
        DbTestSupport::LogCapture log;
        m_service.clearRequests();
        QCOMPARE(m_ser.getPaperInfo("T1"), -1);
        QVERIFY2(logLine.isEmpty() || log.contains(logLine), qPrintable(log.lines().join('\n')));
        // The reply is checked whole before any picture is fetched.
        int picturesAsked = 0;
        for (const WebRequest& request : m_service.requests())
            picturesAsked += request.path.startsWith("/paper/");
        QCOMPARE(picturesAsked > 0, logLine.startsWith("****download"));
        QCOMPARE(m_ser.m_replyPaperID, QString("P1002"));
        QCOMPARE(m_ser.m_totalQ, 3);
        QCOMPARE(m_ser.m_answerRecords.first().count(), 3);
        QCOMPARE(paperFiles(), files);
    }

    // Pictures that would fill the disk, the memory or the time of the teacher fail the paper as any failed
    // load does; the largest picture a classroom screen can use still loads.
    void picturesOutOfBoundsFailTheLoad_data()
    {
        QTest::addColumn<QString>("picture"); // the second question's explanation
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("too many bytes") << "bytes" << -1 << "****download given up, more than";
        // Given up in the picture, or before it when a busy machine spent the time on the reply.
        QTest::newRow("too slow") << "slow" << -1 << "****download given up, not done within|****the paper took longer";
        QTest::newRow("too many pixels") << "5000x5000" << -1 << "****the picture is larger than a screen can use";
        QTest::newRow("too wide") << "9000x100" << -1 << "****the picture is larger than a screen can use";
        QTest::newRow("too high") << "100x9000" << -1 << "****the picture is larger than a screen can use";
        QTest::newRow("largest") << "4096x4096" << 0 << "";
        QTest::newRow("longest") << "1000x8192" << 0 << "";
    }

    void picturesOutOfBoundsFailTheLoad()
    {
        QFETCH(QString, picture);
        QFETCH(int, result);
        QCOMPARE(m_ser.getPaperInfo("P1002"), 0);
        const QStringList files = paperFiles();
        QString reference = "img@paper/1001Resolve.png";
        if (picture == "bytes") {
            m_service.setOversizedReply("/paper/1001Resolve.png", PaperPictureStore::kMaxPictureBytes + 1);
        } else if (picture == "slow") {
            m_service.setFailure("/paper/1001Resolve.png", WebFailure::Trickle);
            m_ser.setLoadLimit(1500);
        } else {
            const QStringList size = picture.split('x');
            QImage image(size[0].toInt(), size[1].toInt(), QImage::Format_Mono);
            image.fill(1);
            QByteArray png;
            QBuffer buffer(&png);
            QVERIFY(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"));
            m_service.setStaticFile("/paper/big.png", png, "image/png");
            reference = "img@paper/big.png";
        }
        serveReply(m_service, changed(paperReply({ "A", "B" }), "ksQuestion", 1, "questionResolveHTML", reference));
        DbTestSupport::LogCapture log;
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(m_ser.getPaperInfo("T1"), result);
        m_ser.setLoadLimit(ZUBaseExamSer::kPaperLoadMs);
        // Far beyond the bound of 1.5 s, yet short of the picture's own time of hours.
        QVERIFY(waited.elapsed() < 60000);
        QFETCH(QString, logLine);
        bool logged = logLine.isEmpty();
        for (const QString& line : logLine.split('|', Qt::SkipEmptyParts))
            logged = logged || log.contains(line);
        QVERIFY2(logged, qPrintable(log.lines().join('\n')));
        if (result == 0) {
            QCOMPARE(m_ser.getResolvePixmapByQuestion(1).size(),
                     QSize(picture.section('x', 0, 0).toInt(), picture.section('x', 1, 1).toInt()));
            return;
        }
        QCOMPARE(m_ser.m_replyPaperID, QString("P1002"));
        QCOMPARE(paperFiles(), files);
    }

    // Item scores are hundredths of a point: a student with every item right has the paper's total.
    void demoPapersFullMarksAreTheirTotal_data()
    {
        QTest::addColumn<QString>("paperID");
        QTest::addColumn<int>("total");
        QFile file(TAV_BIN_DIR "/webservice/demo.json");
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (const QJsonValue& paper : QJsonDocument::fromJson(file.readAll())["papers"].toArray())
            QTest::newRow(qPrintable(paper["paperID"].toString()))
                << paper["paperID"].toString() << paper["allScores"].toString().toInt();
    }

    void demoPapersFullMarksAreTheirTotal()
    {
        QFETCH(QString, paperID);
        QFETCH(int, total);
        QCOMPARE(m_ser.getPaperInfo(paperID), 0);
        int answered = 0;
        for (int i = 0; i < m_ser.m_totalQ; ++i)
            m_ser.m_answerRecords["S01"].recordAnswer(i, m_ser.getRightAnswerByQIndex(i), answered);
        StuRankingInfo full;
        m_ser.computeStudentScore("S01", full);
        QCOMPARE(full.rightCount, m_ser.m_totalQ);
        QCOMPARE(full.score, total * 100);
    }

    void cataloguePagesAppend()
    {
        QList<PaperListItem> papers;
        int total = 0, untouched = 99;
        QCOMPARE(ZUExamSer::getInstance()->getPaperList(1, 1, total, papers), 0);
        const QString text = "username=teacher01&subjectID=1&page=1&pageSize=1&version=4.2.0";
        QCOMPARE(m_service.requests().value(0).rawBody,
                 (text + "&sign=" + TavWebService::md5Hex(text + "&" + TavWebService::signKey())).toUtf8());
        QCOMPARE(ZUExamSer::getInstance()->getPaperList(2, 1, total, papers) + total, 2);
        m_service.setFailure(ZUExamSer::kPaperListPath, WebFailure::NotJson);
        QCOMPARE(ZUExamSer::getInstance()->getPaperList(1, 1, untouched, papers) + untouched, 98);
        QCOMPARE(
            row(papers.size(), papers[0].paperID, papers[0].allScores, papers[0].questionNumCount, papers[1].paperID),
            QString("2 P1001 900 6 P1002"));
    }

    // A reply listing more papers than any subject has: the first ones up to the bound are taken, with a log line.
    void catalogueTakesAtMostTheBound_data()
    {
        QTest::addColumn<int>("listed");
        QTest::newRow("at the bound") << ZUExamSer::kMaxListedPapers;
        QTest::newRow("one over") << ZUExamSer::kMaxListedPapers + 1;
        QTest::newRow("a hundred thousand") << 100000;
    }

    void catalogueTakesAtMostTheBound()
    {
        QFETCH(int, listed);
        QJsonArray entries;
        for (int i = 1; i <= listed; ++i)
            entries.append(QJsonObject { { "paperID", QString("P%1").arg(i) },
                                         { "paperName", QString("练习%1").arg(i) },
                                         { "allScores", "100" },
                                         { "questionNumCount", 10 } });
        m_service.reshapeReply(ZUExamSer::kPaperListPath, "result/paper", entries);
        QList<PaperListItem> papers;
        int total = 0;
        DbTestSupport::LogCapture log;
        QCOMPARE(ZUExamSer::getInstance()->getPaperList(1, 7, total, papers), 0);
        QCOMPARE(papers.size(), qMin(listed, int(ZUExamSer::kMaxListedPapers)));
        QCOMPARE(papers.first().paperID + " " + papers.last().paperID,
                 QString("P1 P%1").arg(qMin(listed, int(ZUExamSer::kMaxListedPapers))));
        QCOMPARE(log.count(QString("****the paper list holds %1 papers, only the first %2 are taken")
                               .arg(listed)
                               .arg(ZUExamSer::kMaxListedPapers)),
                 int(listed > ZUExamSer::kMaxListedPapers));
    }

    // An entry without a text id would list as a row that loads the paper "".
    void catalogueLeavesOutPapersWithoutAnId_data()
    {
        QTest::addColumn<QJsonValue>("paperID");
        QTest::newRow("missing") << QJsonValue();
        QTest::newRow("a number") << QJsonValue(1001);
        QTest::newRow("empty") << QJsonValue("");
        QTest::newRow("null") << QJsonValue(QJsonValue::Null);
    }

    void catalogueLeavesOutPapersWithoutAnId()
    {
        QFETCH(QJsonValue, paperID);
        m_service.reshapeReply(ZUExamSer::kPaperListPath, "result/paper/0/paperID", paperID);
        QList<PaperListItem> papers;
        int total = 0;
        QCOMPARE(ZUExamSer::getInstance()->getPaperList(1, 7, total, papers), 0);
        QCOMPARE(papers.size(), 1);
        QCOMPARE(papers[0].paperID + papers[0].paperName, QString("P1002有理数运算练习"));
    }

    void countsAndOrdersItems()
    {
        useClass(6);
        QVERIFY(loadPaper(m_service, m_ser, { "AC", "B", "CA" }));
        // Item 3's right answer is not in letter order, so no stored answer can match it.
        answer({ "1AC 2B 3AC", "1AC 2B 3AC", "1AC 2B", "1A", "1C" });
        QList<QuestionStatInfo> rows;
        QCOMPARE(m_ser.questionReport(rows), 0);
        QStringList report;
        for (const QuestionStatInfo& r : rows)
            report << row(r.sectionNumeral + r.sectionName, r.number, r.answeredCount, r.rightCount, r.wrongCount,
                          r.unansweredCount);
        QCOMPARE(report, QStringList({ "一单项选择题 3 2 0 2 4", "一单项选择题 1 5 3 2 1", "一单项选择题 2 3 3 0 3" }));
    }

    void ranksByRightItemsThenTime()
    {
        serveReply(m_service, changed(paperReply({ "A", "B", "C" }), "ksRPaperQuestion", 2, "scores", 300));
        QCOMPARE(m_ser.getPaperInfo("T1"), 0);
        answer({ "1A 2B", "2B 3C", "", "1A 2D" });
        m_ser.m_answerRecords["S01"].setUsedTime(40);
        m_ser.m_answerRecords["S02"].setUsedTime(55);
        m_ser.m_answerRecords["S04"].setUsedTime(10);
        m_ser.m_answerRecords.insert("X99", StudentAnswerRecord(3)); // not in the roster
        QList<StuRankingInfo> rows;
        QCOMPARE(m_ser.studentReport(rows), 0);
        QStringList ranking;
        for (const StuRankingInfo& r : rows)
            ranking << row(r.name, r.rightCount, r.answeredCount, r.unansweredCount, r.score, r.usedTime);
        QCOMPARE(ranking,
                 QStringList({ "N01 2 2 1 200 40", "N02 2 2 1 400 55", "N04 1 2 1 100 10", "N03 0 0 3 0 86400",
                               " 0 0 3 0 86400" }));
    }

    void groupsStudentsByAnswer_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("groups");
        QTest::newRow("two") << 2 << QStringList({ "未作答:N08,N09", "其他:N04,N07", "D:N05,N06", "A:N01,N02,N03" });
        QTest::newRow("all") << -1
                             << QStringList({ "未作答:N08,N09", "B:N04", "BD:N07", "D:N05,N06", "A:N01,N02,N03" });
    }

    void groupsStudentsByAnswer()
    {
        QFETCH(int, limit);
        useClass(9);
        QVERIFY(loadPaper(m_service, m_ser, { "A" }));
        answer({ "1A", "1A", "1A", "1B", "1D", "1D", "1BD" });
        QStringList groups;
        for (const OptionNamesInfo& entry : m_ser.getAnswerNamesByQIndex(0, limit))
            groups << entry.option + ":" + entry.names.join(',');
        QTEST(groups, "groups");
    }

    void savedRowsFollowTheRecords()
    {
        QVERIFY(loadPaper(m_service, m_ser, { "A", "B" }));
        answer({ "2B 2D", "", "1A" });
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        m_ser.saveExamStudents(db, -1); // a quiz row that could not be written takes nothing with it
        m_ser.saveExamStudents(db, 5);
        TAVDatabase::getInstance()->closeDbCon(db);
        // Every student has a row per item; no time is NULL, a time is stored as it is; each history entry is
        // a row of its own.
        QCOMPARE(DbTestSupport::committedValue("select count(*) || ' ' || count(answerTime) || ' ' || max(answerTime) "
                                               "|| ' ' || max(examID) from TAV_ExamStuAnswer")
                     .toString(),
                 row(8, 2, m_ser.m_answerRecords["S03"].answerTimes().at(0), 5));
        QCOMPARE(DbTestSupport::committedValue("select group_concat(sequence || answer, ' ') from "
                                               "(select * from TAV_ExamStuAnswer_Pro order by id)")
                     .toString(),
                 QString("1B 2D 1A"));
    }

private:
    // Presses of S01, S02, ... in order, each an item number followed by the answer ("1AC 2B 2D").
    void answer(const QStringList& perStudent)
    {
        for (int s = 0; s < perStudent.size(); ++s) {
            int answered = 0;
            for (const QString& press : perStudent.at(s).split(' ', Qt::SkipEmptyParts))
                m_ser.m_answerRecords[student(s + 1)].recordAnswer(press.left(1).toInt() - 1, press.mid(1), answered);
        }
    }

    TavWebService m_service;
    ZUBaseExamSer m_ser;
};

TAV_DB_TEST_MAIN(TestZUBaseExamSer)
#include "TestZUBaseExamSer.moc"
