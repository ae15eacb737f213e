// The teacher's click on "试卷分析" as the program meets it: the real run screen (the all-at-once quiz's, finished,
// and the question-by-question quiz's, not started) of a class of 60 on a paper of 50 answer items, full screen at
// 1920 x 1080 with the program's style sheet, fonts, translator and log; the program's result windows installed as
// the program installs them; the click pressed and released through the window system's input queue. Timed from
// the click to the last frame of the paper analysis on screen (a round trip to the X server after its last paint,
// once nothing more comes), with the interface thread's CPU time until then: the first open in a fresh process
// (nothing of the result windows built yet), again after the teacher closed it with its close button, and then the
// ranking's first open, which bears whatever the analysis left for it to build.
// The wall time moves with the machine's load: in every round a fixed reference scene (a full-screen styled table
// window of Qt's own, shown as the second window of a fresh process and timed the same way) runs in turns with the
// clicks, and the verdict is on the median figure scaled by how much slower the reference ran than on a quiet
// machine; the raw figures, their ranges and the interface thread's CPU time stand beside it.
//   bench/on-xvfb.sh build/bench-bin/BenchPaperAnalysisClick [--rounds N] [--against OTHER]   (default 10 rounds)
//     --against: the same benchmark of another build (say the one before a change), clicked in turns with this one
//   bench/on-xvfb.sh build/bench-bin/BenchPaperAnalysisClick --screenshot FILE team|step
//     the screen once the analysis settled (FILE), the ranking opened after it (FILE with "-ranking") and the
//     analysis opened again (FILE with "-again"); no figures

#include "BenchSupport.h"
#include "BenchVerdict.h"
#include "ExamResultViews.h"
#include "FrameClock.h"
#include "InterfaceClock.h"
#include "LogHandler.h"
#include "OwnFolder.h"
#include "Rf21xSimulator.h"
#include "StatsTestSupport.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "WindowInput.h"
#include "ZUExamMem.h"
#include "ZURf228Api.h"
#include "ZUStepExamDlg.h"
#include "ZUStepExamSer.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTeamExamDlg.h"
#include "ZUTeamExamSer.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTranslator>

namespace {

const int kStudents = 60;
const int kItems = 50;
const int kAgainRounds = 3;
const double kFirstGoalMs = 150;
const double kAgainGoalMs = 100;
// The reference scene's time to its last frame on a quiet machine. Not measured on one (the build machine ran
// several other builds at once): in runs in turns there, the reference took 67 ms for every 160 ms of the first
// open of the code before the analysis stopped building the ranking, which is what that code took in the program
// on a quiet machine.
const double kReferenceQuietMs = 67.0;
const char* const kAnalysis = "ZUPaperAnalyDlg";
const char* const kRanking = "ZUStuRankingDlg";
QTextStream out(stdout);

// What the program sets up before any window: fonts, translator, style sheet, pictures, log.
bool actLikeTheProgram(QTranslator& qtTexts)
{
    if (qtTexts.load(QStringLiteral("qt_zh_CN"), QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        qApp->installTranslator(&qtTexts);
    QFont::insertSubstitution(QStringLiteral("微软雅黑"), QStringLiteral("Noto Sans CJK SC"));
    if (!InterfaceClock::useTheProgramsLook())
        return false;
    QDir().mkpath(QCoreApplication::applicationDirPath() + "/ErrorLog");
    installLogHandler();
    return true;
}

bool openDatabase()
{
    QFile::remove(TAVDatabase::databasePath());
    return TAVDatabase::getInstance()->createDb() && TAVDatabase::getInstance()->openLocalDb();
}

// The class on the simulated receiver, and the paper with the class's answers in the quiz service.
bool prepareQuiz(ZUBaseExamSer& ser)
{
    StatsTestSupport::useClass(kStudents);
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->currentRecord.localRecordID = 1;
    mem->currentRecord.subjectID = 1;
    mem->currentClass.classID = 101;
    mem->currentClass.className = QStringLiteral("初二(1)班");
    mem->currentSubjectName = QStringLiteral("数学");
    for (const StudentInfoRow& s : qAsConst(mem->studentList))
        mem->snMap.insert(s.sn, s.dovaneID);
    if (!StatsTestSupport::loadLongPaper(ser, kItems))
        return false;
    ZUExamMem* exam = ZUExamMem::getInstance();
    exam->m_examDuration = 1800;
    exam->m_questionNum = ser.m_questionCount;
    exam->m_allScores = 100 * kItems;
    exam->m_paperName = QStringLiteral("课堂五十题");
    return true;
}

// The all-at-once screen after its quiz: started, answered, stopped, the notice of the end gone.
ZUExamScreenBase* teamScreen()
{
    ZURf228Api* api = ZURf228Api::getInstance();
    api->initDevice();
    if (!api->isConnected())
        return nullptr;
    TAVMemInfo::getInstance()->currentClass.stationSn = api->serialNumber();
    ZUTeamExamSer* ser = ZUTeamExamSer::getInstance();
    if (!prepareQuiz(*ser))
        return nullptr;
    ser->resetExamTime();
    ZUTeamExamDlg* screen = ZUTeamExamDlg::getInstance();
    screen->showExam();
    screen->on_StartExamBtn_clicked();
    if (screen->state() != 1)
        return nullptr;
    StatsTestSupport::answerLikeAClass(*ser);
    screen->on_StopExamBtn_clicked();
    if (!InterfaceClock::waitFor([] { return !ZUTAVAutoMsg::getInstance()->isVisible(); }, 5000))
        return nullptr;
    return screen->state() == 3 ? screen : nullptr;
}

// The question-by-question screen with its paper, before its first question.
ZUExamScreenBase* stepScreen()
{
    ZUStepExamSer* ser = ZUStepExamSer::getInstance();
    if (!prepareQuiz(*ser))
        return nullptr;
    StatsTestSupport::answerLikeAClass(*ser);
    QString error;
    if (ser->checkExamSettings(error) != 0)
        return nullptr;
    ZUStepExamDlg* screen = ZUStepExamDlg::getInstance();
    screen->showExam();
    return screen;
}

QWidget* analysisWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(kAnalysis))
            return w;
    }
    return nullptr;
}

