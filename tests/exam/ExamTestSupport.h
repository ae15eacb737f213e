#pragma once

// The local web service with the demo data and its drawn paper pictures (also as the picture host), a class
// whose students hold keypads 1..n, the simulated receiver as the current device, papers made to measure,
// and a run screen that records what the services tell it.
#include "DbTestSupport.h"
#include "NetTestSupport.h"
#include "Rf21xSimulator.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TavWebService.h"
#include "TavWriteBehind.h"
#include "WindowInput.h"
#include "ZUBaseExamSer.h"
#include "ZUExamResultViews.h"
#include "ZUExamScreenBase.h"
#include "ZUExamSer.h"
#include "ZURf228Api.h"
#include "ZUStepExamView.h"
#include "ZUTeamExamView.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QWidget>
#include <QtTest>

namespace ExamTestSupport {

inline bool startService(TavWebService& service)
{
    if (!service.loadDataFile(TAV_BIN_DIR "/webservice/demo.json") || !service.start())
        return false;
    service.useAsApplicationProxy();
    return NetTestSupport::useServer("127.0.0.1", service.port());
}

inline QString student(int i)
{
    return QStringLiteral("S%1").arg(i, 2, 10, QLatin1Char('0'));
}

// Students S01.. named N01.. with keypads 1..n, of the demo teacher, in open lesson record 7.
inline void useClass(int students)
{
    DbTestSupport::resetTeacherState();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->currentTeacher.username = QStringLiteral("teacher01");
    mem->version = QStringLiteral("4.2.0");
    mem->currentRecord.localRecordID = 7;
    mem->currentRecord.subjectID = 1;
    for (int i = 1; i <= students; ++i) {
        const StudentInfoRow row { student(i), 101, QStringLiteral("N%1").arg(i, 2, 10, QLatin1Char('0')),
                                   QString::number(i), QString() };
        mem->studentList.append(row);
        mem->studentMap.insert(row.dovaneID, row);
        mem->snMap.insert(row.sn, row.dovaneID);
    }
}

// A lesson of class 101 open in the database file, as the tool bar starts one: the quiz's rows belong to it, and
// the program's writer writes nothing of a lesson the file does not hold.
inline bool openLessonRow()
{
    const DbTestSupport::OpenedLesson lesson = DbTestSupport::openLessonOf(101, QStringLiteral("teacher01"));
    return lesson.id != -1 && !lesson.uuid.isEmpty();
}

// The program's writer has written, or set aside, everything handed to it.
using DbTestSupport::writerIdle;

// useClass, as the class 101 "初二(1)班" of the simulated receiver, in the subject 数学.
inline void useScreenClass(int students)
{
    useClass(students);
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->currentClass.classID = 101;
    mem->currentClass.className = QStringLiteral("初二(1)班");
    mem->currentClass.stationSn = QString::fromLatin1(Rf21xSimulator::defaultSerial());
    mem->currentSubjectName = QStringLiteral("数学");
}

// What a screen shows: a label's text, each button as '-' hidden, '0' disabled or '1' usable, the countdown.
inline QString text(const QWidget* screen, const char* label)
{
    return screen->findChild<QLabel*>(label)->text();
}
inline QString buttons(const QWidget* screen, const QStringList& names)
{
    QString shown;
    for (const QString& name : names) {
        const auto* b = screen->findChild<QPushButton*>(name);
        shown += !b->isVisible() ? '-' : b->isEnabled() ? '1' : '0';
    }
    return shown;
}
inline QString countdown(const QWidget* screen)
{
    const QString style = screen->findChild<QLabel*>("HourLbl")->styleSheet();
    const QString colour = style.contains("green.png") ? "green" : style.contains("yellow.png") ? "yellow" : "red";
    return text(screen, "HourLbl") + ":" + text(screen, "MinLbl") + ":" + text(screen, "SecLbl") + " " + colour;
}
// The teacher presses a button he can see and use.
inline bool click(QWidget* screen, const char* name)
{
    auto* b = screen->findChild<QPushButton*>(name);
    if (!b || !b->isVisible() || !b->isEnabled())
        return false;
    b->click();
    return true;
}

// A teacher's steps on a run screen: "StartExamBtn" clicks, "key:stop" presses the remote, "3:2:B" is keypad 3
// answering item 2 with B, "timeout" lets the time run out. Gives the first step that could not be taken.
template<typename Service> QString act(ZUExamScreenBase* screen, Service* ser, const QStringList& steps)
{
    for (const QString& step : steps) {
        const QStringList press = step.split(':');
        if (step.startsWith("key:"))
            screen->__getTeacherData(TeacherInfo { step.mid(4) });
        else if (step == "timeout")
            while (ser->state() == 1)
                ser->__timeout();
        else if (press.size() == 3)
            ser->__studentData({ press[0].toInt(), press[1].toInt(), 0, press[2] });
        else if (!click(screen, qPrintable(step)))
            return step;
    }
    return QString();
}

// The reply for a paper "T1" of one question per answer text ("A|B" has two items unless counts says
// otherwise), 100 points an item, every question in section 1 with the demo pictures of question 1001.
inline QJsonObject paperReply(const QStringList& answers, const QList<int>& counts = {})
{
    QJsonArray questions, items;
    int mcsn = 0;
    for (int q = 0; q < answers.size(); ++q) {
        const QString id = QString::number(9001 + q);
        const int count = counts.value(q, answers.at(q).split('|').size());
        questions.append(QJsonObject { { "questionID", id },
                                       { "questionTextHTML", "img@paper/1001Text.png" },
                                       { "questionResolveHTML", "img@paper/1001Resolve.png" },
                                       { "questionAnswer", answers.at(q) },
                                       { "subQuestions", count } });
        for (int k = 1; k <= count; ++k)
            items.append(QJsonObject { { "relationID", QString("T1-%1").arg(++mcsn) },
                                       { "paperID", "T1" },
                                       { "questionID", id },
                                       { "subQuestionID", k },
                                       { "structID", 1 },
                                       { "sn", q + 1 },
                                       { "scores", 100 },
                                       { "mcsn", mcsn } });
    }
    const QJsonObject section { { "paperID", "T1" }, { "structID", 1 }, { "structName", "单项选择题" } };
    return QJsonObject { { "ksPaperStruct", QJsonArray { section } },
                         { "ksQuestion", questions },
                         { "ksRPaperQuestion", items } };
}

// The paper requests are answered with this result.
inline void serveReply(TavWebService& service, const QJsonObject& result)
{
    const QJsonObject reply { { "success", true }, { "result", result }, { "errorCode", "" } };
    service.setCannedReply(ZUExamSer::kPaperPath, 200, QJsonDocument(reply).toJson());
}

inline bool loadPaper(TavWebService& service, ZUBaseExamSer& ser, const QStringList& answers,
                      const QList<int>& counts = {})
{
    serveReply(service, paperReply(answers, counts));
    return ser.getPaperInfo("T1") == 0;
}

// Inserts into the table fail where the condition on NEW holds, as a write error of that one row would, while the
// transaction goes on; an empty condition lets every insert work again.
inline bool failInserts(const QString& table, const QString& when)
{
    return DbTestSupport::runOutside("drop trigger if exists tav_test_failing_row")
        && (when.isEmpty()
            || DbTestSupport::runOutside(QString("create trigger tav_test_failing_row before insert on %1 when %2 "
                                                 "begin select raise(abort, 'disk I/O error'); end")
                                             .arg(table, when)));
}

// Rows of the four quiz tables, committed: quizzes, students' times, answers, answer histories.
inline QString committedQuizRows()
{
    return DbTestSupport::committedValue("select (select count(*) from TAV_ExamInfo) || ' ' || "
                                         "(select count(*) from TAV_ExamStuInfo) || ' ' || "
                                         "(select count(*) from TAV_ExamStuAnswer) || ' ' || "
                                         "(select count(*) from TAV_ExamStuAnswer_Pro)")
        .toString();
}

// committedQuizRows grown by the given numbers.
inline QString quizRowsAdded(const QString& before, int quizzes, int students, int answers, int histories)
{
    const QStringList was = before.split(' ');
    return QStringList { QString::number(was.value(0).toInt() + quizzes),
                         QString::number(was.value(1).toInt() + students),
                         QString::number(was.value(2).toInt() + answers),
                         QString::number(was.value(3).toInt() + histories) }
        .join(' ');
}

// The teacher leaves a run screen: "power" by the remote's key, "close" by the window manager, otherwise by a
// click on the button of that name.
inline bool leaveBy(QWidget* screen, const QString& how)
{
    if (how == "power")
        return Rf21xSimulator::instance()->pushTeacherKey("power");
    if (how == "close")
        return WindowInput::requestClose(screen);
    return WindowInput::click(screen->findChild<QPushButton*>(how));
}

// The simulated receiver, opened as the current device, with an empty command log.
inline Rf21xSimulator* openReceiver()
{
    Rf21xSimulator* sim = Rf21xSimulator::instance();
    sim->reset();
    ZURf228Api::getInstance()->initDevice();
    sim->clearCommands();
    return sim;
}

// The values as text joined by spaces, to compare a row in one line.
template<typename... T> QString row(const T&... values)
{
    return QStringList { QVariant(values).toString()... }.join(' ');
}

// The quiz of the upload document carries exactly the service's answer records: each student's time and, per
// student and item, the current answer and time with the item's facts and the history behind it.
inline QString differenceFromRecords(const QJsonObject& exam, const ZUBaseExamSer& ser)
{
    QStringList sent, held;
    for (const QJsonValue& v : exam["TAVExamStuInfo"].toArray())
        sent << row(v["dovaneID"].toString(), v["useTime"].toInt());
    for (const QJsonValue& v : exam["TAVExamStuAnswer"].toArray()) {
        sent << row(v["dovaneID"].toString(), v["answer"].toString(), v["answerTime"].toString(),
                    v["questionID"].toString(), v["sn"].toInt(), v["structID"].toInt(), v["subQuestionID"].toInt(),
                    v["mcsn"].toInt());
        for (const QJsonValue& h : v["TAVExamStuAnswerPro"].toArray())
            sent.last() += row("", h["sequence"].toInt(), h["answer"].toString(), h["answerTime"].toString(),
                               h["answerID"] == v["id"]);
    }
    for (auto it = ser.m_answerRecords.begin(); it != ser.m_answerRecords.end(); ++it)
        held << row(it.key(), it->usedTime());
    for (auto it = ser.m_answerRecords.begin(); it != ser.m_answerRecords.end(); ++it) {
        for (int i = 0; i < ser.m_totalQ; ++i) {
            const QuestionRecord item = ser.getQuestionByQIndex(i);
            held << row(it.key(), it->answers().at(i), it->answerTimes().at(i), item.questionID, item.sn, item.structID,
                        item.subQuestionID, item.mcsn);
            for (int j = 0; j < it->answerHistory(i).size(); ++j)
                held.last() += row("", j + 1, it->answerHistory(i).at(j), it->timeHistory(i).at(j), true);
        }
    }
    for (int i = 0; i < qMax(sent.size(), held.size()); ++i) {
        if (sent.value(i) != held.value(i))
            return "sent: " + sent.value(i) + "\nheld: " + held.value(i);
    }
    return QString();
}

struct RecordingView : ZUStepExamView, ZUTeamExamView
{
    void setTimeLabels(int seconds) override { times.append(seconds); }
    void onQuestionFinished() override { ++finished; }
    void onExamFinished() override { ++finished; }
    void onStudentAnswered(const QString& id, int items) override { answered[id] = items; }
    void setStudentTileState(const QString& id, int items) override { answered[id] = items; }

