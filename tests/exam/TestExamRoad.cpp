// A whole question-by-question quiz and a whole all-at-once quiz on the demo paper, answered by the simulated
// receiver's own keypads over the keypad road, saved at quit and uploaded with the lesson: the saved rows are
// what the upload sends, and both are what the answer records held.
#include "ExamTestSupport.h"
#include "TAVDatabase.h"
#include "ToolbarTestSupport.h"
#include "Upload.h"
#include "ZUExamMem.h"
#include "ZUStepExamSer.h"
#include "ZUTeamExamSer.h"
#include "ZUToolBarSer.h"

using namespace ExamTestSupport;

namespace {
QJsonArray quizzesOf(const QString& document)
{
    return QJsonDocument::fromJson(document.toUtf8())["data"]["TAVExamInfo"].toArray();
}
} // namespace

class TestExamRoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        QVERIFY(startService(m_service));
        QVERIFY(ToolbarTestSupport::loginDemoTeacher());
        TAVMemInfo::getInstance()->version = "4.2.0";
        ZUToolBarSer::getInstance()->loadClassInfo(101, ToolbarTestSupport::kTeacher);
        QCOMPARE(TAVMemInfo::getInstance()->snMap.size(), 10);
        Rf21xSimulator* sim = openReceiver();
        sim->setAutoAnswerDelay(20, 200);
        sim->setAutoKeypads(10);
        QVERIFY(ZUToolBarSer::getInstance()->startClassRecord(ToolbarTestSupport::kStation, 101, 1, true));
    }

    void wholeQuizzesAreUploadedAsAnswered()
    {
        ZUStepExamSer* step = ZUStepExamSer::getInstance();
        step->setView(&m_view);
        ZUExamMem::getInstance()->m_examDuration = 600;
        QCOMPARE(step->getPaperInfo("P1001"), 0);
        QString error;
        QCOMPARE(step->checkExamSettings(error), 0);
        for (int q = 0; q < step->getQuestionCount(); ++q) {
            QMap<int, int> items;
            QVERIFY(everyoneAnswers(step->startExam(q, error), step->optionCountFor(q, items)));
            step->stopExam();
        }
        step->quitExam();

        ZUTeamExamSer* team = ZUTeamExamSer::getInstance();
        team->setView(&m_view);
        QCOMPARE(team->getPaperInfo("P1001"), 0);
        team->resetExamTime();
        QVERIFY(everyoneAnswers(team->startExam(error), 8));
        QCOMPARE(team->stopExam(error), 0);
        team->quitExam();
        QVERIFY(writerIdle());

        const int record = TAVMemInfo::getInstance()->currentRecord.localRecordID;
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        const QString saved = Upload::getInstance()->getUploadData(db, record, true);
        TAVDatabase::getInstance()->closeDbCon(db);
        ZUToolBarSer::getInstance()->closeClassRecord(record, "课间测", QDateTime::currentDateTime());
        QVERIFY(ZUToolBarSer::getInstance()->uploadClassRecord(record));
        const QJsonArray sent = quizzesOf(m_service.uploadedDocuments().value(0).recordResult);
        QCOMPARE(sent, quizzesOf(saved));
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[0]["startTime"].toString(), step->examRow().startTime);
        QCOMPARE(sent[1]["paperID"].toString(), QString("P1001"));
        QCOMPARE(differenceFromRecords(sent[0].toObject(), *step), QString());
        QCOMPARE(differenceFromRecords(sent[1].toObject(), *team), QString());
    }

private:
    // Every keypad answers each item the started question (or quiz) opened.
    bool everyoneAnswers(int started, int items)
    {
        m_view.answered.clear();
        const auto done = [&] { return m_view.answered.size() == 10 && m_view.answered.values().count(items) == 10; };
        return started == 0 && QTest::qWaitFor(done, 60000);
    }

    TavWebService m_service;
    RecordingView m_view;
};

TAV_DB_TEST_MAIN(TestExamRoad)
#include "TestExamRoad.moc"
