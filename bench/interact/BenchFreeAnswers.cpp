// A single-choice interaction of a class of N, every keypad pressing at once through the simulated receiver,
// with the answering panel, the answered lists, the graph and the list windows open. Reports the interface
// thread's time per answer and the time from the presses to the last name shown, against the keypad road's
// own bound (one answer per delivery pass).
//   bench-free-answers [N ...]   (default: 60 and 600; runs offscreen unless a platform is set)

#include "BenchSupport.h"
#include "Rf21xSimulator.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TimedApplication.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActBar_left.h"
#include "ZUFreeActBar_right.h"
#include "ZUFreeStuList.h"
#include "ZUHdManager.h"
#include "ZURF228ReceiverThread.h"
#include "ZURf228Api.h"
#include "ZUTAVAnswerGraph.h"
#include "ZUTAVAnswerList.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {

const double kPassMs = 10.0;
QTextStream out(stdout);

void useClass(int n)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->studentMap.clear();
    mem->studentList.clear();
    mem->snMap.clear();
    for (int i = 1; i <= n; ++i) {
        StudentInfoRow s;
        s.dovaneID = QString("D%1").arg(i, 4, 10, QLatin1Char('0'));
        s.name = QString("学生%1").arg(i);
        s.sn = QString::number(i);
        mem->snMap.insert(s.sn, s.dovaneID);
        mem->studentMap.insert(s.dovaneID, s);
        mem->studentList.append(s);
    }
}

void runBurst(TimedApplication& app, int n, int pauseMs)
{
    useClass(n);
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    bar->onCenterButton(false);
    ZUFreeActBar_right::getInstance()->simpleSelA_clicked();
    ZUFreeStuList::getInstance()->show();
    ZUTAVAnswerGraph::getInstance()->show();
    ZUTAVAnswerList::getInstance()->show();
    app.processEvents();

    QVector<double> perAnswer;
    perAnswer.reserve(n);
    qint64 lastShown = -1;
    QElapsedTimer clock;
    QEventLoop loop;
    QObject counter; // connected after the screens, so it runs last for each answer
    QObject::connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, &counter, [&](StudentInfo) {
        perAnswer.append(app.callNs / 1e6);
        app.callNs = 0;
        if (ZUFreeStuList::getInstance()->answeredCount() == n && lastShown < 0) {
            lastShown = clock.nsecsElapsed();
            loop.quit();
        }
    });
    QTimer::singleShot(int(n * kPassMs * 3) + 5000, &loop, &QEventLoop::quit);

    app.callNs = 0;
    app.timing = true;
    clock.start();
    for (int i = 1; i <= n; ++i)
        Rf21xSimulator::instance()->pushKey(i, QByteArray(1, "ABCD"[i % 4]));
    const qint64 lastPress = clock.nsecsElapsed();
    loop.exec();
    app.timing = false;
    ZUFreeActBar_left::getInstance()->stopRound();
    const QString counted = ZUFreeActBar_left::getInstance()->answeredCountText();
    bar->onCenterButton(false);
    bar->onCenterButton(false);
    if (lastShown < 0 || perAnswer.isEmpty()) {
        out << "N=" << n << ": only " << perAnswer.size() << " answers arrived\n";
        return;
    }
    const double bound = (n - 1) * qMax(double(pauseMs), kPassMs);
    const double shownMs = (lastShown - lastPress) / 1e6;
    out << QString("N=%1  counted %2  interface per answer: median %3 ms, p99 %4 ms, max %5 ms  |  last press to "
                   "last name %6 ms, keypad road bound %7 ms, ratio %8\n")
               .arg(n)
               .arg(counted)
               .arg(BenchSupport::percentile(perAnswer, 0.5), 0, 'f', 3)
               .arg(BenchSupport::percentile(perAnswer, 0.99), 0, 'f', 3)
               .arg(*std::max_element(perAnswer.begin(), perAnswer.end()), 0, 'f', 3)
               .arg(shownMs, 0, 'f', 1)
               .arg(bound, 0, 'f', 1)
               .arg(shownMs / bound, 0, 'f', 3);
    out.flush();
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("TAV_RF21X_SOCKET", dir.filePath("rf21x.sock").toUtf8());

    // A database of its own beside the benchmark.
    QFile::remove(TAVDatabase::databasePath());
    if (!TAVDatabase::getInstance()->createDb() || !TAVDatabase::getInstance()->openLocalDb()) {
        out << "the database did not open\n";
        return 1;
    }
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->currentRecord.localRecordID = 1;
    mem->configMap = { { "TimeLimit", "600" }, { "DoNotShowUnAnswer", "0" } };

    ZURf228Api* api = ZURf228Api::getInstance();
    api->initDevice();
    if (!api->isConnected()) {
        out << "the simulated receiver did not open\n";
        return 1;
    }
    const int pauseMs = ZURF228ReceiverThread::getInstance()->pauseMs();
    out << "intake pause " << pauseMs << " ms, delivery pass " << kPassMs << " ms, load " << BenchSupport::loadAverage()
        << "\n";

    ZUFreeActBar::getInstance()->showFreeBar();
    QList<int> sizes;
    for (const QString& arg : app.arguments().mid(1))
        sizes << arg.toInt();
    if (sizes.isEmpty())
        sizes = { 60, 600 };
    for (int n : qAsConst(sizes)) {
        if (n > 0)
            runBurst(app, n, pauseMs);
    }
    QFile::remove(TAVDatabase::databasePath());
    return 0;
}
