// A class of 60 on a paper of 50 answer items: every result view opened as the run screens open it (rows
// computed by the quiz service, window filled and shown, events processed until it is painted), offscreen.
// "first" is the first opening in a fresh process (the window built, filled and shown), run 10 times; "again"
// is a later opening of the built window, 10 times; both as medians. The long tables are then scrolled one
// step at a time, each step painted.
//   build/bench-bin/BenchStatsViews            (runs itself once per view and round for the first openings)
//   build/bench-bin/BenchStatsViews --once VIEW

#include "BenchSupport.h"
#include "StatsTestSupport.h"
#include "ZUESAnswerGraphDlg.h"
#include "ZUESAnswerListDlg.h"
#include "ZUExamAnsStuDlg.h"
#include "ZUExamMGraphDlg.h"
#include "ZUExamMTableDlg.h"
#include "ZUExplanationDlg.h"
#include "ZUPaperAnalyDlg.h"
#include "ZUStatsFigures.h"
#include "ZUStuRankingDlg.h"
#include "ZUSubjectDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace StatsTestSupport;
using BenchSupport::loadAverage;
using BenchSupport::median;

namespace {

const int kRounds = 10;
QTextStream out(stdout);

// As the event loop would: layouts, painting, and the widgets the views dropped.
void settle()
{
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

QWidget* openOptionGraph(ZUBaseExamSer& ser)
{
    QVector<double> values;
    QVector<QString> options;
    for (const OptionNamesInfo& e : ser.getAnswerNamesByQIndex(0, 5)) {
        values << e.names.size();
        options << e.option;
    }
    ZUESAnswerGraphDlg* dlg = ZUESAnswerGraphDlg::getInstance();
    dlg->setRightAnswer(ser.getRightAnswerByQIndex(0));
    dlg->setData(values, ZUStatsFigures::optionColors(options.toList()), options);
    return dlg;
}

QWidget* openOptionList(ZUBaseExamSer& ser)
{
    QVector<QString> options;
    QVector<QStringList> names;
    for (const OptionNamesInfo& e : ser.getAnswerNamesByQIndex(0, -1)) {
        options << e.option;
        names << e.names;
    }
    ZUESAnswerListDlg* dlg = ZUESAnswerListDlg::getInstance();
    dlg->show();
    dlg->setRightAnswer(ser.getRightAnswerByQIndex(0));
    dlg->setAnswerNames(options, names);
    return dlg;
}

QWidget* openAnswering(ZUBaseExamSer& ser)
{
    QStringList groups[3];
    for (const StudentInfoRow& s : TAVMemInfo::getInstance()->studentMap) {
        int done = 0;
        ser.m_answerRecords.value(s.dovaneID).countAnswered(0, 1, done);
        groups[done] << s.name;
    }
    ZUExamAnsStuDlg* dlg = ZUExamAnsStuDlg::getInstance();
    dlg->show();
    dlg->setData(groups[2], groups[1], groups[0], 2);
    return dlg;
}

// The per-item windows show the items of one question: ten (a long cloze) or, as a stress, all fifty.
QWidget* openItemBars(ZUBaseExamSer& ser, int items)
{
    QStringList rights;
    QList<QuestionStatInfo> stats;
    for (int i = 0; i < items; ++i) {
        QuestionStatInfo info;
        ser.questionStatistics(i, info);
        stats << info;
        rights << ser.getRightAnswerByQIndex(i);
    }
    ZUExamMGraphDlg* dlg = ZUExamMGraphDlg::getInstance();
    dlg->show();
    dlg->setData(rights, stats);
    return dlg;
}

QWidget* openItemTable(ZUBaseExamSer& ser, int items)
{
    QStringList rights;
    QMap<int, QMap<QString, int>> counts;
    for (int i = 0; i < items; ++i) {
        for (const OptionNamesInfo& e : ser.getAnswerNamesByQIndex(i, 4))
            counts[i].insert(e.option, e.names.size());
        rights << ser.getRightAnswerByQIndex(i);
    }
    ZUExamMTableDlg* dlg = ZUExamMTableDlg::getInstance();
    dlg->show();
    dlg->setData(rights, counts);
    return dlg;
}

QWidget* openPaper(ZUBaseExamSer& ser)
{
    QList<QuestionStatInfo> rows;
    ser.questionReport(rows);
    ZUPaperAnalyDlg* dlg = ZUPaperAnalyDlg::getInstance();
    dlg->show();
    dlg->setData(rows);
    dlg->showLevitate();
    return dlg;
}

QWidget* openRanking(ZUBaseExamSer& ser)
{
    QList<StuRankingInfo> rows;
    ser.studentReport(rows);
    ZUStuRankingDlg* dlg = ZUStuRankingDlg::getInstance();
    dlg->setData(rows);
    dlg->showLevitate();
    return dlg;
}

QWidget* openDetail(ZUBaseExamSer&)
{
    ZUSubjectDlg* dlg = ZUSubjectDlg::getInstance();
    dlg->show();
    dlg->showQuestion(1);
    return dlg;
}

QWidget* openDetailPersons(ZUBaseExamSer& ser)
{
    openDetail(ser);
    ZUSubjectDlg::getInstance()->on_DetBtn_clicked();
    return ZUSubjectDlg::getInstance();
}

QWidget* openExplanation(ZUBaseExamSer& ser)
{
    QString text;
    const QStringList rights = ser.getRightAnswerListByQuestion(0, text);
    ZUExplanationDlg* dlg = ZUExplanationDlg::getInstance();
    dlg->show();
    dlg->setData(ser.getResolvePixmapByQuestion(0), rights.size() == 1 ? rights.first() : text);
    return dlg;
}

struct View
{
    const char* name;
    std::function<QWidget*(ZUBaseExamSer&)> open;
    // The scroll bar a teacher moves on a long view, if any.
    std::function<QScrollBar*()> scroll;
};

const QList<View>& views()
{
    static const QList<View> list {
        { "option-graph", openOptionGraph, nullptr },
        { "option-list", openOptionList,
          [] { return ZUESAnswerListDlg::getInstance()->scrollArea()->verticalScrollBar(); } },
        { "answering", openAnswering, nullptr },
        { "item-bars-10", [](ZUBaseExamSer& ser) { return openItemBars(ser, 10); }, nullptr },
        { "item-table-10", [](ZUBaseExamSer& ser) { return openItemTable(ser, 10); }, nullptr },
        { "item-bars-50", [](ZUBaseExamSer& ser) { return openItemBars(ser, 50); },
          [] { return ZUExamMGraphDlg::getInstance()->scrollArea()->verticalScrollBar(); } },
        { "item-table-50", [](ZUBaseExamSer& ser) { return openItemTable(ser, 50); },
          [] { return ZUExamMTableDlg::getInstance()->scrollArea()->verticalScrollBar(); } },
        { "paper", openPaper, [] { return ZUPaperAnalyDlg::getInstance()->table()->verticalScrollBar(); } },
        { "ranking", openRanking, [] { return ZUStuRankingDlg::getInstance()->table()->verticalScrollBar(); } },
        { "detail-graph", openDetail, nullptr },
        { "detail-persons", openDetailPersons, nullptr },
        { "explanation", openExplanation, nullptr },
    };
    return list;
}

double timedOpen(const View& view, ZUBaseExamSer& ser)
{
    QElapsedTimer timer;
    timer.start();
    QWidget* window = view.open(ser);
    settle();
    const double ms = timer.nsecsElapsed() / 1e6;
    window->hide();
    settle();
    return ms;
}

// Milliseconds per step, each step painted, down the whole range and back.
double scrollStep(const View& view, ZUBaseExamSer& ser)
{
    QWidget* window = view.open(ser);
    settle();
    QScrollBar* bar = view.scroll();
    QVector<double> steps;
    for (int direction : { 1, -1 }) {
        for (int i = 0; i < qMin(bar->maximum(), 400); i += qMax(1, bar->singleStep())) {
            QElapsedTimer timer;
            timer.start();
            bar->setValue(bar->value() + direction * qMax(1, bar->singleStep()));
            window->repaint();
            steps << timer.nsecsElapsed() / 1e6;
        }
    }
    window->hide();
    return median(steps);
}

} // namespace

int main(int argc, char* argv[])
{
    // The views' log lines and the offscreen platform's notes would drown the figures.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type >= QtCriticalMsg)
            QTextStream(stderr) << message << "\n";
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont::insertSubstitution(QStringLiteral("微软雅黑"), QStringLiteral("Noto Sans CJK SC"));
    useProgramDir();
    QFile sheet(QStringLiteral(TAV_BIN_DIR "/ZUTAVApplication.qss"));
    if (qEnvironmentVariableIsEmpty("NOQSS") && sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(sheet.readAll()));
    useClass(60);
    ZUBaseExamSer ser;
    if (!loadLongPaper(ser, 50)) {
        out << "the demo pictures are missing: build tav_art first\n";
        return 1;
    }
    answerLikeAClass(ser);

    const QStringList args = app.arguments();
    // One view alone: its first opening, or (--again) ten more after it, for a profiler.
    if (args.value(1) == "--once" || args.value(1) == "--again") {
        for (const View& view : views()) {
            if (args.value(2) != view.name)
                continue;
            out << timedOpen(view, ser) << "\n";
            for (int round = 0; args.value(1) == "--again" && round < kRounds; ++round)
                out << timedOpen(view, ser) << "\n";
        }
        return 0;
    }

    out << "load average before: " << loadAverage() << "\n";
    out << QString("%1 %2 %3 %4\n").arg("view", -16).arg("first ms", 10).arg("again ms", 10).arg("scroll step ms", 16);
    for (const View& view : views()) {
        QVector<double> first;
        for (int round = 0; round < kRounds; ++round) {
            QProcess once;
            once.start(app.applicationFilePath(), { "--once", view.name });
            once.waitForFinished(60000);
            first << QString::fromLatin1(once.readAllStandardOutput()).trimmed().toDouble();
        }
        QVector<double> again;
        timedOpen(view, ser);
        for (int round = 0; round < kRounds; ++round)
            again << timedOpen(view, ser);
        const QString scroll = view.scroll ? QString::number(scrollStep(view, ser), 'f', 2) : QString("-");
        out << QString("%1 %2 %3 %4\n")
                   .arg(view.name, -16)
                   .arg(median(first), 10, 'f', 1)
                   .arg(median(again), 10, 'f', 1)
                   .arg(scroll, 16);
        out.flush();
    }
    out << "load average after: " << loadAverage() << "\n";
    return 0;
}
