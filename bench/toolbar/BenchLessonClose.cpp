// The lesson's close as a teacher meets it while another program (a child process in BEGIN EXCLUSIVE) holds the
// database file: the tool bar's longest stretch without an answer (the interface thread took no click and painted
// nothing), from the click through the question, the name box, the close and the seconds the file stays held, until
// the lesson has reached the web service once the file is free; for the exit, 注销 and a change of class, and for a
// lesson begun meanwhile (refused, with why). Each figure is the longest of its rounds.
//
//   build/bench-bin/BenchLessonClose [--rounds N] [--held-ms MS]   (default: 3 rounds, the file held 5000 ms more)

#include "BenchVerdict.h"
#include "InterfaceWatch.h"
#include "OtherProgram.h"
#include "OwnFolder.h"
#include "TAVDatabase.h"
#include "ToolbarTestSupport.h"
#include "WindowInput.h"
#include "ZUInputDlg.h"
#include "ZULoginDlg.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>

#include <cstdio>

using namespace ToolbarTestSupport;

namespace {

const qint64 kGoalMs = 250;
const int kWaitMs = 60000;

// Runs the event loop until done() holds; false after kWaitMs.
bool waitFor(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, kWaitMs);
}

int storedLessons()
{
    return DbTestSupport::committedValue("select count(*) from TAV_ClassRecord").toInt();
}

// A lesson begun on the bar while the file is free; false when it did not start.
bool beginLesson(ZUToolBarDlg* bar)
{
    bar->onShow();
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    bar->findChild<QAbstractButton*>("freeAct")->click();
    // The interaction's screen is a stand-in: the bar comes back as it does when the screen closes.
    bar->show();
    return dialogsAnswered() && TAVMemInfo::getInstance()->currentRecord.localRecordID > 0;
}

// One close by the trigger while another program holds the file heldMs beyond it; the longest gap in ms, -1 when
// the close or the upload did not come.
qint64 closeRound(ZUToolBarDlg* bar, TavWebService& service, const QString& trigger, int heldMs)
{
    if (!beginLesson(bar))
        return -1;
    const int uploads = service.uploadedDocuments().size();
    OtherProgram other(OtherProgram::Write);
    if (!other.isHeld())
        return -1;
    InterfaceWatch watch({}, [] { return false; });
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    DialogAnswerer::answerNextInput(QStringLiteral("测量课"), ZUInputDlg::Yes);
    if (trigger == QLatin1String("class"))
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes); // the new class cannot be read meanwhile
    auto* classBox = bar->findChild<QComboBox*>(QStringLiteral("ClassListComboBox"));
    const bool asked = trigger == QLatin1String("class")
        ? WindowInput::pressKey(classBox, classBox->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up)
        : WindowInput::click(bar->findChild<QAbstractButton*>(trigger));
    if (!asked || !dialogsAnswered()
        || !waitFor([] { return TAVMemInfo::getInstance()->currentRecord.localRecordID == -1; }))
        return -1;
    QElapsedTimer held;
    held.start();
    if (!waitFor([&] { return held.elapsed() >= heldMs; }))
        return -1;
    other.release();
    if (!waitFor([&] { return storedLessons() == 0 && service.uploadedDocuments().size() == uploads + 1; }))
        return -1;
    ZULoginDlg::getInstance()->hide();
    return watch.longestGapMs();
}

// A lesson begun while another program holds the file: refused with why; the longest gap in ms, -1 when it was not.
qint64 refusedStartRound(ZUToolBarDlg* bar)
{
    bar->onShow();
    OtherProgram other(OtherProgram::Write);
    if (!other.isHeld())
        return -1;
    InterfaceWatch watch({}, [] { return false; });
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    if (!WindowInput::click(bar->findChild<QAbstractButton*>(QStringLiteral("freeAct"))) || !dialogsAnswered()
        || !DialogAnswerer::lastText().startsWith(QStringLiteral("课堂记录创建失败：数据库文件正被其他程序使用")))
        return -1;
    return watch.longestGapMs();
}

} // namespace

int main(int argc, char** argv)
{
    const int copy = BenchOwnFolder::run(argv);
    if (copy != -1)
        return copy;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (OtherProgram::isChild(argc, argv))
        return OtherProgram::holdInChild(argc, argv);
    int rounds = 3;
    int heldMs = 5000;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--rounds"))
            rounds = qMax(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--held-ms"))
            heldMs = qMax(0, args.at(i + 1).toInt());
    }
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    TavWebService service;
    TAVDatabase* database = TAVDatabase::getInstance();
    if (!startDemoService(service) || !database->createDb() || !database->openLocalDb() || !database->waitForFileCheck()
        || !useServer(service.port())) {
        std::fprintf(stderr, "cannot set up the program folder, its database or the web service\n");
        return 1;
    }
    resetTeacherState();
    if (!loginDemoTeacher()) {
        std::fprintf(stderr, "the demo teacher cannot log in\n");
        return 1;
    }
    ZUToolBarDlg* bar = ZUToolBarDlg::getInstance();
    bar->setQuitHandler([](int) {});
    bar->setScreenOpener(ZUToolBarDlg::Screen::FreeInteraction, [](const QString&) {});
    bar->setScreenOpener(ZUToolBarDlg::Screen::Binding, [](const QString&) {});

    std::printf("lesson close while another program holds the database file %d ms beyond it, %d rounds each\n", heldMs,
                rounds);
    BenchVerdict verdict;
    const QList<QPair<QString, QString>> triggers = { { QStringLiteral("exitBtn"), QStringLiteral("exit") },
                                                      { QStringLiteral("logoutBtn"), QStringLiteral("注销") },
                                                      { QStringLiteral("class"), QStringLiteral("class change") } };
    for (const auto& trigger : triggers) {
        qint64 longest = 0;
        for (int r = 0; r < rounds && longest >= 0; ++r) {
            const qint64 gap = closeRound(bar, service, trigger.first, heldMs);
            longest = gap < 0 ? -1 : qMax(longest, gap);
        }
        if (longest < 0)
            verdict.holds("close by " + trigger.second, false, QStringLiteral("the lesson did not close and go up"));
        else
            verdict.atMost("longest interface gap, close by " + trigger.second, double(longest), "ms", kGoalMs, 0);
    }
    qint64 longest = 0;
    for (int r = 0; r < rounds && longest >= 0; ++r) {
        const qint64 gap = refusedStartRound(bar);
        longest = gap < 0 ? -1 : qMax(longest, gap);
    }
    if (longest < 0)
        verdict.holds(QStringLiteral("lesson start"), false, QStringLiteral("the start was not refused with why"));
    else
        verdict.atMost(QStringLiteral("longest interface gap, lesson start refused"), double(longest), "ms", kGoalMs,
                       0);
    return verdict.finish();
}
