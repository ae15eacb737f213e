// The settings dialog: values kept within their limits, what each tab stores, and a save that fails.
#include "RosterTestSupport.h"

#include "TAVDatabase.h"
#include "TAV_Config.h"
#include "ZUSetUpDlg.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>

using namespace RosterTestSupport;
using DbTestSupport::committedValue;
using DbTestSupport::runOutside;

class TestZUSetUpDlg : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    ZUSetUpDlg* m_dlg = nullptr;

    template<typename T> T* child(const char* name) const { return m_dlg->findChild<T*>(name); }
    QSpinBox* box(const char* name) const { return child<QSpinBox>(name); }
    QString time() const
    {
        return QString("%1:%2:%3")
            .arg(box("HourSpinBox")->value())
            .arg(box("MinSpinBox")->value())
            .arg(box("SecSpinBox")->value());
    }
    static QString stored(const char* key)
    {
        return committedValue("select keyNalue from TAV_Config where keyName = ?", { key }).toString();
    }
    // Writes one setting as if it had been stored earlier, and opens the dialog on it.
    void openWith(const char* key, const QString& value)
    {
        QVERIFY(runOutside("update TAV_Config set keyNalue = ? where keyName = ?", { value, key }));
        reload();
        m_dlg->loadSettings();
    }
    static void reload()
    {
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        TAV_Config::getInstance()->loadAll(db);
        TAVDatabase::getInstance()->closeDbCon(db);
    }
    void save(const char* button, const QString& answer)
    {
        child<QPushButton>(button)->click();
        QVERIFY(child<QPushButton>(button));
        QTRY_VERIFY_WITH_TIMEOUT(ZUTipDlg::getInstance()->isVisible(), 20000);
        QCOMPARE(ZUTipDlg::getInstance()->findChild<QLabel*>("textLabel")->text(), answer);
        ZUTipDlg::getInstance()->hide();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(startDemoService(m_service));
        // The program's style sheet, as the program sets it at start.
        QFile sheet(TAV_SOURCE_DIR "/tools/art/ZUTAVApplication.qss");
        QVERIFY(sheet.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
        m_dlg = ZUSetUpDlg::getInstance();
    }

    void init()
    {
        QVERIFY(demoLesson(m_service, "fake"));
        reload();
        m_dlg->loadSettings();
        m_dlg->show();
    }

    void cleanup()
    {
        m_dlg->hide();
        QVERIFY(dialogsAnswered());
    }

    void quizTimeLoads_data()
    {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("minutesMin");
        QTest::addColumn<int>("minutesMax");
        QTest::newRow("default 900") << "900"
                                     << "0:15:0" << 1 << 59;
        QTest::newRow("two hours") << "7200"
                                   << "2:0:0" << 0 << 0;
        QTest::newRow("one hour and a half") << "5430"
                                             << "1:30:30" << 0 << 59;
        QTest::newRow("too short") << "30"
                                   << "0:1:30" << 1 << 59;
    }

    void quizTimeLoads()
    {
        QFETCH(QString, seconds);
        QFETCH(QString, shown);
        QFETCH(int, minutesMin);
        QFETCH(int, minutesMax);
        openWith("TestTime", seconds);
        QCOMPARE(time(), shown);
        QCOMPARE(box("MinSpinBox")->minimum(), minutesMin);
        QCOMPARE(box("MinSpinBox")->maximum(), minutesMax);
        QCOMPARE(box("SecSpinBox")->maximum(), minutesMax);
    }

    // The limits of the time shown before must not clamp the time stored now.
    void laterOpeningShowsTheStoredTime()
    {
        openWith("TestTime", "30");
        openWith("TestTime", "900");
        QCOMPARE(time(), QString("0:15:0"));
        openWith("TestTime", "7200");
        QCOMPARE(time(), QString("2:0:0"));
    }

    void quizTimeStaysBetweenAMinuteAndTwoHours()
    {
        openWith("TestTime", "900");
        box("MinSpinBox")->setValue(0);
        QCOMPARE(time(), QString("0:1:0")); // with the hour at 0 the minutes stop at 1
        box("HourSpinBox")->setValue(1);
        box("MinSpinBox")->setValue(0);
        box("SecSpinBox")->setValue(30);
        QCOMPARE(box("HourSpinBox")->minimum(), 1); // minutes 0 with seconds: the hour is held at 1
        QCOMPARE(box("HourSpinBox")->maximum(), 1);
        box("SecSpinBox")->setValue(0);
        box("HourSpinBox")->setValue(2);
        QCOMPARE(time(), QString("2:0:0"));
        box("MinSpinBox")->setValue(5);
        QCOMPARE(time(), QString("2:0:0"));
        QCOMPARE(ZUSetUpSer::hourRange(0, 30).max, 1);
    }

    void timeLimit_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("shown");
        QTest::newRow("missing") << ""
                                 << "decTimeBtn" << 1;
        QTest::newRow("0 shows 1") << "0"
                                   << "addTimeBtn" << 2;
        QTest::newRow("at 200") << "200"
                                << "addTimeBtn" << 200;
        QTest::newRow("over 200") << "500"
                                  << "decTimeBtn" << 199;
    }

    void timeLimit()
    {
        QFETCH(QString, stored);
        QFETCH(QString, button);
        QFETCH(int, shown);
        openWith("TimeLimit", stored);
        child<QPushButton>(qPrintable(button))->click();
        QCOMPARE(box("InteractionTimeSpinBox")->value(), shown);
    }

    void interactionTabSaves()
    {
        child<QComboBox>("ModeComboBox")->setCurrentIndex(4);
        child<QComboBox>("FeedbackTypeComboBox")->setCurrentIndex(3);
        box("InteractionTimeSpinBox")->setValue(45);
        child<QCheckBox>("ShowUnAnswerCheckBox")->setChecked(true);
        child<QCheckBox>("AnonymousFeedbackCheckBox")->setChecked(true);
        box("HourSpinBox")->setValue(1); // another tab: not saved here
        save("InteractionSaveBtn", "配置保存成功");
        QCOMPARE(stored("AnswerMethod"), QString("4"));
        QCOMPARE(stored("FeedbackType"), QString("3"));
        QCOMPARE(stored("TimeLimit"), QString("45"));
        QCOMPARE(stored("DoNotShowUnAnswer"), QString("1"));
        QCOMPARE(stored("AnonymousFeedback"), QString("1"));
        QCOMPARE(stored("TestTime"), QString("900"));
        QCOMPARE(TAVMemInfo::getInstance()->configMap.value("TimeLimit"), QString("45"));
    }

    void quizTabSaves()
    {
        box("MinSpinBox")->setValue(20);
        box("SecSpinBox")->setValue(5);
        child<QComboBox>("TestModeComboBox")->setCurrentIndex(0);
        save("TestAssistantSaveBtn", "配置保存成功");
        QCOMPARE(stored("TestTime"), QString("1205"));
        QCOMPARE(stored("TestMode"), QString("0"));
        // Opened again, an unsaved edit is gone.
        box("MinSpinBox")->setValue(40);
        m_dlg->loadSettings();
        QCOMPARE(time(), QString("0:20:5"));
    }

    void soundTabKeepsFileNames()
    {
        auto* table = child<QTableWidget>("ParaSetTableWidget");
        QCOMPARE(table->item(1, 1)->text(), QCoreApplication::applicationDirPath() + "/sound/start.wav");
        child<QCheckBox>("CountdownCheckBox")->setChecked(false);
        save("ParaSetSaveBtn", "配置保存成功");
        QCOMPARE(stored("StartAnswerSound"), QString("start.wav"));
        QCOMPARE(stored("CountdownPlay"), QString("0"));
        QCOMPARE(stored("BindingfaiPlay"), QString("1"));
        QCOMPARE(stored("SelectFuncSound"), QString("select-function.wav"));
    }

    void failedSaveChangesNothing_data()
    {
        QTest::addColumn<bool>("commitRefused"); // else one key is refused
        QTest::newRow("a key refused") << false;
        QTest::newRow("commit refused") << true;
    }

    // In a deep installation folder the path is too long for its column: what is cut is the folder's start,
    // never the file name, and the path stays on its one line.
    void soundFileNameShowsWhole()
    {
        auto* table = child<QTableWidget>("ParaSetTableWidget");
        QTableWidgetItem* item = table->item(5, 1);
        const QString file = ZUSetUpSer::fileName(item->text());
        QCOMPARE(file, QString("5_SecondCountdowntime-3.wav"));
        item->setText("/home/teacher/Programs/Classroom response/TAV 4.2.0 for the second floor/sound/" + file);
        const QFontMetrics metrics(table->font());
        const int room = table->columnWidth(1) - 2 * table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin);
        QVERIFY(metrics.horizontalAdvance(item->text()) > room);
        const QString shown = metrics.elidedText(item->text(), table->textElideMode(), room);
        QVERIFY2(shown.endsWith(file), qPrintable(shown));
        // Wrapped at its slashes, the name would go to a second line, below the row.
        QVERIFY(!table->wordWrap());
    }

    // A save that fails leaves the stored settings and the settings map as they were, and says so.
    void failedSaveChangesNothing()
    {
        QFETCH(bool, commitRefused);
        child<QComboBox>("ModeComboBox")->setCurrentIndex(2);
        box("InteractionTimeSpinBox")->setValue(60);
        if (commitRefused) {
            ReadLock lock;
            QVERIFY(lock.isHeld());
            DialogAnswerer::answerNextAutoMsg(ZUTAVAutoMsg::Cancel); // the database's own notice
            save("InteractionSaveBtn", "配置保存失败，设置未改变");
            QVERIFY(DialogAnswerer::waitUntilAnswered(30000));
        } else {
            QVERIFY(runOutside("create trigger refuseLimit before update on TAV_Config "
                               "when new.keyName = 'TimeLimit' begin select raise(abort, 'locked'); end"));
            save("InteractionSaveBtn", "配置保存失败，设置未改变");
            QVERIFY(runOutside("drop trigger refuseLimit"));
        }
        QCOMPARE(stored("AnswerMethod"), QString("0"));
        QCOMPARE(stored("TimeLimit"), QString("30"));
        QCOMPARE(TAVMemInfo::getInstance()->configMap.value("AnswerMethod"), QString("0"));
        QCOMPARE(TAVMemInfo::getInstance()->configMap.value("TimeLimit"), QString("30"));
    }

    // Whatever a settings row holds, the values handed on stay within their limits (a combo index outside its
    // list would show an empty box).
    void loadKeepsValuesWithinLimits_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("loaded");
        QTest::newRow("time limit above 200") << "TimeLimit"
                                              << "5000" << 200;
        QTest::newRow("time limit below 1") << "TimeLimit"
                                            << "-7" << 1;
        QTest::newRow("time limit not a number") << "TimeLimit"
                                                 << "abc" << 1;
        QTest::newRow("answer method past the list") << "AnswerMethod"
                                                     << "6" << 0;
        QTest::newRow("feedback type negative") << "FeedbackType"
                                                << "-1" << 0;
        QTest::newRow("quiz mode past the list") << "TestMode"
                                                 << "2" << 0;
        QTest::newRow("quiz mode in the list") << "TestMode"
                                               << "1" << 1;
    }

    void loadKeepsValuesWithinLimits()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, loaded);
        const ZUSetUpSer::Values values = ZUSetUpSer::load({ { key, value } });
        const QMap<QString, int> read { { "TimeLimit", values.timeLimit },
                                        { "AnswerMethod", values.answerMethod },
                                        { "FeedbackType", values.feedbackType },
                                        { "TestMode", values.testMode } };
        QCOMPARE(read.value(key), loaded);
    }

    void listsShowEveryChoice_data()
    {
        QTest::addColumn<QString>("combo");
        QTest::addColumn<int>("current");
        QTest::newRow("answer mode, first chosen") << "ModeComboBox" << 0;
        QTest::newRow("answer mode, last chosen") << "ModeComboBox" << 5;
        QTest::newRow("feedback type") << "FeedbackTypeComboBox" << 3;
        QTest::newRow("quiz mode, all at once chosen") << "TestModeComboBox" << 1;
        QTest::newRow("quiz mode, one by one chosen") << "TestModeComboBox" << 0;
    }

    // An opened list shows all of its choices whole, whichever is chosen.
    void listsShowEveryChoice()
    {
        QFETCH(QString, combo);
        QFETCH(int, current);
        auto* box = child<QComboBox>(qPrintable(combo));
        m_dlg->findChild<QTabWidget*>("tabWidget")->setCurrentWidget(box->parentWidget());
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg, 20000));
        box->setCurrentIndex(current);
        box->showPopup();
        QAbstractItemView* list = box->view();
        QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), 20000);
        for (int i = 0; i < box->count(); ++i) {
            const QRect item = list->visualRect(box->model()->index(i, 0));
            QVERIFY2(list->viewport()->rect().contains(item),
                     qPrintable(QString("%1 at %2,%3 %4x%5 in %6 high")
                                    .arg(box->itemText(i))
                                    .arg(item.x())
                                    .arg(item.y())
                                    .arg(item.width())
                                    .arg(item.height())
                                    .arg(list->viewport()->height())));
        }
        box->hidePopup();
    }

    void missingSoundFileIsReported()
    {
        openWith("WarningPromptSound", "../TAVSqlite.db");
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        child<QPushButton>("WarningPlayBtn")->click();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("音乐文件不存在！"));
    }

    // The listen button plays through the program's one player, which keeps every sound from Qt's audio on a PC
    // without a sound output.
    void listenButtonPlaysThroughTheOnePlayer_data()
    {
        QTest::addColumn<bool>("output");
        QTest::newRow("sound output") << true;
        QTest::newRow("no sound output") << false;
    }

    void listenButtonPlaysThroughTheOnePlayer()
    {
        QFETCH(bool, output);
        QVERIFY(soundOn("BindingSuc", "Success.wav"));
        m_dlg->loadSettings();
        auto* play = child<QPushButton>("BindingSucPlayBtn");
        m_dlg->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(3);
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg, 20000));
        QTRY_VERIFY_WITH_TIMEOUT(play->isVisible(), 20000);
        HeardSounds sounds(output);
        clickAsTheWindowSystem(play);
        clickAsTheWindowSystem(play);
        QCOMPARE(sounds.files(), output ? QStringList({ "Success.wav", "Success.wav" }) : QStringList());
        QCOMPARE(HeardSounds::qtPlayers(), 0);
    }

    void receiverNumberFollowsTheDevice()
    {
        QCOMPARE(child<QLineEdit>("StationSnLineEdit")->text(), QString(kStation));
        fakeReceiver()->serial.clear();
        emit ZUHdManager::getInstance()->devChange(false);
        QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>("StationSnLineEdit")->text(), QString(), 20000);
    }
};

TAV_DB_TEST_MAIN(TestZUSetUpDlg)
#include "TestZUSetUpDlg.moc"
