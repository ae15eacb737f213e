// The tool bar and its lesson-record service.
#include "ToolbarTestSupport.h"

#include "AutoUploadThread.h"
#include "FullDisk.h"
#include "InterfaceWatch.h"
#include "OtherProgram.h"
#include "StyleSheetProbe.h"
#include "TAVDatabase.h"
#include "TAVNetManager.h"
#include "TavSideRecord.h"
#include "TavWriteBehind.h"
#include "Upload.h"
#include "WindowInput.h"
#include "ZUFormFrame.h"
#include "ZUInputDlg.h"
#include "ZULoginDlg.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"
#include "ZUToolBarSer.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>

#include <cstdio>
#include <memory>

using namespace ToolbarTestSupport;
using DbTestSupport::committedValue;
using DbTestSupport::runOutside;

const QString kUploadPath = QStringLiteral("/tav/fastenMachine/tavStaticClass");
// What six keypads answered in the round of storeRound(), as roundIn() reads it.
const QString kRound = QStringLiteral("D01:A D02:B D03:C D04:D D05:A D06:B");
// How long another program holds the file in the tests that meet one: past every wait of the program, the
// connection pool's 5 s the longest.
const int kHeldMs = 7000;
// An event that does not come within this long has hung.
const int kEventBoundMs = 30000;
// A screen that gives no answer for this long has hung: ten times the longest the teacher may wait.
const int kHangMs = 2500;

// A stopped round of the lesson, waiting for its right answer ("-1"), with the answers of six keypads.
bool storeRound(int record)
{
    const QString t = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss");
    if (!runOutside("insert into TAV_InteractInfo (localRecordID, answerType, startTime, endTime, answer, status, "
                    "createDate, stationSn) values (?, 1, ?, ?, '-1', 0, ?, ?)",
                    { record, t, t, t, kStation }))
        return false;
    const int interact = committedValue("select max(interactID) from TAV_InteractInfo").toInt();
    for (const QString& answer : kRound.split(' ')) {
        if (!runOutside("insert into TAV_StuResult (interactID, dovaneID, createDate, result, status) "
                        "values (?, ?, ?, ?, 0)",
                        { interact, answer.section(':', 0, 0), t, answer.section(':', 1) }))
            return false;
    }
    return true;
}

QJsonObject postedLesson(const UploadedDocument& upload)
{
    return QJsonDocument::fromJson(upload.recordResult.toUtf8()).object().value("data").toObject();
}

// The answers of the one round a posted lesson holds, "D01:A D02:B ..."; "rounds: n" when it holds n others.
QString roundIn(const UploadedDocument& upload)
{
    const QJsonArray rounds = postedLesson(upload).value("TAVInteractInfo").toArray();
    if (rounds.size() != 1)
        return QString("rounds: %1").arg(rounds.size());
    QStringList answers;
    for (const QJsonValue& r : rounds.first()["TAVStuResult"].toArray())
        answers << r["dovaneID"].toString() + ":" + r["result"].toString();
    answers.sort();
    return answers.join(' ');
}

QString withoutOffLineTime(QString document)
{
    return document.replace(QRegularExpression("\"offLineTime\":\"[^\"]*\""), "\"offLineTime\":\"\"");
}

// The name the bar proposes for a lesson begun at start on class 101 in 数学.
QString proposedName(const QString& start)
{
    return "数学-初二(1)班-" + QDateTime::fromString(start, "yyyy-MM-dd HH:mm:ss").toString("yyyyMMddHHmm");
}

// Answers the name box as a teacher who keeps the name it proposes, and notes that name.
void keepProposedName(QString* proposed)
{
    DialogAnswerer::answerNextModal([proposed](QWidget* box) {
        auto* input = qobject_cast<ZUInputDlg*>(box);
        if (!input) {
            box->close();
            return;
        }
        *proposed = input->inputText();
        input->findChild<QAbstractButton*>("yesBtn")->click();
    });
}

