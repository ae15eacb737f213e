// The keypad binding service against the local web service, and the rows it writes.
#include "RosterTestSupport.h"

#include "ZUStuLinkSer.h"

using namespace RosterTestSupport;
using DbTestSupport::committedValue;

const QString kClassPath = QStringLiteral("/tav/fastenMachine/tavClasReceiverBinding");
const QString kKeypadPath = QStringLiteral("/tav/fastenMachine/tavStudentMachineBinding");

class TestZUStuLinkSer : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    ZUStuLinkSer* m_ser = ZUStuLinkSer::getInstance();

    static void failures_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<int>("result");
        QTest::newRow("taken") << int(WebFailure::None) << int(ZUStuLinkSer::Success);
        QTest::newRow("refused") << int(WebFailure::Refuse) << int(ZUStuLinkSer::Failure);
        QTest::newRow("HTTP 500") << int(WebFailure::Http500) << int(ZUStuLinkSer::Failure);
        QTest::newRow("not JSON") << int(WebFailure::NotJson) << int(ZUStuLinkSer::Failure);
        QTest::newRow("no answer") << int(WebFailure::NoAnswer) << int(ZUStuLinkSer::Failure);
    }

private slots:
    void initTestCase() { QVERIFY(startDemoService(m_service)); }

    void init()
    {
        QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
        QVERIFY(demoLesson(m_service, "fake"));
    }

    void bindClassStation_data() { failures_data(); }

    void bindClassStation()
    {
        QFETCH(int, failure);
        QFETCH(int, result);
        m_service.setFailure(kClassPath, WebFailure(failure));
        DbTestSupport::LogCapture log;
        QCOMPARE(m_ser->bindClassStation(kTeacher, 101, "RF-NEW"), result);

        const QList<WebRequest> sent = m_service.requestsTo(kClassPath);
        QCOMPARE(sent.size(), 1);
        QVERIFY(sent.first().rawBody.startsWith("username=teacher01&classID=101&stationSN=RF-NEW&sign="));
        QVERIFY(sent.first().signOk);
        const bool taken = result == ZUStuLinkSer::Success;
        QCOMPARE(committedValue("select stationSn from TAV_ClassInfo where classID = 101").toString(),
                 taken ? QString("RF-NEW") : QString(kStation));
        QCOMPARE(TAVMemInfo::getInstance()->currentClass.stationSn, taken ? QString("RF-NEW") : QString(kStation));
        // Only a refusal names its error code; a reply that is not JSON has none.
        QCOMPARE(log.contains("the errorCode is: TAV-9"), WebFailure(failure) == WebFailure::Refuse);
    }

    void emptyValuesAreSentAsTheyAre()
    {
        m_service.setFailure(kClassPath, WebFailure::Refuse);
        QCOMPARE(m_ser->bindClassStation(kTeacher, 0, QString()), int(ZUStuLinkSer::Failure));
        const WebRequest sent = m_service.requestsTo(kClassPath).first();
        QVERIFY(sent.rawBody.startsWith("username=teacher01&classID=0&stationSN=&sign="));
        QVERIFY(sent.signOk);
    }

    void successWithoutResultCounts()
    {
        m_service.setCannedReply(kKeypadPath, 200, "{\"success\": true}");
        QCOMPARE(m_ser->bindStuSn(kTeacher, "2024080101", kStation, "42"), int(ZUStuLinkSer::Success));
    }

    void bindStuSn_data() { failures_data(); }

    // The service only asks; the web service keeps the binding, the local tables wait for saveStuSn.
    void bindStuSn()
    {
        QFETCH(int, failure);
        QFETCH(int, result);
        m_service.setFailure(kKeypadPath, WebFailure(failure));
        QCOMPARE(m_ser->bindStuSn(kTeacher, "2024080101", kStation, "42"), result);
        const WebRequest sent = m_service.requestsTo(kKeypadPath).first();
        QVERIFY(sent.rawBody.startsWith("username=teacher01&dovaneID=2024080101&stationSN=RF21X00001&sn=42&sign="));
        QVERIFY(sent.signOk);
        QCOMPARE(serviceKeypads(m_service).value("2024080101"),
                 result == ZUStuLinkSer::Success ? QString("42@RF21X00001") : QString("1@RF21X00001"));
        QCOMPARE(localKeypad("2024080101"), QString("1@RF21X00001"));
    }

    void saveStuSn_data()
    {
        QTest::addColumn<QString>("student");
        QTest::addColumn<QString>("keypad");
        QTest::addColumn<QString>("previous");
        QTest::newRow("nobody held it") << "2024080101"
                                        << "42"
                                        << "";
        QTest::newRow("a classmate held it") << "2024080101"
                                             << "5"
                                             << "2024080105";
        QTest::newRow("the student held it") << "2024080103"
                                             << "3"
                                             << "2024080103";
    }

    void saveStuSn()
    {
        QFETCH(QString, student);
        QFETCH(QString, keypad);
        QFETCH(QString, previous);
        QCOMPARE(m_ser->saveStuSn(student, keypad, "RF-NEW", 101), previous);
        QCOMPARE(localKeypad(student), keypad + "@RF-NEW");
        // Whoever held the keypad, in any class, lost it.
        QCOMPARE(committedValue("select count(*) from TAV_StudentInfo where sn = ?", { keypad }).toInt(), 1);
        if (!previous.isEmpty() && previous != student)
            QCOMPARE(localKeypad(previous), QString("@"));
        // The roster in use shows the new binding.
        QCOMPARE(TAVMemInfo::getInstance()->snMap.value(keypad), student);
        QCOMPARE(TAVMemInfo::getInstance()->studentMap.value(student).stationSn, QString("RF-NEW"));
    }

    void keypadOfAnotherClassIsTakenFromIt()
    {
        // Keypad 2 belongs to a student of each demo class.
        QCOMPARE(m_ser->saveStuSn("2024080101", "2", kStation, 101), QString("2024080102"));
        QCOMPARE(localKeypad("2024080202"), QString("@"));
        QCOMPARE(m_ser->saveStuSn("2024080201", "77", kStation, 102), QString());
        QCOMPARE(TAVMemInfo::getInstance()->studentList.first().classID, 102);
    }

    // What was bound reaches the next login's reply, also from a service started again.
    void nextLoginCarriesTheBinding()
    {
        QTemporaryDir dir;
        QVERIFY(m_service.setBindingsFile(dir.filePath("bindings.json")));
        QCOMPARE(m_ser->bindStuSn(kTeacher, "2024080101", kStation, "2"), int(ZUStuLinkSer::Success));
        QCOMPARE(m_ser->bindClassStation(kTeacher, 102, "RF-NEW"), int(ZUStuLinkSer::Success));
        QCOMPARE(serviceKeypads(m_service).value("2024080102"), QString("@"));

        TavWebService restarted;
        QVERIFY(startDemoService(restarted));
        QVERIFY(restarted.setBindingsFile(dir.filePath("bindings.json")));
        QVERIFY(useServer(restarted.port(), "fake"));
        QVERIFY(loginDemoTeacher());
        QCOMPARE(localKeypad("2024080101"), QString("2@RF21X00001"));
        QCOMPARE(localKeypad("2024080102"), QString("@"));
        QCOMPARE(committedValue("select stationSn from TAV_ClassInfo where classID = 102").toString(),
                 QString("RF-NEW"));
        m_service.setBindingsFile(QString());
    }
};

TAV_DB_TEST_MAIN(TestZUStuLinkSer)
#include "TestZUStuLinkSer.moc"
