// The background upload end to end against the local web service: nothing is lost on any failure.
#include "AutoUploadThread.h"
#include "DbTestSupport.h"
#include "LessonFixture.h"
#include "NetTestSupport.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_ClassRecord.h"
#include "TavWebService.h"
#include "Upload.h"

#include <QApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace LessonFixture;

namespace {

const int kWaitMs = 8000;

QString withoutOffLineTime(QString document)
{
    return document.replace(QRegularExpression("\"offLineTime\":\"[^\"]*\""), "\"offLineTime\":\"\"");
}

Shape fullLesson()
{
    Shape shape;
    shape.students = 3;
    shape.interactions = 2;
    shape.quizzes = 1;
    shape.items = 2;
    return shape;
}

} // namespace

class TestAutoUploadThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void endedLessonIsSentExactlyAndDropped();
    void everyFailureLeavesEveryRow_data();
    void everyFailureLeavesEveryRow();
    void openLessonIsSentButKeptAndHoldsLaterOnesBack();

private:
    // Lets the thread run this many more cycles.
    void waitCycles(int cycles);

    TavWebService m_service;
    std::unique_ptr<DbTestSupport::LogCapture> m_log; // made once QtTest has installed its own handler
};

void TestAutoUploadThread::initTestCase()
{
    m_log = std::make_unique<DbTestSupport::LogCapture>();
    QVERIFY(DbTestSupport::freshDatabase());
    QVERIFY(m_service.start());
    QVERIFY(NetTestSupport::useServer("127.0.0.1", m_service.port()));
    AutoUploadThread* thread = AutoUploadThread::getInstance();
    thread->setPeriodMs(50);
    thread->setReplyTimeoutMs(800);
    thread->start();
}

void TestAutoUploadThread::cleanupTestCase()
{
    AutoUploadThread::getInstance()->stop();
    QVERIFY(AutoUploadThread::getInstance()->isFinished());
}

void TestAutoUploadThread::init()
{
    QTRY_COMPARE_WITH_TIMEOUT(rows("TAV_ClassRecord"), 0, kWaitMs);
    m_service.clearFailures();
    m_service.clearRequests();
    m_service.clearUploads();
}

void TestAutoUploadThread::waitCycles(int cycles)
{
    const QString line = QStringLiteral("AutoUploadThread****get upload data");
    const int target = m_log->count(line) + cycles;
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count(line) >= target, kWaitMs);
}

void TestAutoUploadThread::endedLessonIsSentExactlyAndDropped()
{
    // The document the thread will send, taken while the thread is kept out.
    Upload::getInstance()->uploadMutex()->lock();
    const Lesson lesson = makeLesson(fullLesson(), "数学-初二(1)班 Q&A 100% a+b");
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QString expected = Upload::getInstance()->getUploadData(db, lesson.recordID, false);
    TAVDatabase::getInstance()->closeDbCon(db);
    Upload::getInstance()->uploadMutex()->unlock();
    QVERIFY(lessonRows(lesson.recordID) > 0);

    QTRY_COMPARE_WITH_TIMEOUT(lessonRows(lesson.recordID), 0, kWaitMs);
    const QList<UploadedDocument> uploads = m_service.uploadedDocuments();
    QCOMPARE(uploads.size(), 1);
    QCOMPARE(withoutOffLineTime(uploads.first().recordResult), withoutOffLineTime(expected));
    QCOMPARE(uploads.first().flag, QString("1"));
    QVERIFY(m_service.requestsTo(Upload::kPath).first().signOk);
    QVERIFY(TAVMemInfo::getInstance()->onlineFlag);
}

void TestAutoUploadThread::everyFailureLeavesEveryRow_data()
{
    QTest::addColumn<WebFailure>("failure");
    QTest::addColumn<bool>("unreachable");
    QTest::newRow("refused document") << WebFailure::Refuse << false;
    QTest::newRow("HTTP 500") << WebFailure::Http500 << false;
    QTest::newRow("body not JSON") << WebFailure::NotJson << false;
    QTest::newRow("no answer (time-out)") << WebFailure::NoAnswer << false;
    QTest::newRow("server unreachable") << WebFailure::None << true;
}

void TestAutoUploadThread::everyFailureLeavesEveryRow()
{
    QFETCH(WebFailure, failure);
    QFETCH(bool, unreachable);
    const quint16 port = m_service.port();
    if (unreachable)
        m_service.stop();
    m_service.setFailure(Upload::kPath, failure);
    QSignalSpy status(AutoUploadThread::getInstance(), &AutoUploadThread::netStatus);

    const Lesson lesson = makeLesson(fullLesson(), "failure");
    const int stored = lessonRows(lesson.recordID);
    QTRY_VERIFY_WITH_TIMEOUT(status.count() >= 2, kWaitMs);
    QCOMPARE(lessonRows(lesson.recordID), stored);
    QCOMPARE(DbTestSupport::committedValue("select count(*) from TAV_InteractInfo where status = 1").toInt(), 0);
    QCOMPARE(DbTestSupport::committedValue("select count(*) from TAV_ExamStuAnswer where status = 1").toInt(), 0);
    QVERIFY(!TAVMemInfo::getInstance()->onlineFlag);
    QVERIFY(m_service.uploadedDocuments().isEmpty());

    // Once the service takes it again, the same rows go, all of them.
    m_service.clearFailures();
    if (unreachable)
        QVERIFY(m_service.start(port));
    QTRY_COMPARE_WITH_TIMEOUT(lessonRows(lesson.recordID), 0, kWaitMs);
    QCOMPARE(m_service.uploadedDocuments().size(), 1);
    const QJsonObject data = QJsonDocument::fromJson(m_service.uploadedDocuments().first().recordResult.toUtf8())
                                 .object()
                                 .value("data")
                                 .toObject();
    QCOMPARE(data.value("TAVInteractInfo").toArray().size(), 2);
    QCOMPARE(data.value("TAVExamInfo").toArray().first().toObject().value("TAVExamStuAnswer").toArray().size(), 6);
    QVERIFY(TAVMemInfo::getInstance()->onlineFlag);
}

void TestAutoUploadThread::openLessonIsSentButKeptAndHoldsLaterOnesBack()
{
    const Lesson open = makeLesson(fullLesson());
    QTRY_COMPARE_WITH_TIMEOUT(m_service.uploadedDocuments().size(), 1, kWaitMs);
    QCOMPARE(m_service.uploadedDocuments().first().flag, QString("0"));
    QTRY_COMPARE_WITH_TIMEOUT(
        DbTestSupport::committedValue("select status from TAV_ClassRecord where localRecordID = ?", { open.recordID })
            .toInt(),
        1, kWaitMs);

    const Lesson later = makeLesson(fullLesson(), "later");
    waitCycles(3);
    QCOMPARE(m_service.uploadedDocuments().size(), 1);
    QVERIFY(lessonRows(open.recordID) > 0);
    QVERIFY(lessonRows(later.recordID) > 0);

    // Ending the open lesson: the next cycle finds nothing to send and drops it, then the later one goes.
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    TAV_ClassRecord::getInstance()->setEndTimeAndName(db, open.recordID, "open", QDateTime::currentDateTime());
    TAVDatabase::getInstance()->closeDbCon(db);
    QTRY_COMPARE_WITH_TIMEOUT(lessonRows(open.recordID), 0, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(lessonRows(later.recordID), 0, kWaitMs);
    QVERIFY(m_log->contains("AutoUploadThread**** empty data, the class is end"));
    QCOMPARE(m_service.uploadedDocuments().size(), 2);
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestAutoUploadThread test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestAutoUploadThread.moc"
