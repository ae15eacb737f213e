// The seat sign-in: the seat grid on screen, the sign-in rows, the seat plan, and the upload at class close.
#include "RosterTestSupport.h"

#include "FullDisk.h"
#include "InterfaceWatch.h"
#include "OtherProgram.h"
#include "TavWriteBehind.h"
#include "WindowInput.h"
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
using DbTestSupport::writerIdle;

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
        // The writer ends with its connection before the next test's file replaces this one.
        TavWriteBehind::getInstance()->finish();
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
        // The sign-in goes into the file whole when it ends: none is open in it meanwhile.
        QCOMPARE(committedValue("select count(*) from TAV_SignInfo").toInt(), 0);
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
        QVERIFY(writerIdle());
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
        QVERIFY(writerIdle());
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
        QVERIFY(writerIdle());
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

    // A receiver that refuses to answer starts no sign-in; the file is not touched.
    void signInTheReceiverRefusesDoesNotStart()
    {
        m_receiver.startResult = 0;
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_dlg->on_StartStopBtn_clicked();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("签到未能开始，请重试"));
        QVERIFY(!m_dlg->service()->isSigning());
        QVERIFY(button("SignCloseBtn")->isEnabled());
        press(1);
        QCOMPARE(label("SignedNumLbl"), QString("0"));
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select count(*) from TAV_SignInfo").toInt(), 0);
    }

    // A stop whose sign-in the file cannot take at once opens no box: the window goes on, a notice that closes by
    // itself says what happened, the seats keep their marks, and the sign-in goes in whole, once, as soon as the
    // file takes it. No sign-in without its students is ever in the file.
    void stopThatTheFileRefusesIsKept_data()
    {
        QTest::addColumn<QString>("refusal"); // a trigger, "reading" for another program's read, "full" for a disk
        QTest::addColumn<QString>("words");
        QTest::newRow("signed students refused")
            << "create trigger refuse before insert on TAV_SignStuInfo begin select raise(abort, 'no'); end"
            << "无法写入数据库，签到结果暂未写入数据库。\n签到结果已保留";
        QTest::newRow("sign-in refused")
            << "create trigger refuse before insert on TAV_SignInfo begin select raise(abort, 'no'); end"
            << "无法写入数据库，签到结果暂未写入数据库。\n签到结果已保留";
        QTest::newRow("another program reading")
            << "reading"
            << "数据库文件正被其他程序使用，签到结果暂未写入数据库。\n签到结果已保留";
        QTest::newRow("full disk") << "full"
                                   << "签到结果暂未写入数据库。\n签到结果已保留";
    }

    void stopThatTheFileRefusesIsKept()
    {
        QFETCH(QString, refusal);
        QFETCH(QString, words);
        m_dlg->on_StartStopBtn_clicked();
        press(1);
        press(2);
        NoticeWatch notice(words);
        // The sign-in window is modal itself; any other modal window is closed and noted.
        InterfaceWatch watch({}, [this] { return QApplication::activeModalWidget() != m_dlg; });
        QSignalSpy failed(TavWriteBehind::getInstance(), &TavWriteBehind::failed);
        {
            std::unique_ptr<ReadLock> lock;
            std::unique_ptr<FullDisk> disk;
            if (refusal == "reading") {
                lock.reset(new ReadLock);
                QVERIFY(lock->isHeld());
            } else if (refusal == "full") {
                disk.reset(new FullDisk);
                QVERIFY(disk->isFull());
            } else {
                QVERIFY(runOutside(refusal));
            }
            m_dlg->on_StartStopBtn_clicked();
            QVERIFY(!m_dlg->service()->isSigning());
            QVERIFY(button("SignCloseBtn")->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(failed.size() >= 3, 30000);
            QCOMPARE(committedValue("select count(*) from TAV_SignInfo").toInt(), 0);
            QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 0);
        }
        if (refusal.startsWith("create"))
            QVERIFY(runOutside("drop trigger refuse"));
        QCOMPARE(notice.count(), 1);
        QCOMPARE(notice.modalCount(), 0);
        QVERIFY2(watch.modals().filter(QRegularExpression("^(?!ZUStuSignDlg$)")).isEmpty(),
                 qPrintable(watch.modals().join('|')));
        QVERIFY2(watch.longestGapMs() < 2500, qPrintable(QString::number(watch.longestGapMs())));
        QCOMPARE(label("SignedNumLbl"), QString("2"));
        QCOMPARE(m_dlg->tileAt(0, 1)->image(), ZUFormFrame::imagePath("sign/tav_sign_suc.png"));
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select count(*) from TAV_SignInfo where endTime is not null").toInt(), 1);
        QCOMPARE(committedValue("select count(*) from TAV_SignInfo").toInt(), 1);
        QCOMPARE(committedValue("select count(*) from TAV_SignStuInfo").toInt(), 2);
    }

    // While another program holds the file (a database browser left in a transaction), the teacher starts and
    // ends a sign-in with the mouse and leaves the window as ever: nothing waits for the file, no box opens, a
    // notice says what happened; once the program lets go, the sign-in and the seat plan are in the file.
    void signInWhileAnotherProgramHoldsTheFile()
    {
        NoticeWatch notice("数据库文件正被其他程序使用，签到结果暂未写入数据库。\n签到结果已保留");
        // The sign-in window is modal itself; any other modal window is closed and noted.
        InterfaceWatch watch({}, [this] { return QApplication::activeModalWidget() != m_dlg; });
        m_dlg->swapSeats(0, 0, 1, 4);
        {
            OtherProgram other(OtherProgram::Write);
            QVERIFY(other.isHeld());
            QVERIFY(WindowInput::click(button("StartStopBtn")));
            QTRY_VERIFY_WITH_TIMEOUT(m_dlg->service()->isSigning(), 2500);
            press(1);
            press(3);
            QVERIFY(WindowInput::click(button("StartStopBtn")));
            QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->service()->isSigning(), 2500);
            QTRY_COMPARE_WITH_TIMEOUT(notice.count(), 1, 30000);
            QVERIFY(WindowInput::click(button("SignCloseBtn")));
            QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->isVisible(), 2500);
            // Held well past the five seconds a write of the interface once waited, through many tries.
            QVERIFY(QTest::qWaitFor([&other] { return other.heldMs() > 15000; }, 60000));
            QVERIFY(!TavWriteBehind::getInstance()->isIdle());
        }
        QCOMPARE(notice.count(), 1);
        QCOMPARE(notice.modalCount(), 0);
        QVERIFY2(watch.modals().filter(QRegularExpression("^(?!ZUStuSignDlg$)")).isEmpty(),
                 qPrintable(watch.modals().join('|')));
        QVERIFY2(watch.longestGapMs() < 2500, qPrintable(QString::number(watch.longestGapMs())));
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select count(*) || ' ' || count(endTime) from TAV_SignInfo").toString(),
                 QString("1 1"));
        QCOMPARE(committedValue("select group_concat(dovaneID, ' ') from TAV_SignStuInfo").toString(),
                 QString("2024080101 2024080103"));
        QCOMPARE(
            committedValue("select row || ',' || col from TAV_StuSortInfo where dovaneID = '2024080110'").toString(),
            QString("0,0"));
    }

    // Opened while another program holds the file, the window does not wait for the seat plan: it seats the class
    // in order and says so. Left as it was, it stores nothing over the plan in the file; changed by the teacher,
    // his plan is stored once the file is free.
    void openingWhileAnotherProgramHoldsTheFile()
    {
        m_dlg->hide();
        TAVMemInfo* mem = TAVMemInfo::getInstance();
        mem->currentClass.row = 2;
        mem->currentClass.col = 5;
        int at = 0;
        for (const StudentInfoRow& student : qAsConst(mem->studentMap)) {
            QVERIFY(runOutside("insert into TAV_StuSortInfo (dovaneID, classID, row, col) values (?, 101, ?, ?)",
                               { student.dovaneID, 1 - at / 5, at % 5 }));
            ++at;
        }
        const QString stored = "select group_concat(s, ' ') from (select dovaneID || '@' || row || ',' || col as s "
                               "from TAV_StuSortInfo where classID = 101 order by dovaneID)";
        const QString plan = committedValue(stored).toString();
        NoticeWatch notice("已保存的座位表暂时无法读取，学生按学号就座");
        // The sign-in window is modal itself; any other modal window is closed and noted.
        InterfaceWatch watch({}, [this] { return QApplication::activeModalWidget() != m_dlg; });
        {
            OtherProgram other(OtherProgram::Write);
            QVERIFY(other.isHeld());
            open();
            QCOMPARE(nameAt(0, 0), QString("张伟")); // in order: the stored plan has him at the back
            QCOMPARE(label("SubLbl"), mem->currentSubjectName);
            QTRY_COMPARE_WITH_TIMEOUT(notice.count(), 1, 2500);
            m_dlg->on_SignCloseBtn_clicked();
            QVERIFY(!m_dlg->isVisible());
            QVERIFY(TavWriteBehind::getInstance()->isIdle());
            QCOMPARE(mem->currentClass.row * 10 + mem->currentClass.col, 25);
            QTRY_VERIFY_WITH_TIMEOUT(!ZUTAVAutoMsg::getInstance()->isVisible(), 2500);
            open();
            QTRY_COMPARE_WITH_TIMEOUT(notice.count(), 2, 2500);
            m_dlg->swapSeats(0, 0, 0, 1);
            m_dlg->on_SignCloseBtn_clicked();
            QVERIFY(!TavWriteBehind::getInstance()->isIdle());
        }
        QCOMPARE(notice.modalCount(), 0);
        QVERIFY2(watch.modals().filter(QRegularExpression("^(?!ZUStuSignDlg$)")).isEmpty(),
                 qPrintable(watch.modals().join('|')));
        QVERIFY2(watch.longestGapMs() < 2500, qPrintable(QString::number(watch.longestGapMs())));
        QVERIFY(writerIdle());
        QVERIFY(committedValue(stored).toString() != plan);
        QCOMPARE(
            committedValue("select row || ',' || col from TAV_StuSortInfo where dovaneID = '2024080101'").toString(),
            QString("0,1"));
    }

    void receiverGoneEndsTheSignIn()
    {
        m_dlg->on_StartStopBtn_clicked();
        press(4);
        m_dlg->MachineChanged(false);
        QVERIFY(!m_dlg->service()->isSigning());
        QVERIFY(!button("StartStopBtn")->isEnabled());
        QVERIFY(writerIdle());
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
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select row || ',' || col from TAV_ClassInfo where classID = 101").toString(),
                 QString("3,4"));
        QCOMPARE(committedValue("select count(*) from TAV_StuSortInfo where classID = 101").toInt(), 10);

        open();
        QCOMPARE(m_dlg->service()->grid().cols(), 4);
        QCOMPARE(nameAt(0, 0), QString("吴昊"));
        QCOMPARE(m_dlg->service()->grid().seatPlan().value("2024080101").row, 2);
    }

    // A seat plan the file refuses goes in whole, with its grid, once the file takes it; until then the window
    // opens with it.
    void seatPlanTheFileRefusesIsStoredOnceItCan_data()
    {
        QTest::addColumn<QString>("refusal");
        QTest::newRow("seats refused")
            << "create trigger refuse before insert on TAV_StuSortInfo begin select raise(abort, 'full'); end";
        QTest::newRow("grid size refused")
            << "create trigger refuse before update on TAV_ClassInfo begin select raise(abort, 'full'); end";
    }

    void seatPlanTheFileRefusesIsStoredOnceItCan()
    {
        QFETCH(QString, refusal);
        m_dlg->swapSeats(0, 0, 1, 4);
        m_dlg->on_SignCloseBtn_clicked();
        QVERIFY(writerIdle());
        open();
        m_dlg->swapSeats(0, 0, 0, 1);
        m_dlg->on_ColDecBtn_clicked();
        const QStringList changed = seatPlan();
        QVERIFY(runOutside(refusal));
        QSignalSpy failed(TavWriteBehind::getInstance(), &TavWriteBehind::failed);
        m_dlg->on_SignCloseBtn_clicked();
        QVERIFY(!m_dlg->isVisible());
        QVERIFY(failed.wait(30000));
        QCOMPARE(committedValue("select row || ',' || col from TAV_ClassInfo where classID = 101").toString(),
                 QString("2,5"));
        open();
        QCOMPARE(m_dlg->service()->grid().cols(), 4);
        QCOMPARE(seatPlan(), changed);
        m_dlg->hide();
        QVERIFY(runOutside("drop trigger refuse"));
        QVERIFY(writerIdle());
        QCOMPARE(committedValue("select row || ',' || col from TAV_ClassInfo where classID = 101").toString(),
                 QString("3,4"));
        QCOMPARE(
            committedValue("select row || ',' || col from TAV_StuSortInfo where dovaneID = '2024080110'").toString(),
            QString("0,1"));
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
        QVERIFY(writerIdle());
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

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (c == 3 && QByteArray(v[1]) == "--hold-file")
            return OtherProgram::holdInChild(QString::fromLatin1(v[2]));
        TestZUStuSignDlg test;
        return QTest::qExec(&test, c, v);
    });
}
#include "TestZUStuSignDlg.moc"
