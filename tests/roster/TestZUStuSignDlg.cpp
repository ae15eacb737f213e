// The seat sign-in: the seat grid on screen, the sign-in rows, the seat plan, and the upload at class close.
#include "RosterTestSupport.h"

#include "ZUFormFrame.h"
#include "ZUStuSign.h"
#include "ZUStuSignDlg.h"
#include "ZUStuSignSer.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"

#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>

using namespace RosterTestSupport;
using DbTestSupport::committedValue;
using DbTestSupport::runOutside;

// A receiver that counts what the sign-in asks of it.
class SignReceiver : public FakeReceiver
{
public:
    int startSingleQuiz(int) override
    {
        ++starts;
        return startResult;
    }
    int stopQuiz() override
    {
        ++stops;
        return 1;
    }
    int starts = 0;
    int stops = 0;
    int startResult = 1;
};

class TestZUStuSignDlg : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    SignReceiver m_receiver;
    ZUStuSignDlg* m_dlg = nullptr;

    QString label(const char* name) const { return m_dlg->findChild<QLabel*>(name)->text(); }
    QPushButton* button(const char* name) const { return m_dlg->findChild<QPushButton*>(name); }
    QString nameAt(int row, int col) const { return m_dlg->tileAt(row, col)->studentName(); }

    // Where each student sits: "dovaneID row,col".
    QStringList seatPlan() const
    {
        QStringList seats;
        const QMap<QString, SeatPos> plan = m_dlg->service()->grid().seatPlan();
        for (auto it = plan.cbegin(); it != plan.cend(); ++it)
            seats << QString("%1 %2,%3").arg(it.key()).arg(it.value().row).arg(it.value().col);
        return seats;
    }

    void press(int keypad)
    {
        StudentInfo info;
        info.keypadId = keypad;
        info.data = "A";
        m_dlg->setReceivedStuData(info);
    }

    void open()
    {
        m_dlg->initSign("初二(1)班");
        m_dlg->show();
    }

    void drop(const QByteArray& payload, int row, int col)
    {
        QMimeData data;
        data.setData("custom/sign_drag", payload);
        ZUStuSign* target = m_dlg->tileAt(row, col);
        QVERIFY(target);
        // A drop reaches the widget that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(10, 10), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(startDemoService(m_service));
        ZUHdManager::registerApi("signfake", &m_receiver);
        m_dlg = ZUStuSignDlg::getInstance();
    }

    void init()
    {
        QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
        QVERIFY(demoLesson(m_service, "signfake"));
        m_receiver.starts = 0;
        m_receiver.stops = 0;
        m_receiver.startResult = 1;
        m_receiver.connected = true;
        m_receiver.serial = kStation;
        QVERIFY(ZUToolBarSer::getInstance()->startClassRecord(kStation, 101, 1, true));
        open();
    }

    void cleanup()
    {
        if (m_dlg->service()->isSigning())
            m_dlg->on_StartStopBtn_clicked();
        m_dlg->hide();
        QVERIFY(dialogsAnswered());
    }

    // The offscreen screen is 800 wide: five columns fit.
    void seatsTheClassAutomatically()
    {
        QCOMPARE(m_dlg->service()->grid().rows(), 2);
        QCOMPARE(m_dlg->service()->grid().cols(), 5);
        QCOMPARE(nameAt(0, 0), QString("张伟"));
        QCOMPARE(nameAt(1, 4), QString("吴昊"));
        QCOMPARE(label("TotalNumLbl"), QString("10"));
        QCOMPARE(label("SignedNumLbl"), QString("0"));
        QCOMPARE(label("AttendanceLbl"), QString("0%"));
        QCOMPARE(label("SubLbl"), QString("数学"));
        QCOMPARE(label("ClassNameLbl"), QString("初二(1)班"));
    }

    void signInIsStoredAtStop()
    {
        press(1); // no sign-in runs yet
        QCOMPARE(label("SignedNumLbl"), QString("0"));
        button("StartStopBtn")->click();
        QCOMPARE(button("StartStopBtn")->text(), QString("结束"));
        QVERIFY(!button("SignCloseBtn")->isEnabled());
        QCOMPARE(committedValue("select count(*) from TAV_SignInfo where endTime is null").toInt(), 1);
        press(1);
        const QString firstTime = m_dlg->service()->signedStudents().value("2024080101");
        // A second press in a later second must not change the sign time.
        QTRY_VERIFY_WITH_TIMEOUT(QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss") != firstTime, 30000);
        press(2);
        press(1);
        press(99);
        QCOMPARE(label("SignedNumLbl"), QString("2"));
        QCOMPARE(label("unSignedNumLbl"), QString("8"));
        QCOMPARE(label("AttendanceLbl"), QString("20%"));
        QCOMPARE(m_dlg->tileAt(0, 1)->image(), ZUFormFrame::imagePath("sign/tav_sign_suc.png"));
        QCOMPARE(m_dlg->tileAt(0, 2)->colour(), QString("rgb(192, 192, 192)"));

        m_dlg->setReceivedTeaData(TeacherInfo { "stop" });
        QVERIFY(!m_dlg->service()->isSigning());
        QCOMPARE(m_receiver.stops, 1);
        QCOMPARE(committedValue("select count(*) from TAV_SignInfo where endTime is not null").toInt(), 1);
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 2);
        QCOMPARE(committedValue("select createDate from TAV_SignStuInfo where dovaneID = '2024080101'").toString(),
                 firstTime);

        // The same lesson opened again shows its last sign-in; a second one stores its students again.
        open();
        QCOMPARE(label("SignedNumLbl"), QString("2"));
        m_dlg->setReceivedTeaData(TeacherInfo { "start/pause" });
        press(3);
        m_dlg->on_StartStopBtn_clicked();
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo where signID = 2").toInt(), 3);

        // After a reset the lesson opens unsigned; the stored rows stay.
        m_dlg->on_ReSetBtn_clicked();
        QCOMPARE(label("AttendanceLbl"), QString("0%"));
        open();
        QCOMPARE(label("SignedNumLbl"), QString("0"));
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 5);
    }

    // Reset is for a finished sign-in: while one runs, its marks, its rows and the next opening are untouched.
    void resetDuringASignInChangesNothing()
    {
        m_dlg->on_StartStopBtn_clicked();
        press(1);
        press(3);
        m_dlg->service()->reset();
        m_dlg->on_ReSetBtn_clicked();
        QCOMPARE(m_dlg->service()->signedCount(), 2);
        QCOMPARE(label("SignedNumLbl"), QString("2"));
        QCOMPARE(m_dlg->tileAt(0, 2)->image(), ZUFormFrame::imagePath("sign/tav_sign_suc.png"));
        m_dlg->on_StartStopBtn_clicked();
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 2);
        open();
        QCOMPARE(label("SignedNumLbl"), QString("2"));
    }

    void attendanceAfterOpeningKeepsDecimals()
    {
        TAVMemInfo::getInstance()->studentMap = { { "2024080101", TAVMemInfo::getInstance()->studentMap.first() } };
        TAVMemInfo::getInstance()->studentMap.insert("2024080102",
                                                     StudentInfoRow { "2024080102", 101, "王芳", "2", "" });
        TAVMemInfo::getInstance()->studentMap.insert("2024080103",
                                                     StudentInfoRow { "2024080103", 101, "李娜", "3", "" });
        open();
        m_dlg->on_StartStopBtn_clicked();
        press(1);
        press(2);
        QCOMPARE(label("AttendanceLbl"), QString("67%"));
        m_dlg->on_StartStopBtn_clicked();
        open();
        QCOMPARE(label("AttendanceLbl"), QString("66.6667%"));
    }

    void signInWithoutItsRowDoesNotStart()
    {
        QVERIFY(runOutside("create trigger refuseSign before insert on TAV_SignInfo begin select raise(abort, 'full'); "
                           "end"));
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_dlg->on_StartStopBtn_clicked();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("签到未能开始，请重试"));
        QVERIFY(!m_dlg->service()->isSigning());
        QCOMPARE(m_receiver.stops, 1);
        QVERIFY(button("SignCloseBtn")->isEnabled());
        QVERIFY(button("StartStopBtn")->text() != QString("结束"));
        press(1);
        QCOMPARE(label("SignedNumLbl"), QString("0"));
        QVERIFY(runOutside("drop trigger refuseSign"));
    }

    // A stop whose rows could not all be kept says so and keeps nothing of itself; the seats keep their marks, so
    // that the next sign-in stores them.
    void stopThatIsNotStored_data()
    {
        QTest::addColumn<QString>("refusal"); // a trigger, or none for a commit that cannot happen
        QTest::newRow("signed students refused")
            << "create trigger refuse before insert on TAV_SignStuInfo begin select raise(abort, 'full'); end";
        QTest::newRow("end time refused")
            << "create trigger refuse before update on TAV_SignInfo begin select raise(abort, 'full'); end";
        QTest::newRow("commit refused") << "";
    }

    void stopThatIsNotStored()
    {
        QFETCH(QString, refusal);
        m_dlg->on_StartStopBtn_clicked();
        press(1);
        press(2);
        {
            std::unique_ptr<ReadLock> lock;
            if (refusal.isEmpty()) {
                lock.reset(new ReadLock);
                QVERIFY(lock->isHeld());
                DialogAnswerer::answerNextAutoMsg(ZUTAVAutoMsg::Cancel); // the database's own notice
            } else {
                QVERIFY(runOutside(refusal));
            }
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
            m_dlg->on_StartStopBtn_clicked();
            QVERIFY(DialogAnswerer::waitUntilAnswered(30000));
        }
        QCOMPARE(DialogAnswerer::lastTitle(), QString("错误"));
        QCOMPARE(DialogAnswerer::lastText(), QString("签到未能保存，请重新开始签到"));
        QVERIFY(!m_dlg->service()->isSigning());
        QVERIFY(button("SignCloseBtn")->isEnabled());
        QCOMPARE(label("SignedNumLbl"), QString("2"));
        QCOMPARE(m_dlg->tileAt(0, 1)->image(), ZUFormFrame::imagePath("sign/tav_sign_suc.png"));
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 0);
        QCOMPARE(committedValue("select count(*) from TAV_SignInfo where endTime is not null").toInt(), 0);
        if (!refusal.isEmpty())
            QVERIFY(runOutside("drop trigger refuse"));

        m_dlg->on_StartStopBtn_clicked();
        m_dlg->on_StartStopBtn_clicked();
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 2);
        QCOMPARE(committedValue("select count(*) from TAV_SignInfo where endTime is not null").toInt(), 1);
    }

    void receiverGoneEndsTheSignIn()
    {
        m_dlg->on_StartStopBtn_clicked();
        press(4);
        m_dlg->MachineChanged(false);
        QVERIFY(!m_dlg->service()->isSigning());
        QVERIFY(!button("StartStopBtn")->isEnabled());
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 1);
        m_dlg->MachineChanged(true);
        QVERIFY(button("StartStopBtn")->isEnabled());
    }

    void drops_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("at00");
        QTest::addColumn<QString>("at12");
        QTest::newRow("seat onto seat") << QByteArray("0,0") << "吴昊"
                                        << "张伟";
        QTest::newRow("onto itself") << QByteArray("1,2") << "张伟"
                                     << "吴昊";
        QTest::newRow("outside the grid") << QByteArray("7,9") << "张伟"
                                          << "吴昊";
        QTest::newRow("not a payload") << QByteArray("0;0") << "张伟"
                                       << "吴昊";
    }

    void drops()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, at00);
        QFETCH(QString, at12);
        m_dlg->swapSeats(1, 4, 1, 2); // 吴昊 to (1, 2), 黄强 to (1, 4)
        drop(payload, 1, 2);
        QCOMPARE(nameAt(0, 0), at00);
        QCOMPARE(nameAt(1, 2), at12);
    }

    // A seat moved and a grid made narrower stay so after the window is opened again.
    void seatPlanIsKept()
    {
        m_dlg->swapSeats(0, 0, 1, 4);
        m_dlg->on_ColDecBtn_clicked();
        QCOMPARE(m_dlg->service()->grid().rows(), 3);
        QCOMPARE(m_dlg->findChild<QSpinBox*>("SignColSpinBox")->value(), 4);
        QCOMPARE(m_dlg->findChild<QSpinBox*>("SignRowSpinBox")->value(), 3);
        m_dlg->on_SignCloseBtn_clicked();
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(committedValue("select row || ',' || col from TAV_ClassInfo where classID = 101").toString(),
                 QString("3,4"));
        QCOMPARE(committedValue("select count(*) from TAV_StuSortInfo where classID = 101").toInt(), 10);

        open();
        QCOMPARE(m_dlg->service()->grid().cols(), 4);
        QCOMPARE(nameAt(0, 0), QString("吴昊"));
        QCOMPARE(m_dlg->service()->grid().seatPlan().value("2024080101").row, 2);
    }

    // A seat plan that cannot be stored whole is not stored at all: the plan kept before stays, with its grid.
    void seatPlanNotStoredKeepsTheOneBefore_data()
    {
        QTest::addColumn<QString>("refusal");
        QTest::newRow("seats refused")
            << "create trigger refuse before insert on TAV_StuSortInfo begin select raise(abort, 'full'); end";
        QTest::newRow("grid size refused")
            << "create trigger refuse before update on TAV_ClassInfo begin select raise(abort, 'full'); end";
    }

    void seatPlanNotStoredKeepsTheOneBefore()
    {
        QFETCH(QString, refusal);
        m_dlg->swapSeats(0, 0, 1, 4);
        m_dlg->on_SignCloseBtn_clicked();
        open();
        const QStringList kept = seatPlan();
        m_dlg->swapSeats(0, 0, 0, 1);
        m_dlg->on_ColDecBtn_clicked();
        QVERIFY(runOutside(refusal));
        m_dlg->on_SignCloseBtn_clicked();
        QVERIFY(runOutside("drop trigger refuse"));
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(committedValue("select row || ',' || col from TAV_ClassInfo where classID = 101").toString(),
                 QString("2,5"));
        QCOMPARE(committedValue("select count(*) from TAV_StuSortInfo where classID = 101").toInt(), 10);
        QCOMPARE(
            committedValue("select row || ',' || col from TAV_StuSortInfo where dovaneID = '2024080110'").toString(),
            QString("0,0"));

        open();
        QCOMPARE(m_dlg->service()->grid().rows(), 2);
        QCOMPARE(m_dlg->service()->grid().cols(), 5);
        QCOMPARE(nameAt(0, 0), QString("吴昊"));
        QCOMPARE(seatPlan(), kept);
    }

    void gridButtonsStopAtTheirLimits()
    {
        QSpinBox* cols = m_dlg->findChild<QSpinBox*>("SignColSpinBox");
        m_dlg->on_ColAddBtn_clicked();
        QCOMPARE(cols->value(), 5); // five columns fit 800 pixels
        m_dlg->on_ColDecBtn_clicked();
        m_dlg->on_ColAddBtn_clicked();
        QCOMPARE(m_dlg->service()->grid().cols(), 5);
        QVERIFY(m_dlg->tileAt(2, 4)); // the re-seated row got empty seats
        m_dlg->on_RowAddBtn_clicked();
        QCOMPARE(m_dlg->service()->grid().rows(), 4);
        QVERIFY(m_dlg->tileAt(3, 0)->studentId().isEmpty());
    }

    void closeWaitsForTheSignIn()
    {
        m_dlg->on_StartStopBtn_clicked();
        m_dlg->setReceivedTeaData(TeacherInfo { "power" });
        m_dlg->on_SignExitBtn_clicked();
        QVERIFY(m_dlg->isVisible());
        m_dlg->on_StartStopBtn_clicked();
        m_dlg->setReceivedTeaData(TeacherInfo { "power" });
        QVERIFY(!m_dlg->isVisible());
    }

    // The finished sign-in goes up with the lesson when the class closes, and only once.
    void signInReachesTheServiceAtClassClose()
    {
        m_dlg->on_StartStopBtn_clicked();
        press(5);
        m_dlg->on_StartStopBtn_clicked();
        const int lesson = TAVMemInfo::getInstance()->currentRecord.localRecordID;
        ZUToolBarSer::getInstance()->closeClassRecord(lesson, "初二(1)班", QDateTime::currentDateTime());
        QVERIFY(ZUToolBarSer::getInstance()->uploadClassRecord(lesson));
        const QList<UploadedDocument> uploads = m_service.uploadedDocuments();
        QCOMPARE(uploads.size(), 1);
        const QJsonObject sign = QJsonDocument::fromJson(uploads.first().recordResult.toUtf8())
                                     .object()
                                     .value("data")
                                     .toObject()
                                     .value("TAVSignInfo")
                                     .toObject();
        QCOMPARE(sign.value("stationSn").toString(), QString(kStation));
        const QJsonArray students = sign.value("TAVSignStuInfo").toArray();
        QCOMPARE(students.size(), 1);
        QCOMPARE(students.first().toObject().value("dovaneID").toString(), QString("2024080105"));
        QCOMPARE(committedValue("select count(*) from TAV_SignInfo").toInt(), 0);
        ZUToolBarSer::getInstance()->uploadClassRecord(lesson);
        QCOMPARE(m_service.uploadedDocuments().size(), 1);
    }
};

TAV_DB_TEST_MAIN(TestZUStuSignDlg)
#include "TestZUStuSignDlg.moc"
