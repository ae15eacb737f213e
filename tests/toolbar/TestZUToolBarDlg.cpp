#include "DbTestSupport.h"
#include "DialogAnswerer.h"
#include "ToolbarTestSupport.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_ClassInfo.h"
#include "TavWebService.h"
#include "Upload.h"
#include "ZUInputDlg.h"
#include "ZULoginSer.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"
#include "ZUToolBarSer.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <thread>

using namespace ToolbarTestSupport;
using DbTestSupport::committedValue;
using DbTestSupport::runOutside;

namespace {
const QString kUploadPath = QStringLiteral("/tav/fastenMachine/tavStaticClass");
}

class TestZUToolBarDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void buttonsOfMissingScreensAreDisabled();
    void classChoiceAtShow_data();
    void classChoiceAtShow();
    void keptRecordSelectsItsClass();
    void activityRefusals_data();
    void activityRefusals();
    void lessonRecordQuestion_data();
    void lessonRecordQuestion();
    void failedRecordStartsNothing();
    void classLessonEndsWithNameAndUpload();
    void plainUseEndsWithoutName();
    void decliningTheEndKeepsTheLesson();
    void uploadFailureLeavesRecordForThread_data();
    void uploadFailureLeavesRecordForThread();
    void uploadGivesUpWhileThreadHoldsMutex();
    void decliningClassChangePutsBoxBack();
    void decliningSubjectChangePutsBoxBack();
    void recordNameFollowsSubjectClassAndStart();

private:
    void showBar();
    void startLesson(int answer);
    void setStation(int classID, const QString& station);
    QComboBox* classBox() const;
    QComboBox* subjectBox() const;
    QString status() const;
    QAbstractButton* button(const char* name) const;

    TavWebService m_service;
    ZUToolBarDlg* m_bar = nullptr;
    QList<ZUToolBarDlg::Screen> m_opened;
    QList<int> m_quitCodes;
};

void TestZUToolBarDlg::initTestCase()
{
    QVERIFY(m_service.loadDataFile(QString(TAV_SOURCE_DIR) + "/tests/support/webservice/demo.json"));
    QVERIFY(m_service.start());
    m_bar = ZUToolBarDlg::getInstance();
    m_bar->setQuitHandler([this](int code) { m_quitCodes.append(code); });
}

void TestZUToolBarDlg::init()
{
    QVERIFY(DbTestSupport::freshDatabase());
    resetTeacherState();
    m_service.clearFailures();
    m_service.clearRequests();
    m_service.clearUploads();
    QVERIFY(useService(m_service));
    DialogAnswerer::clear();
    m_opened.clear();
    m_quitCodes.clear();
    for (auto screen : { ZUToolBarDlg::Screen::FreeInteraction, ZUToolBarDlg::Screen::Quiz,
                         ZUToolBarDlg::Screen::SignIn, ZUToolBarDlg::Screen::Settings, ZUToolBarDlg::Screen::Binding })
        m_bar->setScreenOpener(screen, [this, screen](const QString&) { m_opened.append(screen); });

    QString error;
    QCOMPARE(ZULoginSer::getInstance()->onLineLogin(kTeacher, passwordMd5(), error), int(ZULoginSer::LoggedIn));
}

void TestZUToolBarDlg::cleanup()
{
    m_bar->hide();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::failures(), 0);
}

void TestZUToolBarDlg::showBar()
{
    m_bar->onShow();
    QVERIFY(m_bar->isVisible());
}

void TestZUToolBarDlg::startLesson(int answer)
{
    DialogAnswerer::answerNextTipDlg(answer);
    button("freeAct")->click();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::lastText(), QString("是否为课堂记录"));
}

void TestZUToolBarDlg::setStation(int classID, const QString& station)
{
    QVERIFY(runOutside("update TAV_ClassInfo set stationSn = ? where classID = ?", { station, classID }));
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    TAV_ClassInfo::getInstance()->loadByUser(db, kTeacher);
    TAVDatabase::getInstance()->closeDbCon(db);
}

