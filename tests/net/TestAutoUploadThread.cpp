// The background upload end to end against the local web service: nothing is lost on any failure.
#include "AutoUploadThread.h"
#include "LessonFixture.h"
#include "NetTestSupport.h"
#include "PeakMemory.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_ClassRecord.h"
#include "TavWebService.h"
#include "TavWriteBehind.h"
#include "TavWriteKinds.h"
#include "Upload.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSignalSpy>

#include <memory>

using namespace DbTestSupport;
using namespace LessonFixture;

namespace {
const int kWaitMs = 30000;
// The reply time-out of the cases where the service does not answer in time, so that each cycle gives up soon;
// elsewhere the thread's own, which no starved service on this machine comes near.
const int kShortReplyTimeoutMs = 800;
const Shape kLesson { 3, 1, 2, 1, 2 };
const QVector<int> kNoRows(9, 0);

QString withoutOffLineTime(QString document)
{
    return document.replace(QRegularExpression("\"offLineTime\":\"[^\"]*\""), "\"offLineTime\":\"\"");
}
} // namespace

class TestAutoUploadThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        QVERIFY(m_service.start());
        QVERIFY(NetTestSupport::useServer("127.0.0.1", m_service.port()));
        // Unless shortened, lessons go out every two minutes and the service has ten seconds to answer.
        QCOMPARE(AutoUploadThread::getInstance()->periodMs(), 120 * 1000);
        QCOMPARE(AutoUploadThread::getInstance()->replyTimeoutMs(), 10 * 1000);
        AutoUploadThread::getInstance()->setPeriodMs(50);
        AutoUploadThread::getInstance()->start();
    }
    void cleanupTestCase()
    {
        AutoUploadThread::getInstance()->stop();
        QVERIFY(AutoUploadThread::getInstance()->isFinished());
        TavWriteBehind::getInstance()->finish(0);
    }
    void init()
    {
        QTRY_COMPARE_WITH_TIMEOUT(tableRows(), kNoRows, kWaitMs);
        m_service.clearFailures();
        m_service.clearRequests();
        m_service.clearUploads();
    }

    void lessonIsSentExactlyOnceTheServiceTakesIt_data()
    {
        QTest::addColumn<WebFailure>("failure");
        QTest::addColumn<bool>("unreachable");
        QTest::newRow("accepted at once") << WebFailure::None << false;
        QTest::newRow("refused document") << WebFailure::Refuse << false;
        QTest::newRow("HTTP 500") << WebFailure::Http500 << false;
        QTest::newRow("body not JSON") << WebFailure::NotJson << false;
        QTest::newRow("no answer (time-out)") << WebFailure::NoAnswer << false;
        QTest::newRow("server unreachable") << WebFailure::None << true;
    }
    void lessonIsSentExactlyOnceTheServiceTakesIt()
    {
        QFETCH(WebFailure, failure);
        QFETCH(bool, unreachable);
        const quint16 port = m_service.port();
        if (unreachable)
            m_service.stop();
        m_service.setFailure(Upload::kPath, failure);
        if (failure == WebFailure::NoAnswer)
            AutoUploadThread::getInstance()->setReplyTimeoutMs(kShortReplyTimeoutMs);
        QSignalSpy status(AutoUploadThread::getInstance(), &AutoUploadThread::netStatus);

        // The document the thread will send, taken while the thread is kept out.
        Upload::getInstance()->uploadMutex()->lock();
        const Lesson lesson = makeLesson(kLesson, "数学-初二(1)班 Q&A 100% a+b x%2By%26z%25");
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        const QString expected = Upload::getInstance()->getUploadData(db, lesson.recordID, false);
        TAVDatabase::getInstance()->closeDbCon(db);
        Upload::getInstance()->uploadMutex()->unlock();

        if (failure != WebFailure::None || unreachable) {
            const QVector<int> stored = tableRows();
            QTRY_VERIFY_WITH_TIMEOUT(status.count() >= 2, kWaitMs);
            QCOMPARE(tableRows(), stored);
            QCOMPARE(rows("TAV_InteractInfo where status = 1") + rows("TAV_ExamStuAnswer where status = 1"), 0);
            QVERIFY(!TAVMemInfo::getInstance()->onlineFlag);
            QVERIFY(m_service.uploadedDocuments().isEmpty());
            AutoUploadThread::getInstance()->setReplyTimeoutMs(AutoUploadThread::kReplyTimeoutMs);
            m_service.clearFailures();
            if (unreachable)
                QVERIFY(m_service.start(port));
        }
        QTRY_COMPARE_WITH_TIMEOUT(tableRows(), kNoRows, kWaitMs);
        QCOMPARE(m_service.uploadedDocuments().size(), 1);
        QCOMPARE(withoutOffLineTime(m_service.uploadedDocuments().first().recordResult), withoutOffLineTime(expected));
        QCOMPARE(m_service.uploadedDocuments().first().flag, QString("1"));
        QVERIFY(m_service.requestsTo(Upload::kPath).last().signOk);
        QVERIFY(TAVMemInfo::getInstance()->onlineFlag);
    }

    // A reply far over any real one, as fast as loopback carries it, or a megabyte that inflates to a gigabyte: the
    // lesson stays for the next cycle, and the thread holds no more than a bounded part of the reply.
    void oversizedReplyKeepsTheLessonInBoundedMemory_data()
    {
        QTest::addColumn<QByteArray>("encoding"); // empty: 256 MiB of plain filler
        QTest::addColumn<bool>("chunked");
        QTest::newRow("plain") << QByteArray() << false;
        QTest::newRow("gzip") << QByteArray("gzip") << false;
        QTest::newRow("gzip, chunked") << QByteArray("gzip") << true;
        QTest::newRow("deflate") << QByteArray("deflate") << false;
    }
    void oversizedReplyKeepsTheLessonInBoundedMemory()
    {
        QFETCH(QByteArray, encoding);
        QFETCH(bool, chunked);
        if (encoding.isEmpty())
            m_service.setOversizedReply(Upload::kPath, 256 * 1024 * 1024);
        else
            m_service.setCompressedReply(Upload::kPath, qint64(1) << 30, encoding, chunked);
        QSignalSpy status(AutoUploadThread::getInstance(), &AutoUploadThread::netStatus);
        Upload::getInstance()->uploadMutex()->lock();
        makeLesson(kLesson, "数学-初二(1)班");
        const QVector<int> stored = tableRows();
        const PeakMemory::Growth memory;
        QVERIFY(memory.isValid());
        Upload::getInstance()->uploadMutex()->unlock();

        QTRY_VERIFY_WITH_TIMEOUT(status.count() >= 2, kWaitMs);
        const qint64 grown = memory.bytes();
        QCOMPARE(tableRows(), stored);
        QCOMPARE(rows("TAV_ClassRecord where status = 1") + rows("TAV_InteractInfo where status = 1"), 0);
        QVERIFY(!TAVMemInfo::getInstance()->onlineFlag);
        QVERIFY2(grown < 64 * 1024 * 1024, qPrintable(memory.describe()));
        m_service.clearFailures();
        QTRY_COMPARE_WITH_TIMEOUT(tableRows(), kNoRows, kWaitMs);
    }

    // The service's "success" came whole, but the reply was given up at its time-out before its announced end: a
    // reply that did not end is no answer, and the lesson is kept and sent again.
    void replyCutAtItsTimeOutKeepsTheLesson()
    {
        m_service.setCannedReply(Upload::kPath, 200, "{\"success\":true}" + QByteArray(200, ' '));
        m_service.setTrickledReply(Upload::kPath, 10);
        AutoUploadThread::getInstance()->setReplyTimeoutMs(kShortReplyTimeoutMs);
        QSignalSpy status(AutoUploadThread::getInstance(), &AutoUploadThread::netStatus);
        Upload::getInstance()->uploadMutex()->lock();
        makeLesson(kLesson, "数学-初二(1)班");
        const QVector<int> stored = tableRows();
        Upload::getInstance()->uploadMutex()->unlock();

        // Two cycles given up, or the lesson taken for sent.
        QTRY_VERIFY_WITH_TIMEOUT(status.count() >= 2 || tableRows() != stored, kWaitMs);
        QCOMPARE(tableRows(), stored);
        QCOMPARE(rows("TAV_ClassRecord where status = 1") + rows("TAV_InteractInfo where status = 1"), 0);
        QVERIFY(!TAVMemInfo::getInstance()->onlineFlag);
        AutoUploadThread::getInstance()->setReplyTimeoutMs(AutoUploadThread::kReplyTimeoutMs);
        m_service.clearFailures();
        QTRY_COMPARE_WITH_TIMEOUT(tableRows(), kNoRows, kWaitMs);
    }

    void openLessonIsSentButKeptUntilItEnds()
    {
        const Lesson open = makeLesson(kLesson);
        const QVector<int> stored = tableRows();
        QTRY_COMPARE_WITH_TIMEOUT(rows("TAV_ClassRecord where status = 1"), 1, kWaitMs);
        QCOMPARE(m_service.uploadedDocuments().size(), 1);
        QCOMPARE(m_service.uploadedDocuments().first().flag, QString("0"));
        QCOMPARE(tableRows(), stored);

        // Ended with nothing left to send, it is dropped without another upload.
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        TAV_ClassRecord::getInstance()->setEndTimeAndName(db, open.recordID, "open", QDateTime::currentDateTime());
        TAVDatabase::getInstance()->closeDbCon(db);
        QTRY_COMPARE_WITH_TIMEOUT(tableRows(), kNoRows, kWaitMs);
        QCOMPARE(m_service.uploadedDocuments().size(), 1);
    }

    // The service took the lesson, then one interaction could not be marked sent and the lesson not dropped (a
    // statement refused while the rest of the transaction goes on): it goes again whole, never in part.
    void lessonNotMarkedWholeGoesAgainTheSame()
    {
        QMutexLocker hold(Upload::getInstance()->uploadMutex());
        makeLesson(kLesson, "closed");
        const QVector<int> stored = tableRows();
        QVERIFY(runOutside("create trigger refuseMark before update of status on TAV_InteractInfo when "
                           "new.interactID = (select max(interactID) from TAV_InteractInfo) begin select raise(abort, "
                           "'database or disk is full'); end"));
        for (const QString table : { "TAV_ClassRecord", "TAV_InteractInfo" })
            QVERIFY(runOutside("create trigger refuseDrop" + table + " before delete on " + table
                               + " begin select raise(abort, 'database or disk is full'); end"));
        hold.unlock();

        QTRY_VERIFY_WITH_TIMEOUT(m_service.uploadedDocuments().size() >= 2, kWaitMs);
        hold.relock();
        const QList<UploadedDocument> twice = m_service.uploadedDocuments();
        QCOMPARE(withoutOffLineTime(twice.at(1).recordResult), withoutOffLineTime(twice.at(0).recordResult));
        QCOMPARE(tableRows(), stored);
        QCOMPARE(rows("TAV_ClassRecord where status = 1") + rows("TAV_InteractInfo where status = 1"), 0);
        QVERIFY(runOutside("drop trigger refuseMark"));
        QVERIFY(runOutside("drop trigger refuseDropTAV_ClassRecord"));
        QVERIFY(runOutside("drop trigger refuseDropTAV_InteractInfo"));
        hold.unlock();
        QTRY_COMPARE_WITH_TIMEOUT(tableRows(), kNoRows, kWaitMs);
        const QList<UploadedDocument> uploads = m_service.uploadedDocuments();
        for (const UploadedDocument& upload : uploads) {
            QCOMPARE(upload.flag, QString("1"));
            QCOMPARE(withoutOffLineTime(upload.recordResult), withoutOffLineTime(uploads.first().recordResult));
        }
    }

    // A table that cannot be read looks empty: the closed lesson, already marked once, must not be taken for
    // one with nothing left, neither by the background cycle nor by the upload at class close.
    void unreadableTableKeepsTheLessonForTheNextCycle_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("interactions unreadable") << "TAV_InteractInfo";
        QTest::newRow("results unreadable") << "TAV_StuResult";
    }
    void unreadableTableKeepsTheLessonForTheNextCycle()
    {
        QFETCH(QString, table);
        LogCapture log;
        QMutexLocker hold(Upload::getInstance()->uploadMutex());
        const Lesson lesson = makeLesson({ 3, 0, 2, 0, 0 }, "closed");
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        TAV_ClassRecord::getInstance()->setUploaded(db, lesson.recordID);
        TAVDatabase::getInstance()->closeDbCon(db);
        const QVector<int> stored = tableRows();
        QVERIFY(runOutside("alter table " + table + " rename to " + table + "_away"));
        db = TAVDatabase::getInstance()->getDbCon();
        bool read = true;
        const QString atClose = Upload::getInstance()->getUploadData(db, lesson.recordID, true, &read);
        TAVDatabase::getInstance()->closeDbCon(db);
        QVERIFY(atClose.isEmpty() && !read);
        hold.unlock();

        QTRY_VERIFY_WITH_TIMEOUT(log.count("****Upload could not read lesson record") >= 3, kWaitMs);
        hold.relock();
        QVERIFY(runOutside("alter table " + table + "_away rename to " + table));
        QCOMPARE(tableRows(), stored);
        QVERIFY(m_service.uploadedDocuments().isEmpty());
        hold.unlock();

        QTRY_COMPARE_WITH_TIMEOUT(tableRows(), kNoRows, kWaitMs);
        QCOMPARE(m_service.uploadedDocuments().size(), 1);
        const QString sent = m_service.uploadedDocuments().first().recordResult;
        QCOMPARE(sent.count("\"TAVStuResult\""), 2);
        QCOMPARE(sent.count("\"stuResultID\""), 6);
    }

    // A lesson with a write still on its way into the file is neither sent nor dropped: sent without it, or sent as
    // open and again once ended, the service would hold it in part or twice. Once the write is in, it goes once.
    void lessonWaitsForItsWritesOnTheirWay_data()
    {
        QTest::addColumn<bool>("endOnItsWay");
        QTest::newRow("an ended lesson, one of its rounds on its way") << false;
        QTest::newRow("the lesson's end on its way") << true;
    }
    void lessonWaitsForItsWritesOnTheirWay()
    {
        QFETCH(bool, endOnItsWay);
        LogCapture log;
        TavWriteBehind* writer = TavWriteBehind::getInstance();
        QMutexLocker hold(Upload::getInstance()->uploadMutex());
        const Lesson lesson = makeLesson(kLesson, endOnItsWay ? QString() : QStringLiteral("closed"));
        const QString uuid
            = committedValue("select UUID from TAV_ClassRecord where localRecordID = ?", { lesson.recordID })
                  .toString();
        const int round = committedValue("select max(interactID) from TAV_InteractInfo").toInt();
        std::unique_ptr<TavWriteBehind::Pause> writerAside;
        if (endOnItsWay) {
            // The writer takes nothing in meanwhile.
            writerAside = std::make_unique<TavWriteBehind::Pause>(kWaitMs);
            writer->hand(TavWriteKinds::lessonEnd(lesson.recordID, uuid, "在途", kTime));
        } else {
            // Its answers still in memory, the round has not ended in the file.
            QVERIFY(runOutside("update TAV_InteractInfo set endTime = null where interactID = ?", { round }));
            writer->holdRound(round, lesson.recordID, uuid);
        }
        hold.unlock();

        QTRY_VERIFY_WITH_TIMEOUT(log.count("the class waits for a ") >= 3 || !m_service.uploadedDocuments().isEmpty(),
                                 kWaitMs);
        QVERIFY(m_service.uploadedDocuments().isEmpty());
        QCOMPARE(rows("TAV_ClassRecord where status = 0"), 1);

        if (endOnItsWay)
            writerAside.reset();
        else
            writer->hand(TavWriteKinds::roundEnd(round, {}, kTime, lesson.recordID, uuid));
        QTRY_COMPARE_WITH_TIMEOUT(tableRows(), kNoRows, kWaitMs);
        QCOMPARE(m_service.uploadedDocuments().size(), 1);
        const UploadedDocument upload = m_service.uploadedDocuments().first();
        QCOMPARE(upload.flag, QString("1"));
        QVERIFY(upload.recordResult.contains(endOnItsWay ? "\"recordName\":\"在途\"" : "\"recordName\":\"closed\""));
        QCOMPARE(upload.recordResult.count("\"stuResultID\""), kLesson.interactions * kLesson.students);
    }

private:
    TavWebService m_service;
};

TAV_DB_TEST_MAIN(TestAutoUploadThread)
#include "TestAutoUploadThread.moc"