// The screen up and painted, nothing else moving.
bool settleScreen(ZUExamScreenBase* screen)
{
    FrameClock frames(screen->objectName());
    frames.start();
    screen->update();
    return frames.settle(500);
}

// The teacher clicks a button of a window and the analysis comes up; false when it did not.
bool clickToAnalysis(QWidget* button, FrameClock& frames)
{
    frames.start();
    if (!WindowInput::click(button) || !frames.settle())
        return false;
    QWidget* analysis = analysisWindow();
    const auto* table = analysis ? analysis->findChild<QTableWidget*>("anyTabelWidget") : nullptr;
    return table && analysis->isVisible() && table->rowCount() == kItems;
}

bool closeWindow(QWidget* window, ZUExamScreenBase* screen)
{
    auto* close = window->findChild<QPushButton*>("closeButton");
    if (!WindowInput::click(close))
        return false;
    return InterfaceClock::waitFor([window] { return window->isHidden(); }, 5000) && settleScreen(screen);
}

ZUExamScreenBase* screenNamed(const QString& name)
{
    return name == QLatin1String("team") ? teamScreen() : name == QLatin1String("step") ? stepScreen() : nullptr;
}

// A fresh process: the click's first open, then kAgainRounds more after closing; "first WALL CPU" and
// "again WALL CPU" lines.
int runClicks(const QString& screenName)
{
    ZUExamScreenBase* screen = screenNamed(screenName);
    if (!screen || !settleScreen(screen)) {
        out << "the " << screenName << " run screen did not come up\n";
        return 1;
    }
    auto* button = screen->findChild<QPushButton*>("TestAnalyBtn");
    FrameClock frames(kAnalysis);
    for (int round = 0; round <= kAgainRounds; ++round) {
        if (!clickToAnalysis(button, frames)) {
            out << "the paper analysis did not come up whole\n";
            return 1;
        }
        out << (round == 0 ? "first " : "again ") << frames.wallMs() << " " << frames.cpuMs() << "\n";
        if (!closeWindow(analysisWindow(), screen))
            return 1;
    }
    // The other report, opened after the analysis as a teacher goes on: what it builds on its own first open.
    FrameClock rankingFrames(kRanking);
    rankingFrames.start();
    if (!WindowInput::click(screen->findChild<QPushButton*>("StuInteractBtn")) || !rankingFrames.settle())
        return 1;
    out << "ranking " << rankingFrames.wallMs() << " " << rankingFrames.cpuMs() << "\n";
    return 0;
}

QString withSuffix(const QString& file, const QString& suffix)
{
    const QFileInfo info(file);
    return info.path() + "/" + info.completeBaseName() + suffix + "." + info.suffix();
}

int saveScreens(const QString& file, const QString& screenName)
{
    ZUExamScreenBase* screen = screenNamed(screenName);
    if (!screen || !settleScreen(screen))
        return 1;
    auto* analysisButton = screen->findChild<QPushButton*>("TestAnalyBtn");
    FrameClock frames(kAnalysis);
    if (!clickToAnalysis(analysisButton, frames) || !InterfaceClock::saveScreen(file)
        || !closeWindow(analysisWindow(), screen))
        return 1;
    FrameClock rankingFrames(kRanking);
    rankingFrames.start();
    if (!WindowInput::click(screen->findChild<QPushButton*>("StuInteractBtn")) || !rankingFrames.settle()
        || !InterfaceClock::saveScreen(withSuffix(file, "-ranking")))
        return 1;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(kRanking) && !closeWindow(w, screen))
            return 1;
    }
    if (!clickToAnalysis(analysisButton, frames) || !InterfaceClock::saveScreen(withSuffix(file, "-again")))
        return 1;
    out << "saved " << file << ", " << withSuffix(file, "-ranking") << ", " << withSuffix(file, "-again") << "\n";
    return 0;
}