QComboBox* TestZUToolBarDlg::classBox() const
{
    return m_bar->findChild<QComboBox*>("ClassListComboBox");
}

QComboBox* TestZUToolBarDlg::subjectBox() const
{
    return m_bar->findChild<QComboBox*>("subjectComboBox");
}

QString TestZUToolBarDlg::status() const
{
    return m_bar->findChild<QLabel*>("statusLabel")->text();
}

QAbstractButton* TestZUToolBarDlg::button(const char* name) const
{
    return m_bar->findChild<QAbstractButton*>(name);
}

void TestZUToolBarDlg::buttonsOfMissingScreensAreDisabled()
{
    m_bar->setScreenOpener(ZUToolBarDlg::Screen::FreeInteraction, nullptr);
    m_bar->setScreenOpener(ZUToolBarDlg::Screen::Settings, nullptr);
    QVERIFY(!button("freeAct")->isEnabled());
    QVERIFY(!button("setupBtn")->isEnabled());
    QVERIFY(button("TestAssisstantBtn")->isEnabled());
    QVERIFY(button("PrepaLesBtn")->isEnabled());
    QVERIFY(button("logoutBtn")->isEnabled());
}

void TestZUToolBarDlg::classChoiceAtShow_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("station102");
    QTest::addColumn<int>("lastClass");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<bool>("bindingAsked");
    // Both demo classes use the simulated receiver RF21X00001.
    QTest::newRow("two matches, first in order") << true << kStation << kStation << 0 << 101 << false;
    QTest::newRow("two matches, last class wins") << true << kStation << kStation << 102 << 102 << false;
    QTest::newRow("one match") << true << "RF-B"
                               << "RF-B" << 101 << 102 << false;
    QTest::newRow("no match, last class") << true << "RF-X" << kStation << 102 << 102 << true;
    QTest::newRow("no match, first class") << true << "RF-X" << kStation << 0 << 101 << true;
    QTest::newRow("no receiver, last class") << false << ""
                                             << "RF-B" << 102 << 102 << false;
}

void TestZUToolBarDlg::classChoiceAtShow()
{
    QFETCH(bool, connected);
    QFETCH(QString, serial);
    QFETCH(QString, station102);
    QFETCH(int, lastClass);
    QFETCH(int, chosen);
    QFETCH(bool, bindingAsked);
    setStation(102, station102);
    fakeReceiver()->connected = connected;
    fakeReceiver()->serial = serial;
    TAVMemInfo::getInstance()->lastClass = lastClass;

    if (!connected)
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    if (bindingAsked)
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    showBar();
    QVERIFY(DialogAnswerer::waitUntilAnswered());

    QCOMPARE(classBox()->currentData().toInt(), chosen);
    QCOMPARE(TAVMemInfo::getInstance()->currentClass.classID, chosen);
    QCOMPARE(m_bar->classMatched(), !bindingAsked);
    QCOMPARE(m_opened.contains(ZUToolBarDlg::Screen::Binding), bindingAsked);
    if (bindingAsked)
        QCOMPARE(DialogAnswerer::lastText(), QString("接收器没有匹配的班级!\n是否需要重新绑定？"));
    else if (!connected)
        QCOMPARE(DialogAnswerer::lastText(), QString("未检测到接收器，请检查"));
    QCOMPARE(subjectBox()->count(), chosen == 101 ? 2 : 1);
    QCOMPARE(status(), QString("未使用"));
}

