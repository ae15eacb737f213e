// The quiz set-up against the local web service: the duration boxes from the settings and within their limits,
// paging through a catalogue of three pages, choosing a paper, and starting either mode or being refused.
#include "DialogAnswerer.h"
#include "ExamTestSupport.h"
#include "ToolbarTestSupport.h"
#include "WindowInput.h"
#include "ZUExamMem.h"
#include "ZUStepExamDlg.h"
#include "ZUTAVExamSetDlg.h"
#include "ZUTeamExamDlg.h"
#include "ZUTeamExamSer.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QImage>
#include <QListWidget>
#include <QScreen>
#include <QSpinBox>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

using namespace ExamTestSupport;

class TestZUTAVExamSetDlg : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    QJsonObject m_demo;
    ZUTAVExamSetDlg* m_dlg = nullptr;

    QSpinBox* box(const char* name) const { return m_dlg->findChild<QSpinBox*>(name); }
    QListWidget* list() const { return m_dlg->findChild<QListWidget*>("TestPapListWidget"); }
    QString duration() const
    {
        return QString("%1:%2:%3")
            .arg(box("HourSpinBox")->value())
            .arg(box("MinSpinBox")->value())
            .arg(box("SecSpinBox")->value());
    }
    QString ranges() const
    {
        QStringList shown;
        for (const char* name : { "HourSpinBox", "MinSpinBox", "SecSpinBox" })
            shown << QString("%1-%2").arg(box(name)->minimum()).arg(box(name)->maximum());
        return shown.join(' ');
    }
    void open(const QString& seconds, const QString& mode)
    {
        TAVMemInfo::getInstance()->configMap = { { "TestTime", seconds }, { "TestMode", mode } };
        m_dlg->showWithSettings();
    }
    int listRequests() const { return m_service.requestsTo(ZUExamSer::kPaperListPath).size(); }
    bool openCatalogue() { return click(m_dlg, "ChoPapIconBtn") && list()->count() > 0; }
    bool choose(int row)
    {
        list()->setCurrentRow(row);
        return click(m_dlg, "ParChoSureBtn");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        QVERIFY(startService(m_service));
        // Seventeen papers of the subject: three pages of seven.
        m_demo = m_service.data();
        QJsonArray papers = m_demo["papers"].toArray();
        const QJsonObject first = papers.first().toObject();
        for (int i = 2; i <= 16; ++i) {
            QJsonObject copy = first;
            copy["paperID"] = QString("P9%1").arg(i, 3, 10, QLatin1Char('0'));
            copy["paperName"] = QString("练习%1").arg(i);
            papers.append(copy);
        }
        m_demo["papers"] = papers;
        m_dlg = ZUTAVExamSetDlg::getInstance();
    }

    void init()
    {
        m_service.setData(m_demo);
        m_service.clearFailures();
        m_service.clearRequests();
        useScreenClass(3);
        openReceiver();
        open("900", "1");
    }

    void cleanup()
    {
        ZUStepExamDlg::getInstance()->hide();
        ZUTeamExamDlg::getInstance()->hide();
        m_dlg->hide();
        QVERIFY(ToolbarTestSupport::dialogsAnswered());
        DialogAnswerer::clear();
    }

    void durationFromTheSettings_data()
    {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("shown");
        QTest::newRow("defaults") << "900"
                                  << "1"
                                  << "0:15:0 1 0-1 1-59 0-59";
        QTest::newRow("two hours") << "7200"
                                   << "1"
                                   << "2:0:0 1 1-2 0-0 0-0";
        QTest::newRow("an hour and some seconds") << "3630"
                                                  << "0"
                                                  << "1:0:30 0 1-1 0-59 0-59";
        QTest::newRow("under a minute") << "45"
                                        << "1"
                                        << "0:1:45 1 0-1 1-59 0-59";
        QTest::newRow("over two hours") << "9000"
                                        << "2"
                                        << "2:0:0 1 1-2 0-0 0-0";
        QTest::newRow("missing") << ""
                                 << ""
                                 << "0:1:0 0 0-1 1-59 0-59";
    }

    void durationFromTheSettings()
    {
        QFETCH(QString, seconds);
        QFETCH(QString, mode);
        QFETCH(QString, shown);
        open(seconds, mode);
        QCOMPARE(QString("%1 %2 %3").arg(duration()).arg(m_dlg->mode()).arg(ranges()), shown);
        QVERIFY(!findChildButton("StartTestBtn")->isEnabled());
    }

    // An earlier opening's narrowed ranges once turned 0:05:30 into 1:05:30.
    void anEarlierDurationDoesNotBendTheNext()
    {
        open("3630", "1");
        open("330", "1");
        QCOMPARE(duration(), QString("0:5:30"));
        QCOMPARE(m_dlg->duration(), 330);
    }

    void boxesHoldTheLimits_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no hour needs a minute") << QStringList { "m0" } << "0:1:0";
        QTest::newRow("two hours at most") << QStringList { "h1", "m0", "h2", "m5", "s9" } << "2:0:0";
        QTest::newRow("not two hours with seconds") << QStringList { "h1", "m0", "s30", "h2" } << "1:0:30";
        QTest::newRow("down from two hours") << QStringList { "h1", "m0", "h2", "h1", "m30" } << "1:30:0";
        QTest::newRow("no hour after a full hour") << QStringList { "h1", "m0", "h0" } << "1:0:0";
    }

    void boxesHoldTheLimits()
    {
        QFETCH(QStringList, values);
        QFETCH(QString, shown);
        for (const QString& v : values) {
            const char* name = v[0] == 'h' ? "HourSpinBox" : v[0] == 'm' ? "MinSpinBox" : "SecSpinBox";
            box(name)->setValue(v.mid(1).toInt());
        }
        QCOMPARE(duration(), shown);
    }

    void pagesThroughTheCatalogue()
    {
        QVERIFY(openCatalogue());
        QTRY_VERIFY_WITH_TIMEOUT(m_dlg->showsPaperPage(), 20000);
        QCOMPARE(text(m_dlg, "PageNumLbl") + QString::number(list()->count()), QString("17"));
        act({ "UpBtn" });
        QCOMPARE(text(m_dlg, "PageNumLbl"), QString("1"));
        act({ "DownBtn", "DownBtn" });
        QCOMPARE(text(m_dlg, "PageNumLbl") + QString::number(list()->count()), QString("33"));
        QCOMPARE(list()->item(2)->text(), QString("练习16"));
        const int requests = listRequests();
        act({ "DownBtn", "UpBtn" });
        QCOMPARE(text(m_dlg, "PageNumLbl") + list()->item(0)->text(), QString("2练习7"));
        QCOMPARE(listRequests(), requests);
    }

    void failedRequestsKeepThePageInView()
    {
        QVERIFY(openCatalogue());
        m_service.setFailure(ZUExamSer::kPaperListPath, WebFailure::Refuse);
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        act({ "DownBtn" });
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastTitle() + DialogAnswerer::lastText(), QString("错误获取试卷信息失败"));
        QCOMPARE(text(m_dlg, "PageNumLbl") + list()->item(0)->text(), QString("1一次函数单元小测"));

        open("900", "1");
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        act({ "ChoPapIconBtn" });
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QVERIFY(!m_dlg->showsPaperPage());
    }

    void choosingAPaperShowsItsFacts()
    {
        QVERIFY(openCatalogue());
        DbTestSupport::LogCapture log;
        act({ "ParChoSureBtn" });
        QVERIFY(log.contains("****the select size is 0"));
        QVERIFY(choose(0));
        QCOMPARE(text(m_dlg, "TestNameTextEdit") + text(m_dlg, "TotalScoLbl") + text(m_dlg, "TestNumLbl"),
                 QString("一次函数单元小测900分6题"));
        QVERIFY(findChildButton("StartTestBtn")->isEnabled() && !m_dlg->showsPaperPage());
        act({ "ChoPapBtn", "PapSetExitBtn" });
        QCOMPARE(text(m_dlg, "TotalScoLbl") + text(m_dlg, "TestNumLbl"), QString("0分0题"));
        QVERIFY(!findChildButton("StartTestBtn")->isEnabled());
    }

    // A name from the server is text: no headline, no picture read from a path.
    void paperNamesShowAsTheyAre()
    {
        const QString name = "<h1>期中</h1><img src=\"/etc/hostname\"> & 测验";
        QJsonObject data = m_demo;
        QJsonArray papers = data["papers"].toArray();
        QJsonObject first = papers.first().toObject();
        first["paperName"] = name;
        papers.replace(0, first);
        data["papers"] = papers;
        m_service.setData(data);
        QVERIFY(openCatalogue());
        const QString tip = list()->item(0)->toolTip();
        QTextDocument shown;
        Qt::mightBeRichText(tip) ? shown.setHtml(tip) : shown.setPlainText(tip);
        QCOMPARE(shown.toPlainText(), name);
        QCOMPARE(list()->item(0)->text(), name);
        QVERIFY(choose(0));
        const QLabel* chosen = m_dlg->findChild<QLabel*>("TestNameTextEdit");
        QCOMPARE(chosen->text() + QString::number(chosen->textFormat()), name + QString::number(Qt::PlainText));
    }

    void startOpensTheRunScreenOfTheMode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<int>("questions"); // a paper of so many five-item questions; 0 for the demo paper
        QTest::addColumn<QString>("shown");
        QTest::newRow("all at once") << "1"
                                     << "2730" << 0 << "ZUTeamExamDlg 00:45:30 red";
        QTest::newRow("question by question") << "0"
                                              << "900" << 0 << "ZUStepExamDlg 00:01:52 red";
        // An hour counts 3600 seconds: 4530 shared out over the paper's eight items.
        QTest::newRow("all at once over an hour") << "1"
                                                  << "3630" << 0 << "ZUTeamExamDlg 01:00:30 red";
        QTest::newRow("question by question over an hour") << "0"
                                                           << "4530" << 0 << "ZUStepExamDlg 00:09:26 red";
        QTest::newRow("too short for the items") << "0"
                                                 << "300" << 20 << "错误时间设置不合理，请重新设置";
        QTest::newRow("paper not loaded") << "1"
                                          << "900" << -1 << "错误加载试卷信息失败";
    }

    void startOpensTheRunScreenOfTheMode()
    {
        QFETCH(QString, mode);
        QFETCH(QString, seconds);
        QFETCH(int, questions);
        QFETCH(QString, shown);
        if (questions > 0)
            serveReply(m_service, paperReply(QVector<QString>(questions, "A|B|C|D|E").toList()));
        if (questions < 0)
            m_service.setFailure(ZUExamSer::kPaperPath, WebFailure::Refuse);
        open(seconds, mode);
        QVERIFY(openCatalogue());
        QVERIFY(choose(0));
        if (questions != 0)
            DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        act({ "StartTestBtn" });
        if (questions != 0) {
            QVERIFY(DialogAnswerer::waitUntilAnswered());
            QCOMPARE(DialogAnswerer::lastTitle() + DialogAnswerer::lastText(), shown);
            QVERIFY(m_dlg->isVisible());
            return;
        }
        QWidget* screen
            = mode == "1" ? static_cast<QWidget*>(ZUTeamExamDlg::getInstance()) : ZUStepExamDlg::getInstance();
        QVERIFY(screen->isVisible() && !m_dlg->isVisible());
        QCOMPARE(screen->objectName() + " " + countdown(screen), shown);
        QCOMPARE(ZUExamMem::getInstance()->m_paperName, QString("一次函数单元小测"));
        QCOMPARE(ZUExamMem::getInstance()->m_allScores, 900);
    }

    // While a paper loads only the close button works; it gives the load up, and the earlier paper stays.
    void closingWhileAPaperLoadsGivesItUp()
    {
        ZUTeamExamSer* team = ZUTeamExamSer::getInstance();
        QCOMPARE(team->getPaperInfo("P1002"), 0);
        ZUToolBarDlg::getInstance()->hide();
        QVERIFY(openCatalogue());
        QVERIFY(choose(0));
        m_service.clearRequests();
        QString usable;
        // Fires inside the first wait of the load, as a click would be taken in between its steps.
        QTimer::singleShot(0, m_dlg, [&] {
            usable = buttons(m_dlg, { "StartTestBtn", "TeamExamBtn", "TestSetExitBtn" });
            click(m_dlg, "TestSetExitBtn");
        });
        act({ "StartTestBtn" });
        QCOMPARE(usable, QString("001"));
        QVERIFY(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible());
        QVERIFY(!ZUTeamExamDlg::getInstance()->isVisible());
        QCOMPARE(m_service.requestsTo("/paper/1001Text.png").size(), 0);
        QCOMPARE(team->m_replyPaperID, QString("P1002"));
        // Opened again, the dialog works as before.
        open("900", "1");
        QVERIFY(openCatalogue() && choose(0));
        QVERIFY(findChildButton("StartTestBtn")->isEnabled() && findChildButton("TeamExamBtn")->isEnabled());
    }

    // The teacher's clicks come through the window system's input queue, as the X server's do, while the first
    // picture trickles in a byte a second: the close control gives the load up at once, and clicks on the other
    // controls meanwhile start nothing, then or after. Also run under Xvfb, through the plugin that takes the X
    // server's input.
    void closingWhileAPictureArrivesGivesItUp_data()
    {
        QTest::addColumn<QStringList>("clicks"); // in this order, once the picture is asked for
        QTest::newRow("close") << QStringList { "TestSetExitBtn" };
        QTest::newRow("start again, the mode, the catalogue, then close")
            << QStringList { "StartTestBtn", "StepExamBtn", "ChoPapBtn", "TestSetExitBtn" };
    }

    void closingWhileAPictureArrivesGivesItUp()
    {
        QFETCH(QStringList, clicks);
        ZUTeamExamSer* team = ZUTeamExamSer::getInstance();
        QCOMPARE(team->getPaperInfo("P1002"), 0);
        ZUToolBarDlg::getInstance()->hide();
        QVERIFY(openCatalogue());
        QVERIFY(choose(0));
        // The teacher clicks once the settings page stands still.
        const QWidget* pages = m_dlg->findChild<QWidget*>("ExamWidget");
        QTRY_COMPARE_WITH_TIMEOUT(pages->y(), -m_dlg->findChild<QWidget*>("PaperSetWidget")->height(), 20000);
        m_service.clearRequests();
        m_service.setTrickledReply("/paper/1001Text.png", 1000);
        QStringList queued;
        QElapsedTimer sinceClick;
        QMetaObject::Connection clickOnArrival
            = connect(&m_service, &TavWebService::requestReceived, m_dlg, [&](const WebRequest& request) {
                  if (request.path != "/paper/1001Text.png")
                      return;
                  sinceClick.start();
                  for (const QString& name : qAsConst(clicks)) {
                      if (WindowInput::click(findChildButton(qPrintable(name))))
                          queued << name;
                  }
              });
        act({ "StartTestBtn" });
        disconnect(clickOnArrival);
        QCOMPARE(queued, clicks);
        QCOMPARE(m_service.requestsTo("/paper/1001Text.png").size(), 1);
        // Given up as the close was clicked (not when some other event happened to let the click through, nor at
        // the load limit), and the tool bar is back.
        QVERIFY2(sinceClick.elapsed() < ZUBaseExamSer::kPaperLoadMs / 2,
                 qPrintable(QString("%1 ms after the click").arg(sinceClick.elapsed())));
        QVERIFY(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible());
        QVERIFY(!ZUTeamExamDlg::getInstance()->isVisible() && !ZUStepExamDlg::getInstance()->isVisible());
        QCOMPARE(team->m_replyPaperID, QString("P1002"));
        QVERIFY(QDir(QCoreApplication::applicationDirPath() + "/PaperData").entryList({ "*.part" }).isEmpty());
        // Whatever else was clicked started nothing, now or once the load had ended.
        QCoreApplication::processEvents();
        QCOMPARE(m_service.requestsTo(ZUExamSer::kPaperPath).size(), 1);
        QCOMPARE(listRequests(), 0);
        QCOMPARE(m_dlg->mode(), 1);
        QVERIFY(!m_dlg->isVisible());
    }

    // A box that opens while a picture trickles in (the program's message box, from elsewhere) takes the teacher's
    // click through the window system's input queue; then the close gives the load up as before.
    void aBoxOpenedWhileAPictureArrivesTakesItsClick()
    {
        QCOMPARE(ZUTeamExamSer::getInstance()->getPaperInfo("P1002"), 0);
        ZUToolBarDlg::getInstance()->hide();
        QVERIFY(openCatalogue());
        QVERIFY(choose(0));
        const QWidget* pages = m_dlg->findChild<QWidget*>("ExamWidget");
        QTRY_COMPARE_WITH_TIMEOUT(pages->y(), -m_dlg->findChild<QWidget*>("PaperSetWidget")->height(), 20000);
        m_service.setTrickledReply("/paper/1001Text.png", 1000);
        ZUTipDlg* box = ZUTipDlg::getInstance();
        QString met;
        int answer = -1;
        bool clicked = false;
        QTimer clickWhenShown;
        clickWhenShown.setInterval(20);
        connect(&clickWhenShown, &QTimer::timeout, box, [&] {
            if (!clicked && box->isVisible() && box->windowHandle() && box->windowHandle()->isExposed())
                clicked = WindowInput::click(box->findChild<QPushButton*>("yesBtn"));
        });
        // Nobody else answers it: a click that goes nowhere ends the test, not the box.
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, box, [&] {
            met = clicked ? "the box stayed open after its click" : "the box never showed";
            box->closeBtnIsClicked();
        });
        QMetaObject::Connection openOnArrival
            = connect(&m_service, &TavWebService::requestReceived, m_dlg, [&](const WebRequest& request) {
                  if (request.path != "/paper/1001Text.png")
                      return;
                  QTimer::singleShot(0, m_dlg, [&] {
                      box->setButtons(ZUTipDlg::Yes, 0);
                      box->setText(QStringLiteral("网络已恢复"), QStringLiteral("提示"));
                      clickWhenShown.start();
                      giveUp.start(10000);
                      answer = box->exec();
                      clickWhenShown.stop();
                      giveUp.stop();
                      QVERIFY(WindowInput::click(findChildButton("TestSetExitBtn")));
                  });
              });
        act({ "StartTestBtn" });
        disconnect(openOnArrival);
        QVERIFY2(met.isEmpty(), qPrintable(met));
        QCOMPARE(answer, int(ZUTipDlg::Yes));
        QVERIFY(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible());
        QVERIFY(!ZUTeamExamDlg::getInstance()->isVisible());
        QCOMPARE(ZUTeamExamSer::getInstance()->m_replyPaperID, QString("P1002"));
    }

    // While a paper loads, the controls that take no input meanwhile look inactive, and the loading spinner covers
    // none of the controls.
    void loadingShowsItsControlsInactiveAndTheSpinnerBesideThem()
    {
        QCOMPARE(ZUTeamExamSer::getInstance()->getPaperInfo("P1002"), 0);
        ZUToolBarDlg::getInstance()->hide();
        QVERIFY(openCatalogue());
        QVERIFY(choose(0));
        const QWidget* pages = m_dlg->findChild<QWidget*>("ExamWidget");
        QTRY_COMPARE_WITH_TIMEOUT(pages->y(), -m_dlg->findChild<QWidget*>("PaperSetWidget")->height(), 20000);
        const QStringList inactive { "TeamExamBtn", "StepExamBtn", "ChoPapBtn", "StartTestBtn",
                                     "HourSpinBox", "MinSpinBox",  "SecSpinBox" };
        QMap<QString, QImage> idle;
        for (const QString& name : inactive)
            idle[name] = m_dlg->findChild<QWidget*>(name)->grab().toImage();
        saveShot("exam-set-up-idle");
        m_service.setTrickledReply("/paper/1001Text.png", 1000);
        QStringList lookUnchanged, covered;
        bool seen = false;
        QMetaObject::Connection whileLoading
            = connect(&m_service, &TavWebService::requestReceived, m_dlg, [&](const WebRequest& request) {
                  if (request.path != "/paper/1001Text.png" || seen)
                      return;
                  seen = true;
                  const QWidget* spinner = m_dlg->findChild<QWidget*>("loading");
                  QVERIFY(spinner->isVisible());
                  for (const QString& name : inactive) {
                      if (m_dlg->findChild<QWidget*>(name)->grab().toImage() == idle.value(name))
                          lookUnchanged << name;
                  }
                  const QRect spun(spinner->mapTo(m_dlg, QPoint()), spinner->size());
                  const QList<QWidget*> controls = m_dlg->findChildren<QWidget*>();
                  for (const QWidget* control : controls) {
                      if ((qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QSpinBox*>(control))
                          && control->isVisible()
                          && spun.intersects(QRect(control->mapTo(m_dlg, QPoint()), control->size())))
                          covered << control->objectName();
                  }
                  saveShot("exam-set-up-loading");
                  QVERIFY(WindowInput::click(findChildButton("TestSetExitBtn")));
              });
        act({ "StartTestBtn" });
        disconnect(whileLoading);
        QVERIFY(seen);
        QCOMPARE(lookUnchanged.join(" "), QString());
        QCOMPARE(covered.join(" "), QString());
        QVERIFY(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible());
    }

    void leavingBringsBackTheToolBar()
    {
        act({ "TestSetExitBtn" });
        QVERIFY(!m_dlg->isVisible() && ZUToolBarDlg::getInstance()->isVisible());
        ZUToolBarDlg::getInstance()->hide();
        open("900", "1");
        m_dlg->close();
        QVERIFY(ZUToolBarDlg::getInstance()->isVisible());
    }

private:
    // For a look at the screen: with TAV_SHOT_DIR set, the whole screen as it stands is kept there.
    static void saveShot(const QString& name)
    {
        const QString dir = qEnvironmentVariable("TAV_SHOT_DIR");
        if (dir.isEmpty())
            return;
        QTest::qWait(400); // what changed reaches the screen, the spinner turning
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + "/" + name + ".png");
    }
    QPushButton* findChildButton(const char* name) const { return m_dlg->findChild<QPushButton*>(name); }
    void act(const QStringList& names)
    {
        for (const QString& name : names)
            QVERIFY2(click(m_dlg, qPrintable(name)), qPrintable(name));
    }
};

TAV_DB_TEST_MAIN(TestZUTAVExamSetDlg)
#include "TestZUTAVExamSetDlg.moc"
