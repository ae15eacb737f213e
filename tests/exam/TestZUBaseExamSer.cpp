// The paper model, its loading from the web service (and every way that fails), and what is computed from
// the answers: statistics, scores, ranking, the students behind each answer, and the saved rows.
#include "ExamTestSupport.h"
#include "TAVDatabase.h"
#include "TAV_ExamInfo.h"
#include "Upload.h"

using namespace ExamTestSupport;

namespace {
QStringList paperFiles()
{
    return QDir(QCoreApplication::applicationDirPath() + "/PaperData").entryList(QDir::Files, QDir::Name);
}

QJsonObject changed(QJsonObject reply, const char* array, int index, const char* key, const QJsonValue& value)
{
    QJsonArray entries = reply.value(array).toArray();
    QJsonObject entry = entries.at(index).toObject();
    if (value.isUndefined())
        entry.remove(key);
    else
        entry.insert(key, value);
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
        const WebRequest request = m_service.requestsTo(ZUExamSer::kPaperPath).value(0);
        QVERIFY(request.signOk && request.rawBody.startsWith("username=teacher01&paperID=P1001&version=4.2.0&sign="));
        QCOMPARE(m_ser.m_replyPaperID, QString("P1001"));
        QCOMPARE(m_ser.getQuestionCount(), 6);
        QCOMPARE(m_ser.m_totalQ, 8);
        QStringList rights;
        for (int i = 0; i < m_ser.m_totalQ; ++i) {
            QCOMPARE(m_ser.getQuestionByQIndex(i).mcsn, i + 1);
            rights << m_ser.getRightAnswerByQIndex(i);
        }
        QCOMPARE(rights, QStringList({ "B", "C", "A", "D", "AC", "BCD", "AC", "B" }));
        QList<bool> multiple;
        for (int q = 0; q < 6; ++q)
            multiple << m_ser.isMulByQID(q);
        QCOMPARE(multiple, QList<bool>({ false, false, false, true, true, true }));
        QCOMPARE(m_ser.getSectionTitleByQuestion(5), QString("三.综合题"));
        QCOMPARE(m_ser.getQuestionSnByQuestion(5), 6);
        QMap<int, int> items;
        QCOMPARE(m_ser.optionCountFor(2, items), 2);
        QCOMPARE(items, (QMap<int, int> { { 1, 3 }, { 2, 4 } }));
        QCOMPARE(m_ser.subQuestionsByQuestion(5).value(1).mcsn, 8);
        QString text;
        QCOMPARE(m_ser.getRightAnswerListByQuestion(5, text), QStringList({ "AC", "B" }));
        QCOMPARE(text, QString("1、AC  2、B"));
        // Pictures of both kinds arrived whole, and nothing else is in the folder.
        QCOMPARE(m_ser.getQuestionPixmapByQuestion(2).width(), 760);
        QCOMPARE(m_ser.getResolvePixmapByQIndex(4).width(), 760);
        QCOMPARE(paperFiles().size(), 12);
        QVERIFY(paperFiles().contains("1003Text.jpg") && paperFiles().filter(".part").isEmpty());
        QCOMPARE(m_ser.m_answerRecords.keys(), QStringList({ "S01", "S02", "S03", "S04" }));
        QCOMPARE(m_ser.m_answerRecords.first().count(), 8);
    }