void TestZUToolBarDlg::keptRecordSelectsItsClass()
{
    QVERIFY(runOutside("insert into TAV_ClassRecord (UUID, creator, classID, subjectID, startTime, status, "
                       "classStatus, stationSn, createDate) values ('{u}', ?, 102, 1, ?, 0, 1, ?, ?)",
                       { kTeacher, QDateTime::currentDateTime().addSecs(-600).toString("yyyy-MM-dd HH:mm:ss"), kStation,
                         QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss") }));
    showBar();
    QCOMPARE(classBox()->currentData().toInt(), 102);
    QCOMPARE(status(), QString("课堂中"));
    QCOMPARE(TAVMemInfo::getInstance()->currentSubjectName, QString("数学"));
}

void TestZUToolBarDlg::activityRefusals_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("clearSubjects");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("no serial") << "" << false << "信息"
                               << "无法获取接收器信息，\n请检查接收器";
    QTest::newRow("other receiver") << "RF-X" << false << "信息"
                                    << "接收器信息与班级不匹配，\n请检查接收器";
    QTest::newRow("no subject") << kStation << true << "科目错误"
                                << "请选择信息";
}

void TestZUToolBarDlg::activityRefusals()
{
    QFETCH(QString, serial);
    QFETCH(bool, clearSubjects);
    QFETCH(QString, title);
    QFETCH(QString, text);
    showBar();
    fakeReceiver()->serial = serial;
    if (clearSubjects)
        subjectBox()->clear();

    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    button("freeAct")->click();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::lastTitle(), title);
    QCOMPARE(DialogAnswerer::lastText(), text);
    QCOMPARE(DialogAnswerer::answeredCount(), 1);
    QVERIFY(m_opened.isEmpty());
    QVERIFY(m_bar->isVisible());
    QCOMPARE(committedValue("select count(*) from TAV_ClassRecord").toInt(), 0);
}

void TestZUToolBarDlg::lessonRecordQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("records");
    QTest::newRow("yes: class lesson") << int(ZUTipDlg::Yes) << "课堂中" << 1;
    QTest::newRow("no: plain use") << int(ZUTipDlg::No) << "使用中" << 1;
    QTest::newRow("close button") << int(ZUTipDlg::Close) << "未使用" << 0;
    QTest::newRow("closed otherwise") << DialogAnswerer::CloseOtherwise << "未使用" << 0;
}

void TestZUToolBarDlg::lessonRecordQuestion()
{
    QFETCH(int, answer);
    QFETCH(QString, state);
    QFETCH(int, records);
    showBar();
    startLesson(answer);

    QCOMPARE(status(), state);
    QCOMPARE(committedValue("select count(*) from TAV_ClassRecord").toInt(), records);
    QCOMPARE(m_opened.size(), records);
    QCOMPARE(m_bar->isVisible(), records == 0);
    if (records) {
        const ClassRecordRow& record = TAVMemInfo::getInstance()->currentRecord;
        QVERIFY(record.localRecordID > 0);
        QCOMPARE(record.classStatus, answer == ZUTipDlg::Yes);
        QCOMPARE(committedValue("select stationSn from TAV_ClassRecord").toString(), QString(kStation));
        QCOMPARE(committedValue("select lastclass from TAV_AppInfo").toInt(), 101);
        QCOMPARE(TAVMemInfo::getInstance()->currentSubjectName, QString("数学"));
    }

    if (!records)
        return;
    // With a lesson open the next activity asks nothing.
    m_bar->show();
    const int answered = DialogAnswerer::answeredCount();
    button("TestAssisstantBtn")->click();
    QCOMPARE(DialogAnswerer::answeredCount(), answered);
    QCOMPARE(m_opened.last(), ZUToolBarDlg::Screen::Quiz);
}

void TestZUToolBarDlg::failedRecordStartsNothing()
{
    showBar();
    QVERIFY(runOutside("alter table TAV_ClassRecord rename to TAV_ClassRecord_gone"));
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    DbTestSupport::LogCapture log;
    button("freeAct")->click();
    QVERIFY(DialogAnswerer::waitUntilAnswered());

    QCOMPARE(DialogAnswerer::lastTitle(), QString("错误"));
    QCOMPARE(status(), QString("未使用"));
    QVERIFY(log.contains("****start class record fail"));
    QVERIFY(m_opened.isEmpty());
    QVERIFY(m_bar->isVisible());
    QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);
}