// A full-screen window of Qt's own widgets only: a styled table of 50 rows of text.
QWidget* referenceScene(const char* name)
{
    auto* window = new QWidget(nullptr, Qt::FramelessWindowHint);
    window->setObjectName(name);
    auto* table = new QTableWidget(kItems, 6, window);
    table->setStyleSheet("QTableWidget{font: 16px; color: #555555; background-color: #ffffff; border: none;}"
                         "QHeaderView::section{font: 16px; background-color: #e2e9ed; color: #999999; height: 50px;}");
    for (int r = 0; r < kItems; ++r) {
        table->setRowHeight(r, 60);
        for (int c = 0; c < 6; ++c)
            table->setItem(r, c, new QTableWidgetItem(QStringLiteral("第%1题 %2").arg(r + 1).arg(c)));
    }
    window->setGeometry(QGuiApplication::primaryScreen()->geometry());
    table->setGeometry(window->rect().adjusted(20, 53, -20, 0));
    return window;
}

// The reference, in a fresh process as the click: once a first window is up (the process warm as the program's
// is when the teacher clicks), a second one is shown and timed to its last frame as the analysis is;
// "reference WALL CPU".
int runReference()
{
    FrameClock warm("referenceWarmUp");
    warm.start();
    referenceScene("referenceWarmUp")->show();
    if (!warm.settle())
        return 1;
    QWidget* window = referenceScene("referenceScene");
    FrameClock frames("referenceScene");
    frames.start();
    window->show();
    if (!frames.settle())
        return 1;
    out << "reference " << frames.wallMs() << " " << frames.cpuMs() << "\n";
    return 0;
}

struct Figures
{
    QVector<double> firstWall, firstCpu, againWall, againCpu, rankingWall, rankingCpu;
};

// Runs a child benchmark and adds its lines to the figures; false when it failed.
bool runChild(const QString& program, const QStringList& args, bool ownFolder, Figures& figures,
              QVector<double>* reference = nullptr)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!ownFolder) {
        // Another build's benchmark makes a program folder of its own.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QString::fromLatin1(BenchOwnFolder::flag()));
        child.setProcessEnvironment(env);
    }
    child.start(program, args);
    if (!child.waitForFinished(120000) || child.exitCode() != 0) {
        out << program << " " << args.join(' ') << " failed: " << child.readAllStandardOutput() << "\n";
        return false;
    }
    for (const QString& line : QString::fromUtf8(child.readAllStandardOutput()).split('\n')) {
        const QStringList f = line.split(' ');
        if (f.size() != 3)
            continue;
        if (f[0] == "first") {
            figures.firstWall << f[1].toDouble();
            figures.firstCpu << f[2].toDouble();
        } else if (f[0] == "again") {
            figures.againWall << f[1].toDouble();
            figures.againCpu << f[2].toDouble();
        } else if (f[0] == "ranking") {
            figures.rankingWall << f[1].toDouble();
            figures.rankingCpu << f[2].toDouble();
        } else if (f[0] == "reference" && reference) {
            *reference << f[1].toDouble();
        }
    }
    return true;
}

QString range(const QVector<double>& values)
{
    if (values.isEmpty())
        return QStringLiteral("-");
    const auto [least, most] = std::minmax_element(values.begin(), values.end());
    return QStringLiteral("%1-%2").arg(*least, 0, 'f', 1).arg(*most, 0, 'f', 1);
}

} // namespace

