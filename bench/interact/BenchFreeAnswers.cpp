// A single-choice interaction of a class of N on a classroom screen, as a teacher runs it: the answering panel
// with the answered and unanswered lists slid in, every keypad pressing once through the simulated receiver,
// which hands the answers on at its real pace (one a delivery pass of 10 ms). Reports per answer the interface
// thread's CPU time with everything counted, from the first answer until the screen has settled after the last
// one (its names drawn, the running animation at its steady pace), and beside it
// the queued calls (median, p99), painting, timers and layout; then the time from the last press to the last
// name drawn against the keypad road's own bound.
//   bench/on-xvfb.sh build/bench-bin/bench-free-answers [--rounds R] [N ...]   (default: 3 rounds of 60, 200, 600)
//   bench/on-xvfb.sh build/bench-bin/bench-free-answers --screenshot FILE [N]   (the screen halfway through a burst
//                                                                                of N, default 60; no figures)

#include "BenchSupport.h"
#include "InterfaceClock.h"
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

#include <QAbstractItemView>
#include <QFile>
#include <QMap>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

const double kPassMs = 10.0;
const double kGoalMs = 1.0;
const int kSettleMs = 100;
const QList<int> kGoalSizes = { 60, 200 };
QTextStream out(stdout);
QString screenshot; // saved halfway through the next burst, when named

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

// Notes when the name lists were last painted.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(const InterfaceClock::Clock& clock)
        : m_clock(clock)
    {
        for (QAbstractItemView* table :
             { ZUFreeStuList::getInstance()->answeredTable(), ZUFreeStuList::getInstance()->unansweredTable() })
            table->viewport()->installEventFilter(this);
    }
    ~PaintWatch() override
    {
        for (QAbstractItemView* table :
             { ZUFreeStuList::getInstance()->answeredTable(), ZUFreeStuList::getInstance()->unansweredTable() })
            table->viewport()->removeEventFilter(this);
    }
    qint64 lastPaintNs = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            lastPaintNs = m_clock.wallNs();
        return QObject::eventFilter(watched, e);
    }

private:
    const InterfaceClock::Clock& m_clock;
};

struct Round
{
    bool complete = false;
    double cpuMs = 0; // everything counted, per answer
    double callMedianMs = 0;
    double callP99Ms = 0;
    double paintMs = 0;
    double timerMs = 0;
    double layoutMs = 0;
    double repaints = 0; // windows repainted per answer
    double shownMs = 0; // last press to the last name drawn
};