    QList<int> times;
    int finished = 0;
    QMap<QString, int> answered;
};

// Result windows that write down, one line each, what they were last given; the reports show themselves.
struct RecordingViews : ZUExamResultViews
{
    RecordingViews()
    {
        for (int v = AnsweringPanel; v <= Ranking; ++v) {
            windows.insert(v, new QWidget);
            windows[v]->resize(300, 200);
        }
    }
    QWidget* window(View view) override { return windows.value(view); }
    void setAnswering(const QStringList& f, const QStringList& a, const QStringList& n, int items) override
    {
        last[AnsweringPanel] = QStringList { f.join(','), a.join(','), n.join(','), QString::number(items) }.join('|');
    }
    void setExplanation(const QPixmap& picture, const QString& answer) override
    {
        last[Explanation] = answer + (picture.isNull() ? "|no picture" : "|picture");
    }
    void setOptionNames(const QString& right, const QVector<QString>& options,
                        const QVector<QStringList>& names) override
    {
        QStringList parts;
        for (int i = 0; i < options.size(); ++i)
            parts << options[i] + ":" + names.value(i).join(',');
        last[OptionList] = right + "|" + parts.join(' ');
    }
    void setOptionChart(const QString& right, const QVector<double>& values, const QVector<QColor>& colours,
                        const QVector<QString>& options) override
    {
        QStringList parts;
        for (int i = 0; i < options.size(); ++i)
            parts << QString("%1:%2:%3").arg(options[i]).arg(values.value(i)).arg(colours.value(i).name());
        last[OptionChart] = right + "|" + parts.join(' ');
    }
    void setItemTable(const QStringList& rights, const QMap<int, QMap<QString, int>>& counts) override
    {
        QStringList parts;
        for (auto it = counts.begin(); it != counts.end(); ++it) {
            QStringList cells;
            for (auto c = it->begin(); c != it->end(); ++c)
                cells << QString("%1=%2").arg(c.key()).arg(c.value());
            parts << QString::number(it.key()) + ":" + cells.join(',');
        }
        last[ItemTable] = rights.join(',') + "|" + parts.join(' ');
    }
    void setItemBars(const QStringList& rights, const QList<QuestionStatInfo>& stats) override
    {
        QStringList parts;
        for (const QuestionStatInfo& s : stats)
            parts << QString("%1/%2/%3").arg(s.rightCount).arg(s.wrongCount).arg(s.unansweredCount);
        last[ItemBars] = rights.join(',') + "|" + parts.join(' ');
    }
    void showPaperAnalysis(const QList<QuestionStatInfo>& rows) override
    {
        QStringList numbers;
        for (const QuestionStatInfo& r : rows)
            numbers << QString::number(r.number);
        last[PaperAnalysis] = numbers.join(' ');
        windows[PaperAnalysis]->show();
    }
    void showRanking(const QList<StuRankingInfo>& rows) override
    {
        QStringList names;
        for (const StuRankingInfo& r : rows)
            names << QString("%1:%2").arg(r.name).arg(r.rightCount);
        last[Ranking] = names.join(' ');
        windows[Ranking]->show();
    }
    void hideAll()
    {
        for (QWidget* w : qAsConst(windows))
            w->hide();
        last.clear();
    }