void TestZUToolBarDlg::classLessonEndsWithNameAndUpload()
{
    showBar();
    startLesson(ZUTipDlg::Yes);
    m_bar->show();

    // "&", "%" and "+" in the name reach the service unchanged.
    const QString name = "数学 A&B+C 100%";
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    DialogAnswerer::answerNextInput(name, ZUInputDlg::Yes);
    button("exitBtn")->click();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::answeredCount(), 3);
    QCOMPARE(DialogAnswerer::lastTitle(), QString("消息"));
    QCOMPARE(DialogAnswerer::lastText(), QString("请输入本次课堂名称:"));

    QCOMPARE(m_quitCodes, QList<int>({ 0 }));
    QCOMPARE(status(), QString("未使用"));
    const QList<UploadedDocument> uploads = m_service.uploadedDocuments();
    QCOMPARE(uploads.size(), 1);
    QCOMPARE(uploads.first().flag, QString("1"));
    const QJsonObject record = QJsonDocument::fromJson(uploads.first().recordResult.toUtf8())
                                   .object()
                                   .value("data")
                                   .toObject()
                                   .value("TAVClassRecord")
                                   .toObject();
    QCOMPARE(record.value("recordName").toString(), name);
    QCOMPARE(record.value("classStatus").toInt(), 1);
    QVERIFY(!record.value("endTime").toString().isEmpty());
    QCOMPARE(committedValue("select count(*) from TAV_ClassRecord").toInt(), 0);
    QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);
}

void TestZUToolBarDlg::plainUseEndsWithoutName()
{
    showBar();
    startLesson(ZUTipDlg::No);
    m_bar->show();
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    button("exitBtn")->click();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::lastText(), QString("是否退出本次使用?"));
    QCOMPARE(DialogAnswerer::answeredCount(), 2);
    QVERIFY(!ZUInputDlg::getInstance()->isVisible());

    QCOMPARE(m_quitCodes, QList<int>({ 0 }));
    QCOMPARE(m_service.uploadedDocuments().size(), 1);
    const QString proposed = "数学-初二(1)班-";
    QVERIFY(m_service.uploadedDocuments().first().recordResult.contains("\"recordName\":\"" + proposed));
}

void TestZUToolBarDlg::decliningTheEndKeepsTheLesson()
{
    showBar();
    startLesson(ZUTipDlg::Yes);
    m_bar->show();
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::No);
    button("exitBtn")->click();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    // Declining at the name question keeps it open too.
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    DialogAnswerer::answerNextInput("x", DialogAnswerer::CloseOtherwise);
    button("exitBtn")->click();
    QVERIFY(DialogAnswerer::waitUntilAnswered());

    QVERIFY(m_quitCodes.isEmpty());
    QCOMPARE(status(), QString("课堂中"));
    QVERIFY(committedValue("select endTime from TAV_ClassRecord").isNull());
    QVERIFY(m_service.uploadedDocuments().isEmpty());
}

void TestZUToolBarDlg::uploadFailureLeavesRecordForThread_data()
{
    QTest::addColumn<int>("failure");
    QTest::newRow("refused") << int(WebFailure::Refuse);
    QTest::newRow("HTTP 500") << int(WebFailure::Http500);
    QTest::newRow("no answer") << int(WebFailure::NoAnswer);
}

void TestZUToolBarDlg::uploadFailureLeavesRecordForThread()
{
    QFETCH(int, failure);
    showBar();
    startLesson(ZUTipDlg::No);
    m_service.setFailure(kUploadPath, WebFailure(failure));
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    DbTestSupport::LogCapture log;
    QElapsedTimer clock;
    clock.start();
    m_bar->on_exitBtn_clicked();
    QVERIFY(clock.elapsed() < ZUToolBarSer::kUploadTimeoutMs + 1500);
    QVERIFY(DialogAnswerer::waitUntilAnswered());

    QCOMPARE(m_quitCodes, QList<int>({ 0 }));
    QVERIFY(log.contains("****server error: "));
    QCOMPARE(m_service.requestsTo(kUploadPath).size(), 1);
    QCOMPARE(committedValue("select count(*) from TAV_ClassRecord where status = 0 and endTime is not null").toInt(),
             1);
}