Round runBurst(TimedApplication& app, int n)
{
    Round round;
    useClass(n);
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    bar->onCenterButton(false);
    ZUFreeActBar_right::getInstance()->simpleSelA_clicked();
    // The teacher slides the lists in; answers start once the start animation has given way to the running one.
    ZUFreeActBar_left::getInstance()->on_stujionBtn_clicked();
    InterfaceClock::runFor(1500);

    QVector<double> perCall;
    perCall.reserve(n);
    int arrived = 0;
    InterfaceClock::Clock clock;
    PaintWatch paints(clock);
    QObject counter; // connected after the screens, so it runs last for each answer
    QObject::connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, &counter, [&](StudentInfo) {
        perCall.append(app.callNs / 1e6);
        app.callNs = 0;
        if (++arrived == n / 2 && !screenshot.isEmpty()) {
            InterfaceClock::runFor(50);
            out << (InterfaceClock::saveScreen(screenshot) ? "saved " : "could not save ") << screenshot << "\n";
            screenshot.clear();
        }
    });
    for (int i = 1; i <= n; ++i)
        Rf21xSimulator::instance()->pushKey(i, QByteArray(1, "ABCD"[i % 4]));
    app.resetCounts();
    app.timing = true;
    clock.start();
    const bool all = InterfaceClock::waitFor([&] { return arrived == n; }, int(n * kPassMs * 3) + 5000);
    const qint64 lastArrival = clock.wallNs();
    // The last answer's repaint is due within a few ms; what runs meanwhile is the screen's steady state.
    InterfaceClock::runFor(kSettleMs);
    const qint64 cpuNs = clock.cpuNs();
    app.timing = false;

    ZUFreeActBar_left::getInstance()->stopRound();
    const bool counted = ZUFreeActBar_left::getInstance()->answeredCountText() == QString::number(n)
        && ZUFreeStuList::getInstance()->answeredCount() == n;
    bar->onCenterButton(false);
    bar->onCenterButton(false);
    if (!all || !counted) {
        out << "N=" << n << ": " << arrived << " answers arrived, " << (counted ? "" : "not ") << "all counted\n";
        return round;
    }
    round.complete = true;
    round.cpuMs = cpuNs / 1e6 / n;
    round.callMedianMs = BenchSupport::percentile(perCall, 0.5);
    round.callP99Ms = BenchSupport::percentile(perCall, 0.99);
    round.paintMs = app.paintNs / 1e6 / n;
    round.timerMs = app.timerNs / 1e6 / n;
    round.layoutMs = app.layoutNs / 1e6 / n;
    round.repaints = double(app.repaints) / n;
    // The presses all go in at the start: the last one leaves the receiver n - 1 passes later at best. The lists
    // scroll, so the last name may fall outside them: then the last one painted counts.
    round.shownMs = qMax(paints.lastPaintNs, lastArrival) / 1e6;
    return round;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!InterfaceClock::hasDisplay()) {
        out << "No display: run it as bench/on-xvfb.sh " << argv[0] << "\n";
        return 2;
    }
    TimedApplication app(argc, argv);
    if (!InterfaceClock::readyToMeasure(out))
        return 2;
    QStringList args = app.arguments().mid(1);
    int rounds = 3;
    if (args.value(0) == QLatin1String("--rounds")) {
        rounds = qMax(1, args.value(1).toInt());
        args = args.mid(2);
    } else if (args.value(0) == QLatin1String("--screenshot")) {
        screenshot = args.value(1);
        rounds = 1;
        args = args.mid(2, 1);
    }
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
    out << "answering panel with its lists, screen " << QGuiApplication::primaryScreen()->size().width() << " x "
        << QGuiApplication::primaryScreen()->size().height() << ", intake pause " << pauseMs << " ms, delivery pass "
        << kPassMs << " ms, " << rounds << " rounds (medians), load " << BenchSupport::loadAverage() << "\n";
    out.flush();

    ZUFreeActBar::getInstance()->showFreeBar();
    QList<int> sizes;
    for (const QString& arg : qAsConst(args))
        sizes << arg.toInt();
    if (sizes.isEmpty())
        sizes = { 60, 200, 600 };
    if (!screenshot.isEmpty()) {
        const Round round = runBurst(app, sizes.first());
        QFile::remove(TAVDatabase::databasePath());
        return round.complete ? 0 : 1;
    }
    QMap<int, double> cpuBySize;
    for (int n : qAsConst(sizes)) {
        if (n <= 0)
            continue;
        QVector<Round> done;
        for (int r = 0; r < rounds; ++r) {
            const Round round = runBurst(app, n);
            if (!round.complete)
                return 1;
            done << round;
        }
        const double cpu = BenchSupport::medianOf(done, &Round::cpuMs);
        const double shown = BenchSupport::medianOf(done, &Round::shownMs);
        const double bound = (n - 1) * qMax(double(pauseMs), kPassMs);
        cpuBySize.insert(n, cpu);
        out << QString("N=%1  interface CPU per answer, everything counted: %2 ms\n"
                       "       queued calls median %3 ms, p99 %4 ms; per answer painting %5 ms, timers %6 ms, "
                       "layout %7 ms; %11 window repaints\n"
                       "       last press to the lists last painted %8 ms, keypad road bound %9 ms, ratio %10\n")
                   .arg(n)
                   .arg(cpu, 0, 'f', 3)
                   .arg(BenchSupport::medianOf(done, &Round::callMedianMs), 0, 'f', 3)
                   .arg(BenchSupport::medianOf(done, &Round::callP99Ms), 0, 'f', 3)
                   .arg(BenchSupport::medianOf(done, &Round::paintMs), 0, 'f', 3)
                   .arg(BenchSupport::medianOf(done, &Round::timerMs), 0, 'f', 3)
                   .arg(BenchSupport::medianOf(done, &Round::layoutMs), 0, 'f', 3)
                   .arg(shown, 0, 'f', 1)
                   .arg(bound, 0, 'f', 1)
                   .arg(shown / bound, 0, 'f', 3)
                   .arg(BenchSupport::medianOf(done, &Round::repaints), 0, 'f', 2);
        out.flush();
    }
    for (int n : kGoalSizes) {
        if (cpuBySize.contains(n))
            out << QString("goal: below %1 ms per answer for %2 students: %3 ms, %4\n")
                       .arg(kGoalMs, 0, 'f', 1)
                       .arg(n)
                       .arg(cpuBySize.value(n), 0, 'f', 3)
                       .arg(cpuBySize.value(n) < kGoalMs ? "met" : "missed");
    }
    out << "load " << BenchSupport::loadAverage() << "\n";
    QFile::remove(TAVDatabase::databasePath());
    return 0;
}