    void rightAnswersAndAnsweringMode_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("items");
        QTest::addColumn<QStringList>("rights");
        QTest::addColumn<bool>("multiple");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("singles") << "A|B|D" << 3 << QStringList({ "A", "B", "D" }) << false << QStringList();
        QTest::newRow("one of several") << "AC|B" << 2 << QStringList({ "AC", "B" }) << true << QStringList();
        QTest::newRow("multiple") << "BD" << 1 << QStringList("BD") << true << QStringList();
        QTest::newRow("single") << "B" << 1 << QStringList("B") << false << QStringList();
        QTest::newRow("empty") << "" << 1 << QStringList("") << false << QStringList("****isMulByQID func error");
        QTest::newRow("too few") << "A|B" << 3 << QStringList({ "A", "B", "" }) << false
                                 << QStringList({ "****the right answer error", "****isMulByQID func error" });
    }

    void rightAnswersAndAnsweringMode()
    {
        QFETCH(QString, answer);
        QFETCH(int, items);
        DbTestSupport::LogCapture log;
        QVERIFY(loadPaper(m_service, m_ser, { answer }, { items }));
        QStringList rights;
        for (int i = 0; i < m_ser.m_totalQ; ++i)
            rights << m_ser.getRightAnswerByQIndex(i);
        QTEST(rights, "rights");
        QTEST(m_ser.isMulByQID(0), "multiple");
        QFETCH(QStringList, warnings);
        for (const QString& warning : warnings)
            QVERIFY2(log.contains(warning), qPrintable(warning));
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
    }

    void failedLoadKeepsTheLastPaperAndNoFiles()
    {
        QFETCH(int, failure);
        QFETCH(QJsonObject, reply);
        QFETCH(QString, logLine);
        QCOMPARE(m_ser.getPaperInfo("P1002"), 0);
        const QStringList files = paperFiles();
        if (failure == int(WebFailure::None))
            serveReply(m_service, reply);
        else
            m_service.setFailure(ZUExamSer::kPaperPath, WebFailure(failure));
        DbTestSupport::LogCapture log;
        QCOMPARE(m_ser.getPaperInfo("T1"), -1);
        QVERIFY2(logLine.isEmpty() || log.contains(logLine), qPrintable(log.lines().join('\n')));
        QCOMPARE(m_ser.m_replyPaperID, QString("P1002"));
        QCOMPARE(m_ser.m_totalQ, 3);
        QCOMPARE(m_ser.m_answerRecords.first().count(), 3);
        QCOMPARE(paperFiles(), files);
    }

    void cataloguePagesAppend()
    {
        QList<PaperListItem> papers;
        int total = 0;
        QCOMPARE(ZUExamSer::getInstance()->getPaperList(1, 1, total, papers), 0);
        const QString text = "username=teacher01&subjectID=1&page=1&pageSize=1&version=4.2.0";
        QCOMPARE(m_service.requests().value(0).rawBody,
                 (text + "&sign=" + TavWebService::md5Hex(text + "&" + TavWebService::signKey())).toUtf8());
        QCOMPARE(ZUExamSer::getInstance()->getPaperList(2, 1, total, papers), 0);
        QCOMPARE(total, 2);
        m_service.setFailure(ZUExamSer::kPaperListPath, WebFailure::NotJson);
        int untouched = 99;
        QCOMPARE(ZUExamSer::getInstance()->getPaperList(1, 1, untouched, papers), -1);
        QCOMPARE(untouched, 99);
        QCOMPARE(papers.size(), 2);
        QCOMPARE(papers.at(1).paperID, QString("P1002"));
        QCOMPARE(papers.at(0).allScores, QString("900"));
        QCOMPARE(papers.at(0).questionNumCount, 6);
    }

    void countsAndOrdersItems()
    {
        useClass(6);
        QVERIFY(loadPaper(m_service, m_ser, { "AC", "B", "CA" }));
        // Item 3's right answer is not in letter order, so no stored answer can match it.
        answer({ "1AC 2B 3AC", "1AC 2B 3AC", "1AC 2B", "1A", "1C" });
        QList<QuestionStatInfo> rows;
        QCOMPARE(m_ser.questionReport(rows), 0);
        QCOMPARE(rows.size(), 3);
        QCOMPARE((QList<int> { rows[0].number, rows[1].number, rows[2].number }), QList<int>({ 3, 1, 2 }));
        const QuestionStatInfo& first = rows[1];
        QCOMPARE((QList<int> { first.answeredCount, first.rightCount, first.wrongCount, first.unansweredCount }),
                 QList<int>({ 5, 3, 2, 1 }));
        QCOMPARE(first.sectionNumeral + first.sectionName, QString("一单项选择题"));
        QCOMPARE(rows[0].rightCount, 0);
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
            ranking << QString("%1 %2/%3/%4/%5 %6")
                           .arg(r.name)
                           .arg(r.rightCount)
                           .arg(r.answeredCount)
                           .arg(r.unansweredCount)
                           .arg(r.score)
                           .arg(r.usedTime);
        QCOMPARE(ranking,
                 QStringList({ "N01 2/2/1/200 40", "N02 2/2/1/400 55", "N04 1/2/1/100 10", "N03 0/0/3/0 86400",
                               " 0/0/3/0 86400" }));
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

    void savedRowsAreWhatTheUploadSends()
    {
        QVERIFY(loadPaper(m_service, m_ser, { "A", "B" }));
        answer({ "2B 2D", "", "1A" });
        m_ser.m_answerRecords["S01"].setUsedTime(30);
        QVERIFY(DbTestSupport::runOutside("insert into TAV_ClassRecord (UUID, creator, classID, subjectID, "
                                          "startTime, status, classStatus, stationSn) values "
                                          "('{u}', 'teacher01', 101, 1, '2024-09-01 10:00:00', 0, 1, 'RF21X00001')"));
        const int record = DbTestSupport::committedValue("select max(localRecordID) from TAV_ClassRecord").toInt();
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        m_ser.saveExamStudents(db, -1); // a quiz row that could not be written takes nothing with it
        ExamInfoRow quiz { 0, record, "2024-09-01 10:00:00", "2024-09-01 10:05:00", "T1", 0 };
        TAV_ExamInfo::getInstance()->insertExamInfo(db, quiz);
        m_ser.saveExamStudents(db, quiz.examID);
        const QString document = Upload::getInstance()->getUploadData(db, record, true);
        TAVDatabase::getInstance()->closeDbCon(db);

        QCOMPARE(DbTestSupport::committedValue("select count(*) from TAV_ExamStuAnswer").toInt(), 8);
        QCOMPARE(
            DbTestSupport::committedValue("select count(*) from TAV_ExamStuAnswer where answerTime is null").toInt(),
            6);
        // Times are stored as they are, not as SQL text.
        QCOMPARE(DbTestSupport::committedValue("select answerTime from TAV_ExamStuAnswer where dovaneID = 'S01' and "
                                               "mcsn = 2")
                     .toString(),
                 m_ser.m_answerRecords["S01"].answerTimes().at(1));
        const QJsonObject exam = QJsonDocument::fromJson(document.toUtf8())["data"]["TAVExamInfo"][0].toObject();
        QCOMPARE(exam["paperID"].toString(), QString("T1"));
        QCOMPARE(differenceFromRecords(exam, m_ser), QString());
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