int main(int argc, char* argv[])
{
    if (!InterfaceClock::hasDisplay(out, argv[0]))
        return 2;
    if (const int code = BenchOwnFolder::run(argv); code >= 0)
        return code;
    QApplication app(argc, argv);
    if (!InterfaceClock::onClassroomScreen(out))
        return 2;
    QTranslator qtTexts;
    if (!actLikeTheProgram(qtTexts)) {
        out << "the program's style sheet is missing beside the benchmark\n";
        return 2;
    }
    const QStringList args = app.arguments();
    if (args.value(1) == "--reference")
        return runReference();
    ExamResultViews views;
    ZUExamResultViews::install(&views);
    QTemporaryDir sockets;
    qputenv("TAV_RF21X_SOCKET", sockets.filePath("rf21x.sock").toUtf8());
    if (!openDatabase()) {
        out << "the database did not open\n";
        return 1;
    }
    if (args.value(1) == "--click")
        return runClicks(args.value(2));
    if (args.value(1) == "--screenshot")
        return saveScreens(args.value(2), args.value(3, "team"));

    const int rounds = qMax(1, args.value(args.indexOf("--rounds") + 1, "10").toInt());
    const QString against = args.indexOf("--against") > 0 ? args.value(args.indexOf("--against") + 1) : QString();
    const QString self = QCoreApplication::applicationFilePath();
    out << "the paper analysis clicked on the run screens, a class of " << kStudents << ", a paper of " << kItems
        << " items, screen 1920 x 1080; " << rounds << " rounds, each a fresh process per screen"
        << (against.isEmpty() ? QString() : ", in turns with " + against) << "\n"
        << "load average before: " << BenchSupport::loadAverage() << "\n";
    out.flush();
    QVector<double> reference;
    QMap<QString, Figures> mine, theirs;
    for (int round = 0; round < rounds; ++round) {
        Figures unused;
        if (!runChild(self, { "--reference" }, true, unused, &reference))
            return 1;
        for (const QString& screen : { QStringLiteral("team"), QStringLiteral("step") }) {
            if (!runChild(self, { "--click", screen }, true, mine[screen]))
                return 1;
            if (!against.isEmpty() && !runChild(against, { "--click", screen }, false, theirs[screen]))
                return 1;
        }
    }
    const double referenceMs = BenchSupport::median(reference);
    const double slowdown = referenceMs / kReferenceQuietMs;
    out << QString("reference scene, in turns: median %1 ms (%2) against %3 ms on a quiet machine: x%4\n")
               .arg(referenceMs, 0, 'f', 1)
               .arg(range(reference))
               .arg(kReferenceQuietMs, 0, 'f', 1)
               .arg(slowdown, 0, 'f', 2);
    for (const QString& screen : { QStringLiteral("team"), QStringLiteral("step") }) {
        for (const auto& [who, figures] : { qMakePair(QStringLiteral("this build"), mine.value(screen)),
                                            qMakePair(QStringLiteral("--against"), theirs.value(screen)) }) {
            if (figures.firstWall.isEmpty())
                continue;
            out << QString("%1 screen, %2: click to last frame, first %3 ms (%4), interface CPU %5 ms; again %6 ms "
                           "(%7), interface CPU %8 ms; the ranking's first open after it %9 ms (%10), interface CPU "
                           "%11 ms\n")
                       .arg(screen, who)
                       .arg(BenchSupport::median(figures.firstWall), 0, 'f', 1)
                       .arg(range(figures.firstWall))
                       .arg(BenchSupport::median(figures.firstCpu), 0, 'f', 1)
                       .arg(BenchSupport::median(figures.againWall), 0, 'f', 1)
                       .arg(range(figures.againWall))
                       .arg(BenchSupport::median(figures.againCpu), 0, 'f', 1)
                       .arg(BenchSupport::median(figures.rankingWall), 0, 'f', 1)
                       .arg(range(figures.rankingWall))
                       .arg(BenchSupport::median(figures.rankingCpu), 0, 'f', 1);
        }
    }
    for (const QString& screen : { QStringLiteral("team"), QStringLiteral("step") }) {
        if (theirs.value(screen).firstWall.isEmpty())
            continue;
        out << QString("%1 screen, this build's first open against --against's, in turns: wall x%2, interface CPU "
                       "x%3\n")
                   .arg(screen)
                   .arg(BenchSupport::median(mine.value(screen).firstWall)
                            / BenchSupport::median(theirs.value(screen).firstWall),
                        0, 'f', 2)
                   .arg(BenchSupport::median(mine.value(screen).firstCpu)
                            / BenchSupport::median(theirs.value(screen).firstCpu),
                        0, 'f', 2);
    }
    out << "load average after: " << BenchSupport::loadAverage() << "\n";
    out.flush();
    BenchVerdict verdict;
    for (const QString& screen : { QStringLiteral("team"), QStringLiteral("step") }) {
        const Figures& f = mine.value(screen);
        verdict.atMost(screen + " first open, click to last frame, scaled to a quiet machine",
                       BenchSupport::median(f.firstWall) / slowdown, "ms", kFirstGoalMs, 1);
        verdict.atMost(screen + " open again, click to last frame, scaled to a quiet machine",
                       BenchSupport::median(f.againWall) / slowdown, "ms", kAgainGoalMs, 1);
        verdict.atMost(screen + " ranking's first open after it, click to last frame, scaled to a quiet machine",
                       BenchSupport::median(f.rankingWall) / slowdown, "ms", kFirstGoalMs, 1);
    }
    return verdict.finish();
}