// Reads the child's output until it holds the word; false at the bound.
bool readUntil(QProcess& child, QByteArray& out, const QByteArray& word)
{
    QDeadlineTimer deadline(60000);
    while (!out.contains(word) && !deadline.hasExpired() && child.state() != QProcess::NotRunning) {
        if (child.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            out += child.readAllStandardOutput();
    }
    out += child.readAllStandardOutput();
    return out.contains(word);
}

// Runs the upload thread, every 50 ms, until no lesson is left in the file; false when one is after the bound.
bool uploadedAll(int boundMs)
{
    AutoUploadThread* thread = AutoUploadThread::getInstance();
    thread->setPeriodMs(50);
    thread->start();
    const bool all
        = QTest::qWaitFor([] { return committedValue("select count(*) from TAV_ClassRecord").toInt() == 0; }, boundMs);
    thread->stop();
    return all;
}

class TestZUToolBarDlg : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    ZUToolBarDlg* m_bar = nullptr;
    QList<ZUToolBarDlg::Screen> m_opened;
    QList<int> m_quitCodes;

    QComboBox* classBox() const { return m_bar->findChild<QComboBox*>("ClassListComboBox"); }
    QComboBox* subjectBox() const { return m_bar->findChild<QComboBox*>("subjectComboBox"); }
    QString status() const { return m_bar->findChild<QLabel*>("statusLabel")->text(); }
    QAbstractButton* button(const char* name) const { return m_bar->findChild<QAbstractButton*>(name); }

    // Shows the bar on class 101 and answers the lesson-record question of the free interaction button.
    void startLesson(int answer)
    {
        m_bar->onShow();
        DialogAnswerer::answerNextTipDlg(answer);
        button("freeAct")->click();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("是否为课堂记录"));
        m_bar->show();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(startDemoService(m_service));
        m_bar = ZUToolBarDlg::getInstance();
        m_bar->setQuitHandler([this](int code) { m_quitCodes.append(code); });
        for (auto screen :
             { ZUToolBarDlg::Screen::FreeInteraction, ZUToolBarDlg::Screen::Quiz, ZUToolBarDlg::Screen::SignIn,
               ZUToolBarDlg::Screen::Settings, ZUToolBarDlg::Screen::Binding })
            m_bar->setScreenOpener(screen, [this, screen](const QString&) { m_opened.append(screen); });
    }

    void init()
    {
        QVERIFY(freshStart(m_service));
        m_opened.clear();
        m_quitCodes.clear();
        QVERIFY(loginDemoTeacher());
    }

    void cleanup()
    {
        AutoUploadThread::getInstance()->stop();
        // What a test left unwritten belongs to its file, which the next one replaces.
        TavWriteBehind::getInstance()->finish(0);
        m_bar->hide();
        ZULoginDlg::getInstance()->hide();
        QVERIFY(dialogsAnswered());
    }

    void classChoiceAtShow_data()
    {
        for (const char* column : { "lastClass", "recordClass", "chosen" })
            QTest::addColumn<int>(column);
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("station102");
        QTest::addColumn<bool>("bindingAsked");
        // Class 101 uses the demo receiver; an empty serial means no receiver is plugged in.
        QTest::newRow("two matches, first in order") << 0 << 0 << 101 << kStation << kStation << false;
        QTest::newRow("two matches, last class wins") << 102 << 0 << 102 << kStation << kStation << false;
        QTest::newRow("one match") << 101 << 0 << 102 << QString("RF-B") << "RF-B" << false;
        QTest::newRow("no match, last class") << 102 << 0 << 102 << "RF-X" << kStation << true;
        QTest::newRow("no match, first class") << 0 << 0 << 101 << "RF-X" << kStation << true;
        QTest::newRow("no receiver, last class") << 102 << 0 << 102 << QString() << "RF-B" << false;
        QTest::newRow("open record's class") << 101 << 102 << 102 << kStation << kStation << false;
    }

    void classChoiceAtShow()
    {
        QFETCH(int, lastClass);
        QFETCH(int, recordClass);
        QFETCH(int, chosen);
        QFETCH(QString, serial);
        QFETCH(QString, station102);
        QFETCH(bool, bindingAsked);
        TAVMemInfo::getInstance()->classMap[102].stationSn = station102;
        TAVMemInfo::getInstance()->lastClass = lastClass;
        fakeReceiver()->connected = !serial.isEmpty();
        fakeReceiver()->serial = serial;
        if (recordClass)
            QVERIFY(addOpenRecord(kTeacher, recordClass,
                                  QDateTime::currentDateTime().addSecs(-600).toString("yyyy-MM-dd HH:mm:ss")));

        if (serial.isEmpty() || bindingAsked)
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_bar->onShow();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(classBox()->currentData().toInt(), chosen);
        QCOMPARE(TAVMemInfo::getInstance()->currentClass.classID, chosen);
        QCOMPARE(subjectBox()->count(), chosen == 101 ? 2 : 1);
        QCOMPARE(m_bar->classMatched(), !bindingAsked);
        QCOMPARE(m_opened.contains(ZUToolBarDlg::Screen::Binding), bindingAsked);
        if (bindingAsked)
            QCOMPARE(DialogAnswerer::lastText(), QString("接收器没有匹配的班级!\n是否需要重新绑定？"));
        else if (serial.isEmpty())
            QCOMPARE(DialogAnswerer::lastText(), QString("未检测到接收器，请检查"));
        QCOMPARE(status(), recordClass ? QString("课堂中") : QString("未使用"));
    }

    void teacherWithoutClassesKeepsNoEarlierClass()
    {
        m_bar->onShow();
        QCOMPARE(TAVMemInfo::getInstance()->currentClass.classID, 101);
        TAVMemInfo::getInstance()->classMap.clear();
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::No);
        m_bar->onShow();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(classBox()->count(), 0);
        QCOMPARE(TAVMemInfo::getInstance()->currentClass.classID, 0);
        QCOMPARE(subjectBox()->count(), 0);
    }

    void activityRefusals_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        auto row = [](const char* tag, const char* serial, const char* title, const char* text) {
            QTest::newRow(tag) << QString(serial) << QString(title) << QString(text);
        };
        row("no serial", "", "信息", "无法获取接收器信息，\n请检查接收器");
        row("other receiver", "RF-X", "信息", "接收器信息与班级不匹配，\n请检查接收器");
        row("no subject", kStation, "科目错误", "请选择信息");
    }

    void activityRefusals()
    {
        QFETCH(QString, serial);
        QFETCH(QString, title);
        QFETCH(QString, text);
        m_bar->onShow();
        fakeReceiver()->serial = serial;
        if (title == "科目错误")
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

    void lessonRecordQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("state");
        QTest::newRow("yes: class lesson") << int(ZUTipDlg::Yes) << "课堂中";
        QTest::newRow("no: plain use") << int(ZUTipDlg::No) << "使用中";
        QTest::newRow("close button") << int(ZUTipDlg::Close) << "未使用";
        QTest::newRow("closed otherwise") << DialogAnswerer::CloseOtherwise << "未使用";
    }

    void lessonRecordQuestion()
    {
        QFETCH(int, answer);
        QFETCH(QString, state);
        startLesson(answer);
        const int records = state == "未使用" ? 0 : 1;
        QCOMPARE(status(), state);
        QCOMPARE(committedValue("select count(*) from TAV_ClassRecord").toInt(), records);
        QCOMPARE(m_opened.size(), records);
        if (!records)
            return;
        const ClassRecordRow& record = TAVMemInfo::getInstance()->currentRecord;
        QVERIFY(record.localRecordID > 0);
        QCOMPARE(record.classStatus, answer == ZUTipDlg::Yes);
        QCOMPARE(committedValue("select stationSn from TAV_ClassRecord").toString(), QString(kStation));
        QCOMPARE(committedValue("select lastclass from TAV_AppInfo").toInt(), 101);
        QCOMPARE(TAVMemInfo::getInstance()->currentSubjectName, QString("数学"));

        // With a lesson open the next activity asks nothing.
        const int answered = DialogAnswerer::answeredCount();
        button("TestAssisstantBtn")->click();
        QCOMPARE(DialogAnswerer::answeredCount(), answered);
        QCOMPARE(m_opened.last(), ZUToolBarDlg::Screen::Quiz);
    }

    // The activity must not run with its rows under record -1, never to be uploaded.
    void failedRecordStartsNothing()
    {
        m_bar->onShow();
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
        QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);
    }

    void endingUploadsTheLesson_data()
    {
        QTest::addColumn<bool>("classLesson");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("failure");
        // "&", "%" and "+" in a typed name reach the service unchanged.
        QTest::newRow("class lesson, typed name") << true << "数学 A&B+C 100%" << int(WebFailure::None);
        QTest::newRow("plain use, proposed name") << false << "数学-初二(1)班-" << int(WebFailure::None);
        QTest::newRow("refused") << false << "" << int(WebFailure::Refuse);
        QTest::newRow("HTTP 500") << false << "" << int(WebFailure::Http500);
        QTest::newRow("no answer") << false << "" << int(WebFailure::NoAnswer);
    }

    void endingUploadsTheLesson()
    {
        QFETCH(bool, classLesson);
        QFETCH(QString, name);
        QFETCH(int, failure);
        startLesson(classLesson ? ZUTipDlg::Yes : ZUTipDlg::No);
        m_service.setFailure(kUploadPath, WebFailure(failure));
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        if (classLesson)
            DialogAnswerer::answerNextInput(name, ZUInputDlg::Yes);
        DbTestSupport::LogCapture log;
        QElapsedTimer clock;
        clock.start();
        button("exitBtn")->click();
        // The class-close time-out, not the background upload's 10 s, with a margin for a busy machine.
        QVERIFY(clock.elapsed() < ZUToolBarSer::kUploadTimeoutMs * 4);
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(),
                 classLesson ? QString("请输入本次课堂名称:") : QString("是否退出本次使用?"));
        QCOMPARE(DialogAnswerer::answeredCount(), classLesson ? 3 : 2);

        const bool failed = failure != int(WebFailure::None);
        QCOMPARE(m_quitCodes, QList<int>({ 0 }));
        QCOMPARE(status(), QString("未使用"));
        QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);
        QCOMPARE(m_service.requestsTo(kUploadPath).size(), 1);
        QCOMPARE(log.contains("****server error: "), failed);
        // Sent: the local rows are gone. Not sent: the ended record waits for the upload thread.
        QCOMPARE(committedValue("select count(*) from TAV_ClassRecord").toInt(), int(failed));
        QCOMPARE(
            committedValue("select count(*) from TAV_ClassRecord where status = 0 and endTime is not null").toInt(),
            int(failed));
        if (failed)
            return;
        const UploadedDocument upload = m_service.uploadedDocuments().value(0);
        QCOMPARE(upload.flag, QString("1"));
        const QJsonObject record
            = QJsonDocument::fromJson(upload.recordResult.toUtf8())["data"]["TAVClassRecord"].toObject();
        const QString recorded = record.value("recordName").toString();
        QVERIFY2(classLesson ? recorded == name : recorded.startsWith(name), qPrintable(recorded));
        QCOMPARE(record.value("classStatus").toInt(), int(classLesson));
        QVERIFY(!record.value("endTime").toString().isEmpty());
    }

    void decliningTheEndKeepsTheLesson_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<bool>("nameClosed");
        QTest::newRow("exit, no") << "exit" << false;
        QTest::newRow("exit, name box closed") << "exit" << true;
        QTest::newRow("class change, no") << "class" << false;
        QTest::newRow("subject change, no") << "subject" << false;
    }

    void decliningTheEndKeepsTheLesson()
    {
        QFETCH(QString, trigger);
        QFETCH(bool, nameClosed);
        startLesson(ZUTipDlg::Yes);
        DialogAnswerer::answerNextTipDlg(nameClosed ? ZUTipDlg::Yes : ZUTipDlg::No);
        if (nameClosed)
            DialogAnswerer::answerNextInput("x", DialogAnswerer::CloseOtherwise);
        if (trigger == "exit")
            button("exitBtn")->click();
        else
            (trigger == "class" ? classBox() : subjectBox())->setCurrentIndex(1);
        QVERIFY(DialogAnswerer::waitUntilAnswered());

        QVERIFY(m_quitCodes.isEmpty());
        QCOMPARE(status(), QString("课堂中"));
        QCOMPARE(classBox()->currentIndex(), 0);
        QCOMPARE(subjectBox()->currentIndex(), 0);
        QCOMPARE(TAVMemInfo::getInstance()->currentClass.classID, 101);
        QVERIFY(TAVMemInfo::getInstance()->currentRecord.localRecordID > 0);
        QVERIFY(committedValue("select endTime from TAV_ClassRecord").isNull());
        QVERIFY(m_service.uploadedDocuments().isEmpty());
    }

    // A lesson already sent whole (status 1, nothing pending) still goes out once more when it ends.
    void endingSendsTheLessonOnceMoreWithinTwoSeconds()
    {
        startLesson(ZUTipDlg::No);
        QVERIFY(runOutside("update TAV_ClassRecord set status = 1"));
        QSignalSpy sent(TAVNetManager::getInstance(), &TAVNetManager::requestStarted);
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        button("exitBtn")->click();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(m_service.uploadedDocuments().size(), 1);
        QCOMPARE(m_service.uploadedDocuments().first().flag, QString("1"));
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().at(0).toUrl().path(), kUploadPath);
        QCOMPARE(sent.first().at(1).toInt(), 2000);
    }

    // The teacher's picture: fetched when online (within 5 MB and 10 s), the stored one offline.
    void thumbnail_data()
    {
        QTest::addColumn<bool>("online");
        QTest::addColumn<WebFailure>("failure"); // of the picture's address
        QTest::addColumn<bool>("stored"); // a picture of an earlier login lies in the folder
        QTest::addColumn<QSize>("pixels"); // of the picture served or stored; none: the service's own, 8 x 8
        QTest::addColumn<bool>("shown"); // the teacher's picture rather than the default
        const QSize huge(12000, 12000);
        QTest::newRow("online") << true << WebFailure::None << false << QSize() << true;
        QTest::newRow("online, picture missing") << true << WebFailure::Http500 << true << QSize() << false;
        QTest::newRow("online, picture above 5 MB") << true << WebFailure::Oversized << false << QSize() << false;
        QTest::newRow("online, 12000 x 12000 pixels") << true << WebFailure::None << false << huge << false;
        QTest::newRow("online, 4096 x 4096 pixels") << true << WebFailure::None << false << QSize(4096, 4096) << true;
        QTest::newRow("offline, stored picture") << false << WebFailure::None << true << QSize() << true;
        QTest::newRow("offline, stored 12000 x 12000 pixels") << false << WebFailure::None << true << huge << false;
        QTest::newRow("offline, nothing stored") << false << WebFailure::None << false << QSize() << false;
    }

    void thumbnail()
    {
        QFETCH(bool, online);
        QFETCH(WebFailure, failure);
        QFETCH(bool, stored);
        QFETCH(QSize, pixels);
        QFETCH(bool, shown);
        // A picture of the given size in few bytes, as a hostile or careless server could serve it.
        const auto png = [](const QSize& size) {
            QImage image(size, QImage::Format_Mono);
            image.fill(0);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return bytes;
        };
        const QString folder = QCoreApplication::applicationDirPath() + "/Thumbnails/";
        const QString picture = folder + kTeacher + ".jpg";
        QDir(folder).removeRecursively();
        if (stored) {
            QVERIFY(QDir().mkpath(folder));
            QFile file(picture);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(png(pixels.isValid() ? pixels : QSize(8, 8))) > 0);
        }
        const QString avatar = "/avatar/" + QString(kTeacher) + ".png";
        if (online && pixels.isValid())
            m_service.setStaticFile(avatar, png(pixels), "image/png");
        if (failure == WebFailure::Oversized)
            m_service.setOversizedReply(avatar, ZUToolBarDlg::kThumbnailMaxBytes + 1024 * 1024);
        else
            m_service.setFailure(avatar, failure);
        TAVMemInfo::getInstance()->onlineFlag = online;
        StyleSheetProbe probe;
        DbTestSupport::LogCapture log;
        m_bar->onShow();

        // A picture, not a style sheet, which would hold the path and with it the program folder's name (the
        // test runs from one named with an accented letter).
        const QLabel* thumbnail = m_bar->findChild<QLabel*>("thumbnail");
        QCOMPARE(thumbnail->styleSheet(), QString());
        const QPixmap shownPicture = thumbnail->pixmap(Qt::ReturnByValue);
        QVERIFY(!shownPicture.isNull());
        const QString expected = shown ? picture : ZUFormFrame::imagePath("toolbar/Thumbnail-default.png");
        QCOMPARE(shownPicture.toImage(), QPixmap(expected).toImage());
        probe.look(m_bar);
        QCOMPARE(probe.problems(), QStringList());
        // The bar downloads once. An over-size picture is aborted while the service is still sending it, and
        // Qt's HTTP layer may then send the same GET once more on its own; its answer reaches nothing.
        QCOMPARE(log.count("download given up"), int(failure == WebFailure::Oversized));
        QCOMPARE(log.count("picture is refused"), int(pixels == QSize(12000, 12000)));
        const int requests = m_service.requestsTo(avatar).size();
        if (failure == WebFailure::Oversized)
            QVERIFY2(requests == 1 || requests == 2, qPrintable(QString::number(requests)));
        else
            QCOMPARE(requests, int(online));
        QVERIFY(!QFile::exists(folder + "tmp.png"));
        if (online && shown)
            QVERIFY(QFileInfo(picture).size() > 50);
    }

    // Texts of the server never turn into markup: a name in tags shows its tags.
    void serverTextsShowAsPlainText()
    {
        const QString name = "<h1 style='color:red'>HACKED</h1>";
        const QJsonObject demo = m_service.data();
        QJsonObject hostile = TavWebService::reshaped(demo, "teachers/0/teaName", name);
        hostile = TavWebService::reshaped(hostile, "classes/0/className", "<b>HACKED</b>");
        m_service.setData(hostile);
        const bool loggedIn = loginDemoTeacher();
        m_service.setData(demo);
        QVERIFY(loggedIn);
        m_bar->onShow();
        const QString greeting = m_bar->findChild<QLabel*>("teacherLabel")->text();
        QVERIFY2(greeting.startsWith("欢迎您，<h1 style=") && greeting.endsWith("…老师"), qPrintable(greeting));
        // The name keeps to its line: the buttons below keep their room.
        QVERIFY(button("freeAct")->geometry().bottom() < button("PrepaLesBtn")->geometry().top());
        QVERIFY(button("PrepaLesBtn")->geometry().bottom() < button("setupBtn")->geometry().top());
        QCOMPARE(classBox()->itemText(0), QString("<b>HACKED</b>"));
        int labels = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            for (QLabel* label : window->findChildren<QLabel*>()) {
                if (!label->text().contains("<h1"))
                    continue;
                ++labels;
                QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
            }
        }
        QCOMPARE(labels, 1);
    }

    // The class and subject lists open in the look of the program's forms.
    void popupListTakesTheFormLook()
    {
        m_bar->onShow();
        classBox()->showPopup();
        QAbstractItemView* list = classBox()->view();
        QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), 30000);
        const QRect row = list->visualRect(list->model()->index(classBox()->currentIndex(), 0));
        const QImage image = list->viewport()->grab().toImage();
        const QColor selected = image.pixelColor(row.left() + 2, row.center().y());
        classBox()->hidePopup();
        QCOMPARE(selected.name(), QString("#39ba60"));
        QVERIFY(row.height() >= 28);
    }

    void uploadGivesUpWhileThreadHoldsMutex()
    {
        startLesson(ZUTipDlg::No);
        const int id = TAVMemInfo::getInstance()->currentRecord.localRecordID;
        ZUToolBarSer::getInstance()->closeClassRecord(id, "held", QDateTime::currentDateTime());
        // Held as the upload thread holds it; a second lock from this thread waits and fails the same way.
        QMutex* mutex = Upload::getInstance()->uploadMutex();
        mutex->lock();
        QElapsedTimer clock;
        clock.start();
        const bool sent = ZUToolBarSer::getInstance()->uploadClassRecord(id);
        const qint64 waited = clock.elapsed();
        mutex->unlock();

        QVERIFY(!sent);
        QVERIFY(waited >= ZUToolBarSer::kUploadLockMs - 100 && waited < ZUToolBarSer::kUploadLockMs + 1500);
        QVERIFY(m_service.requestsTo(kUploadPath).isEmpty());
        QCOMPARE(committedValue("select recordName from TAV_ClassRecord").toString(), QString("held"));
        QVERIFY(mutex->tryLock());
        mutex->unlock();
    }

    // Only a lesson ended in the file goes up as ended: an open one would reach the service without what the
    // class still does, and go again once it ends.
    void openLessonIsNotSentAsEnded()
    {
        startLesson(ZUTipDlg::No);
        QVERIFY(
            !ZUToolBarSer::getInstance()->uploadClassRecord(TAVMemInfo::getInstance()->currentRecord.localRecordID));
        QVERIFY(m_service.requestsTo(kUploadPath).isEmpty());
        QCOMPARE(committedValue("select count(*) from TAV_ClassRecord where status = 0 and endTime is null").toInt(),
                 1);
    }

    // Another program holds the file all through the close and long after: the bar answers all the while, proposes
    // the lesson's name, says why the end waits, and the lesson reaches the service once, whole, with its name,
    // once the file is free.
    void closeWhileAnotherProgramHoldsTheFile_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("exit") << "exit";
        QTest::newRow("log-out") << "logout";
        QTest::newRow("class change") << "class";
    }

    void closeWhileAnotherProgramHoldsTheFile()
    {
        QFETCH(QString, trigger);
        startLesson(ZUTipDlg::Yes);
        const ClassRecordRow lesson = TAVMemInfo::getInstance()->currentRecord;
        QVERIFY(storeRound(lesson.localRecordID));
        NoticeWatch told("课程记录已保留在本机");
        NoticeWatch loginKept("自动登录暂未取消：数据库文件正被其他程序使用");
        QVERIFY(runOutside("update TAV_AppInfo set autologin = '1', loginusername = ?", { kTeacher }));
        OtherProgram other(OtherProgram::Write);
        QVERIFY(other.isHeld());
        InterfaceWatch watch({}, [] { return false; });

        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        QString proposed;
        keepProposedName(&proposed);
        // The new class cannot be read meanwhile: it stays on the class it had.
        if (trigger == "class")
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        if (trigger == "class")
            QVERIFY(WindowInput::pressKey(classBox(), Qt::Key_Down));
        else
            QVERIFY(WindowInput::click(button(trigger == "exit" ? "exitBtn" : "logoutBtn")));
        QVERIFY(DialogAnswerer::waitUntilAnswered(kEventBoundMs));
        QCOMPARE(proposed, proposedName(lesson.startTime));
        QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);
        QCOMPARE(status(), QString("未使用"));
        QCOMPARE(m_quitCodes, trigger == "exit" ? QList<int>({ 0 }) : QList<int>());
        QCOMPARE(ZULoginDlg::getInstance()->isVisible(), trigger == "logout");
        if (trigger == "class") {
            QCOMPARE(DialogAnswerer::lastText(),
                     QString("班级信息读取失败：数据库文件正被其他程序使用。\n请关闭正在使用该"
                             "文件的程序，然后重新选择班级。"));
            QCOMPARE(classBox()->currentIndex(), 0);
            QCOMPARE(TAVMemInfo::getInstance()->currentClass.classID, 101);
            QCOMPARE(TAVMemInfo::getInstance()->studentList.size(), 10);
        }
        QTRY_COMPARE_WITH_TIMEOUT(told.count(), 1, kEventBoundMs);
        QTRY_VERIFY_WITH_TIMEOUT(other.heldMs() >= kHeldMs, kHeldMs + kEventBoundMs);
        QVERIFY(m_service.requestsTo(kUploadPath).isEmpty());

        other.release();
        QTRY_COMPARE_WITH_TIMEOUT(committedValue("select count(*) from TAV_ClassRecord").toInt(), 0, kEventBoundMs);
        QVERIFY2(watch.longestGapMs() < kHangMs, qPrintable(QString::number(watch.longestGapMs())));
        // Told once, in a notice that leaves the bar free, though the end was tried every second.
        QCOMPARE(told.count(), 1);
        QCOMPARE(told.modalCount(), 0);
        QCOMPARE(m_service.uploadedDocuments().size(), 1);
        const UploadedDocument upload = m_service.uploadedDocuments().first();
        QCOMPARE(upload.flag, QString("1"));
        QCOMPARE(roundIn(upload), kRound);
        const QJsonObject record = postedLesson(upload).value("TAVClassRecord").toObject();
        QCOMPARE(record.value("recordName").toString(), proposed);
        // The log-out forgets the saved login too, once the file takes it.
        QCOMPARE(loginKept.count(), int(trigger == "logout"));
        QTRY_COMPARE_WITH_TIMEOUT(committedValue("select autologin || loginusername from TAV_AppInfo").toString(),
                                  trigger == "logout" ? QString("0") : "1" + QString(kTeacher), kHangMs);
        QVERIFY(!record.value("endTime").toString().isEmpty());
    }

    // The program is killed while the lesson's end waits for the file: the next start writes it, and the lesson
    // goes up once, whole, with the name the teacher gave it.
    void lessonEndWaitingAtAKillGoesUpAfterTheNextStart()
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), { "--close-and-wait", QString::number(m_service.port()) });
        QByteArray out;
        QVERIFY2(readUntil(child, out, "started"), child.readAllStandardError().constData());
        const int id = committedValue("select max(localRecordID) from TAV_ClassRecord").toInt();
        QVERIFY(storeRound(id));
        {
            OtherProgram other(OtherProgram::Write);
            QVERIFY(other.isHeld());
            child.write("\n");
            QVERIFY2(readUntil(child, out, "kept"), child.readAllStandardError().constData());
            child.kill();
            QVERIFY(child.waitForFinished(kEventBoundMs));
        }
        QVERIFY(committedValue("select endTime from TAV_ClassRecord").isNull());

        // The next start.
        resetTeacherState();
        QVERIFY(TAVDatabase::getInstance()->openLocalDb());
        QTRY_COMPARE_WITH_TIMEOUT(
            committedValue("select recordName from TAV_ClassRecord where endTime is not null").toString(),
            QString("杀前课"), kEventBoundMs);
        QVERIFY(loginDemoTeacher());
        m_bar->onShow();
        QCOMPARE(status(), QString("未使用"));
        QVERIFY(uploadedAll(10000));
        QCOMPARE(m_service.uploadedDocuments().size(), 1);
        const UploadedDocument upload = m_service.uploadedDocuments().first();
        QCOMPARE(upload.flag, QString("1"));
        QCOMPARE(roundIn(upload), kRound);
        QCOMPARE(postedLesson(upload).value("TAVClassRecord").toObject().value("recordName").toString(),
                 QString("杀前课"));
    }

    // A lesson begun while another program holds the file is refused at once, with why and what to do; begun
    // again once the file is free, it starts.
    void lessonStartWhileAnotherProgramHoldsTheFileSaysWhy()
    {
        m_bar->onShow();
        {
            OtherProgram other(OtherProgram::Write);
            QVERIFY(other.isHeld());
            InterfaceWatch watch({}, [] { return false; });
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
            QVERIFY(WindowInput::click(button("freeAct")));
            QVERIFY(DialogAnswerer::waitUntilAnswered(kEventBoundMs));
            QVERIFY2(watch.longestGapMs() < kHangMs, qPrintable(QString::number(watch.longestGapMs())));
        }
        QCOMPARE(DialogAnswerer::lastTitle(), QString("错误"));
        QCOMPARE(DialogAnswerer::lastText(),
                 QString("课堂记录创建失败：数据库文件正被其他程序使用。\n请关闭正在使用该文件的程序，然后重试。"));
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(status(), QString("未使用"));
        QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);
        QCOMPARE(committedValue("select count(*) from TAV_ClassRecord").toInt(), 0);

        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        QVERIFY(WindowInput::click(button("freeAct")));
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QTRY_COMPARE_WITH_TIMEOUT(m_opened.size(), 1, kHangMs);
        QCOMPARE(status(), QString("课堂中"));
        QCOMPARE(committedValue("select count(*) from TAV_ClassRecord where endTime is null").toInt(), 1);
    }

    // The service's "success" came whole, but its reply was cut at the close's time-out: no answer, the lesson is
    // kept and goes again.
    void replyCutAtItsTimeOutKeepsTheLesson()
    {
        startLesson(ZUTipDlg::No);
        QVERIFY(storeRound(TAVMemInfo::getInstance()->currentRecord.localRecordID));
        m_service.setCannedReply(kUploadPath, 200, "{\"success\":true}" + QByteArray(200, ' '));
        m_service.setTrickledReply(kUploadPath, 20);
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        QVERIFY(WindowInput::click(button("exitBtn")));
        QTRY_COMPARE_WITH_TIMEOUT(m_quitCodes, QList<int>({ 0 }), ZUToolBarSer::kUploadTimeoutMs * 10);
        QCOMPARE(m_service.requestsTo(kUploadPath).size(), 1);
        QCOMPARE(
            committedValue("select count(*) from TAV_ClassRecord where status = 0 and endTime is not null").toInt(), 1);
        QCOMPARE(committedValue("select count(*) from TAV_StuResult where status = 0").toInt(), 6);

        m_service.clearFailures();
        QVERIFY(uploadedAll(10000));
        const QList<UploadedDocument> uploads = m_service.uploadedDocuments();
        QCOMPARE(uploads.last().flag, QString("1"));
        QCOMPARE(roundIn(uploads.last()), kRound);
    }

    void lessonEndedOnAFullDiskGoesUpOnceWholeWhenSpaceIsBack_data()
    {
        QTest::addColumn<bool>("restart");
        QTest::newRow("space comes back while the program runs") << false;
        QTest::newRow("the program ends meanwhile, the next start writes it") << true;
    }

    void lessonEndedOnAFullDiskGoesUpOnceWholeWhenSpaceIsBack()
    {
        QFETCH(bool, restart);
        startLesson(ZUTipDlg::Yes);
        const int id = TAVMemInfo::getInstance()->currentRecord.localRecordID;
        QVERIFY(storeRound(id));
        NoticeWatch failedNotice("提交数据库失败");
        NoticeWatch told("课程记录已保留在本机");
        {
            FullDisk disk;
            QVERIFY(disk.isFull());
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
            DialogAnswerer::answerNextInput("满盘课", ZUInputDlg::Yes);
            button("exitBtn")->click();
            QVERIFY(DialogAnswerer::waitUntilAnswered());
            // A full disk keeps the teacher neither in the lesson nor in the program.
            QCOMPARE(m_quitCodes, QList<int>({ 0 }));
            QTRY_COMPARE_WITH_TIMEOUT(told.count(), 1, kHangMs * 4);
            if (restart) {
                QVERIFY(!TavWriteBehind::getInstance()->finish(0));
                QVERIFY(TavWriteBehind::getInstance()->recordedAll());
            }
        }
        QCOMPARE(DialogAnswerer::answeredCount(), 3); // with the lesson-record question
        QCOMPARE(status(), QString("未使用"));
        QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);
        if (restart) {
            QVERIFY(committedValue("select endTime from TAV_ClassRecord").isNull());
            resetTeacherState();
            QVERIFY(TAVDatabase::getInstance()->openLocalDb());
            QVERIFY(loginDemoTeacher());
            m_bar->onShow();
            QCOMPARE(status(), QString("未使用"));
            QVERIFY(uploadedAll(30000));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(committedValue("select count(*) from TAV_ClassRecord").toInt(), 0, 10000);
        }
        QCOMPARE(m_service.requestsTo(kUploadPath).size(), 1);
        const UploadedDocument upload = m_service.uploadedDocuments().value(0);
        QCOMPARE(upload.flag, QString("1"));
        QCOMPARE(roundIn(upload), kRound);
        const QJsonObject record = postedLesson(upload).value("TAVClassRecord").toObject();
        QCOMPARE(record.value("loaclRecordID").toInt(), id);
        QVERIFY(!record.value("endTime").toString().isEmpty());
        QCOMPARE(record.value("recordName").toString(), QString("满盘课"));
        QCOMPARE(told.count(), 1);
        QCOMPARE(told.modalCount(), 0);
        QCOMPARE(failedNotice.count(), 0);
    }

    // The service took the lesson, and it could not be marked sent: it goes once more, the same, never in part.
    void lessonTakenButNotMarkedGoesAgainTheSame_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("the disk fills while it is on its way") << true;
        // Statements refused while the rest of the transaction goes on.
        QTest::newRow("its round can be neither marked nor dropped") << false;
    }

    void lessonTakenButNotMarkedGoesAgainTheSame()
    {
        QFETCH(bool, fullDisk);
        startLesson(ZUTipDlg::No);
        QVERIFY(storeRound(TAVMemInfo::getInstance()->currentRecord.localRecordID));
        const QStringList refusals = { "before update of status on TAV_InteractInfo",
                                       "before delete on TAV_ClassRecord", "before delete on TAV_InteractInfo" };
        for (int i = 0; !fullDisk && i < refusals.size(); ++i)
            QVERIFY(runOutside(QString("create trigger refuse%1 %2 begin select raise(abort, 'database or disk is "
                                       "full'); end")
                                   .arg(i)
                                   .arg(refusals.at(i))));
        std::unique_ptr<FullDisk> disk;
        NoticeWatch notice("提交数据库失败");
        // Full from the moment the lesson is on its way, so the service takes it and nothing can be marked.
        const auto connection = connect(
            TAVNetManager::getInstance(), &TAVNetManager::requestStarted, this,
            [&disk, fullDisk](const QUrl&, int) {
                if (fullDisk)
                    disk = std::make_unique<FullDisk>();
            },
            Qt::DirectConnection);
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        button("exitBtn")->click();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        disconnect(connection);
        QVERIFY(!fullDisk || (disk && disk->isFull()));
        disk.reset();
        for (int i = 0; !fullDisk && i < refusals.size(); ++i)
            QVERIFY(runOutside(QString("drop trigger refuse%1").arg(i)));

        QCOMPARE(m_quitCodes, QList<int>({ 0 }));
        QCOMPARE(m_service.uploadedDocuments().size(), 1);
        QCOMPARE(roundIn(m_service.uploadedDocuments().first()), kRound);
        // Nothing of it is marked: the lesson waits whole for the upload thread.
        QCOMPARE(
            committedValue("select count(*) from TAV_ClassRecord where status = 0 and endTime is not null").toInt(), 1);
        QCOMPARE(committedValue("select count(*) from TAV_InteractInfo where status = 0").toInt(), 1);
        QCOMPARE(committedValue("select count(*) from TAV_StuResult where status = 0").toInt(), 6);

        QVERIFY(uploadedAll(30000));
        const QList<UploadedDocument> uploads = m_service.uploadedDocuments();
        QCOMPARE(uploads.size(), 2);
        QCOMPARE(uploads.last().flag, QString("1"));
        QCOMPARE(withoutOffLineTime(uploads.last().recordResult), withoutOffLineTime(uploads.first().recordResult));
        // The teacher is told nothing: the lesson ended, and it reached the service.
        QCOMPARE(notice.count(), 0);
    }
};

