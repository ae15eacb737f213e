// Shows one result view filled from a realistic quiz (a class of 60 on the demo paper), the way the run
// screens will open it, for a look or a screenshot; it stays until it is ended. Not a test and not shipped.
//   ShowStatsViews VIEW [TAB]
//   VIEW: option-graph option-list answering item-bars item-table paper ranking detail explanation
//   TAB (detail): 0 graph, 1 persons, 2 explanation; the detail shows item 1 unless a number follows

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
#include <QScreen>
#include <QTextStream>

using namespace StatsTestSupport;

namespace {

// The question-by-question run screen's place, behind the bottom windows.
void showBackdrop()
{
    auto* backdrop = new QWidget;
    backdrop->setStyleSheet("background-color: #eef3f6;");
    backdrop->setGeometry(QGuiApplication::primaryScreen()->geometry());
    backdrop->show();
}

void optionViews(ZUBaseExamSer& ser, bool graph)
{
    const QList<OptionNamesInfo> list = ser.getAnswerNamesByQIndex(0, graph ? 5 : -1);
    QVector<double> values;
    QVector<QString> options;
    QVector<QStringList> names;
    for (const OptionNamesInfo& e : list) {
        values << e.names.size();
        options << e.option;
        names << e.names;
    }
    if (graph) {
        ZUESAnswerGraphDlg::getInstance()->setRightAnswer(ser.getRightAnswerByQIndex(0));
        ZUESAnswerGraphDlg::getInstance()->setData(values, ZUStatsFigures::optionColors(options.toList()), options);
    } else {
        ZUESAnswerListDlg::getInstance()->show();
        ZUESAnswerListDlg::getInstance()->setRightAnswer(ser.getRightAnswerByQIndex(0));
        ZUESAnswerListDlg::getInstance()->setAnswerNames(options, names);
    }
}

// The last question of the demo paper has two items.
void itemViews(ZUBaseExamSer& ser, bool bars)
{
    const QList<QuestionRecord> items = ser.subQuestionsByQuestion(ser.getQuestionCount() - 1);
    QStringList rights;
    QList<QuestionStatInfo> stats;
    QMap<int, QMap<QString, int>> counts;
    for (int k = 0; k < items.size(); ++k) {
        const int index = items.at(k).mcsn - 1;
        rights << ser.getRightAnswerByQIndex(index);
        QuestionStatInfo info;
        ser.questionStatistics(index, info);
        stats << info;
        for (const OptionNamesInfo& e : ser.getAnswerNamesByQIndex(index, 4))
            counts[k].insert(e.option, e.names.size());
    }
    QDialog* window = bars ? static_cast<QDialog*>(ZUExamMGraphDlg::getInstance()) : ZUExamMTableDlg::getInstance();
    window->show();
    if (bars)
        ZUExamMGraphDlg::getInstance()->setData(rights, stats);
    else
        ZUExamMTableDlg::getInstance()->setData(rights, counts);
}

// Mid-question on the third question (two items): some students done, some half way, some not started.
void answeringView(ZUBaseExamSer& ser)
{
    QStringList finished, answering, notAnswered;
    for (const StudentInfoRow& s : TAVMemInfo::getInstance()->studentMap) {
        int done = 0;
        ser.m_answerRecords.value(s.dovaneID).countAnswered(2, 3, done);
        const int progress = (done + s.dovaneID.right(2).toInt()) % 4;
        (progress == 0 ? notAnswered : progress == 1 ? answering : finished) << s.name;
    }
    ZUExamAnsStuDlg::getInstance()->show();
    ZUExamAnsStuDlg::getInstance()->setData(finished, answering, notAnswered, 2);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QFont::insertSubstitution(QStringLiteral("微软雅黑"), QStringLiteral("Noto Sans CJK SC"));
    useProgramDir();
    QFile sheet(QStringLiteral(TAV_BIN_DIR "/ZUTAVApplication.qss"));
    if (sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(sheet.readAll()));

    const QString view = app.arguments().value(1);
    useClass(60);
    ZUBaseExamSer ser;
    if (!loadDemoPaper(ser)) {
        QTextStream(stderr) << "the demo paper or its pictures are missing: build tav_art first\n";
        return 1;
    }
    answerLikeAClass(ser);

    if (view == "option-graph" || view == "option-list" || view == "answering" || view == "item-bars"
        || view == "item-table" || view == "explanation")
        showBackdrop();
    if (view == "option-graph" || view == "option-list") {
        optionViews(ser, view == "option-graph");
    } else if (view == "item-bars" || view == "item-table") {
        itemViews(ser, view == "item-bars");
    } else if (view == "answering") {
        answeringView(ser);
    } else if (view == "paper" || view == "detail") {
        QList<QuestionStatInfo> rows;
        ser.questionReport(rows);
        ZUPaperAnalyDlg::getInstance()->show();
        ZUPaperAnalyDlg::getInstance()->setData(rows);
        ZUPaperAnalyDlg::getInstance()->showLevitate();
        if (view == "detail") {
            ZUSubjectDlg::getInstance()->show();
            ZUSubjectDlg::getInstance()->showQuestion(app.arguments().value(3, "1").toInt());
            const int tab = app.arguments().value(2).toInt();
            if (tab == 1)
                ZUSubjectDlg::getInstance()->on_DetBtn_clicked();
            else if (tab == 2)
                ZUSubjectDlg::getInstance()->on_ExpBtn_clicked();
        }
    } else if (view == "ranking") {
        QList<StuRankingInfo> rows;
        ser.studentReport(rows);
        ZUStuRankingDlg::getInstance()->setData(rows);
        ZUStuRankingDlg::getInstance()->showLevitate();
    } else if (view == "explanation") {
        QString text;
        const QStringList rights = ser.getRightAnswerListByQuestion(3, text);
        ZUExplanationDlg::getInstance()->show();
        ZUExplanationDlg::getInstance()->setData(ser.getResolvePixmapByQuestion(3),
                                                 rights.size() == 1 ? rights.first() : text);
    } else {
        QTextStream(stderr) << "unknown view: " << view << "\n";
        return 2;
    }
    return app.exec();
}