    QMap<int, QWidget*> windows;
    QMap<int, QString> last;
};

// Counts how often the window was raised above the others.
struct RaiseCounter : QObject
{
    explicit RaiseCounter(QWidget* window) { window->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        raised += e->type() == QEvent::ZOrderChange;
        return false;
    }
    int raised = 0;
};

// What the tests of a quiz service share: the database and the web service, then before each test a class of
// three, the receiver, a fresh screen; and keypad presses.
template<typename Service> class ServiceTest : public QObject
{
protected:
    bool setUp()
    {
        m_ser->setView(&m_view);
        return DbTestSupport::freshDatabase() && startService(m_service);
    }
    bool prepare()
    {
        useClass(3);
        m_sim = openReceiver();
        m_view = RecordingView();
        return openLessonRow();
    }
    void press(int keypad, int quizNumber, const QString& data)
    {
        m_ser->__studentData({ keypad, quizNumber, 0, data });
    }
    // Student s's answers to the paper's items.
    QStringList recorded(int s) const { return m_ser->m_answerRecords.value(student(s)).answers().toList(); }

    TavWebService m_service;
    Service* m_ser = Service::getInstance();
    Rf21xSimulator* m_sim = nullptr;
    RecordingView m_view;
};

} // namespace ExamTestSupport