// Child: the demo teacher begins a lesson on the bar, and once the parent holds the file ends it with 注销; says
// when its end is recorded beside the file, and waits to be killed.
int closeAndWait(int port)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    if (!database->openLocalDb() || !database->waitForFileCheck() || !useServer(port))
        return 2;
    resetTeacherState();
    if (!loginDemoTeacher())
        return 3;
    ZUToolBarDlg* bar = ZUToolBarDlg::getInstance();
    bar->setQuitHandler([](int) {});
    bar->setScreenOpener(ZUToolBarDlg::Screen::FreeInteraction, [](const QString&) {});
    bar->onShow();
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    bar->findChild<QAbstractButton*>("freeAct")->click();
    if (!dialogsAnswered() || TAVMemInfo::getInstance()->currentRecord.localRecordID <= 0)
        return 4;
    std::puts("started");
    std::fflush(stdout);
    std::getchar();
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    DialogAnswerer::answerNextInput("杀前课", ZUInputDlg::Yes);
    bar->findChild<QAbstractButton*>("logoutBtn")->click();
    if (!dialogsAnswered())
        return 5;
    if (!QTest::qWaitFor([] { return TavSideRecord::getInstance()->pendingCount() > 0; }, 30000))
        return 6;
    std::puts("kept");
    std::fflush(stdout);
    std::getchar();
    return 0;
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (OtherProgram::isChild(c, v))
            return OtherProgram::holdInChild(c, v);
        if (c == 3 && QByteArray(v[1]) == "--close-and-wait")
            return closeAndWait(QByteArray(v[2]).toInt());
        TestZUToolBarDlg test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZUToolBarDlg.moc"