void TestZUToolBarDlg::uploadGivesUpWhileThreadHoldsMutex()
{
    showBar();
    startLesson(ZUTipDlg::No);
    const int id = TAVMemInfo::getInstance()->currentRecord.localRecordID;
    ZUToolBarSer::getInstance()->closeClassRecord(id, "held", QDateTime::currentDateTime());

    std::atomic<bool> locked { false };
    std::atomic<bool> release { false };
    std::thread holder([&] {
        Upload::getInstance()->uploadMutex()->lock();
        locked = true;
        while (!release)
            std::this_thread::yield();
        Upload::getInstance()->uploadMutex()->unlock();
    });
    QTRY_VERIFY_WITH_TIMEOUT(locked, 5000);
    QElapsedTimer clock;
    clock.start();
    const bool sent = ZUToolBarSer::getInstance()->uploadClassRecord(id);
    const qint64 waited = clock.elapsed();
    release = true;
    holder.join();

    QVERIFY(!sent);
    QVERIFY(waited >= ZUToolBarSer::kUploadLockMs - 100 && waited < ZUToolBarSer::kUploadLockMs + 1500);
    QVERIFY(m_service.requestsTo(kUploadPath).isEmpty());
    QCOMPARE(committedValue("select recordName from TAV_ClassRecord").toString(), QString("held"));
    // The mutex was not left locked.
    QVERIFY(Upload::getInstance()->uploadMutex()->tryLock());
    Upload::getInstance()->uploadMutex()->unlock();
}

void TestZUToolBarDlg::decliningClassChangePutsBoxBack()
{
    showBar();
    startLesson(ZUTipDlg::Yes);
    m_bar->show();
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::No);
    classBox()->setCurrentIndex(1);
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::lastText(), QString("是否退出本次课程?"));
    QCOMPARE(classBox()->currentData().toInt(), 101);
    QCOMPARE(TAVMemInfo::getInstance()->currentClass.classID, 101);
    QVERIFY(TAVMemInfo::getInstance()->currentRecord.localRecordID > 0);

    // Accepting ends the lesson and loads the other class; its receiver matches, so no binding question.
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    DialogAnswerer::answerNextInput("第二课", ZUInputDlg::Yes);
    classBox()->setCurrentIndex(1);
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(TAVMemInfo::getInstance()->currentClass.classID, 102);
    QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);
    QCOMPARE(subjectBox()->count(), 1);
    QVERIFY(!m_opened.contains(ZUToolBarDlg::Screen::Binding));
}

void TestZUToolBarDlg::decliningSubjectChangePutsBoxBack()
{
    showBar();
    QCOMPARE(subjectBox()->count(), 2);
    startLesson(ZUTipDlg::No);
    m_bar->show();
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::No);
    subjectBox()->setCurrentIndex(1);
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::lastText(), QString("是否退出本次使用?"));
    QCOMPARE(subjectBox()->currentIndex(), 0);
    QVERIFY(TAVMemInfo::getInstance()->currentRecord.localRecordID > 0);
}

void TestZUToolBarDlg::recordNameFollowsSubjectClassAndStart()
{
    ClassRecordRow record;
    record.subjectID = 2;
    record.classID = 101;
    record.startTime = "2024-03-05 08:07:59";
    QCOMPARE(ZUToolBarSer::getInstance()->makeRecordName(record), QString("物理-初二(1)班-202403050807"));
    record.subjectID = 99;
    QCOMPARE(ZUToolBarSer::getInstance()->makeRecordName(record), QString("-初二(1)班-202403050807"));
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestZUToolBarDlg test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZUToolBarDlg.moc"
