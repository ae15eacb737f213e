#pragma once

// The local web service with the demo data and its drawn paper pictures (also as the picture host), a class
// whose students hold keypads 1..n, the simulated receiver as the current device, papers made to measure,
// and a run screen that records what the services tell it.
#include "DbTestSupport.h"
#include "NetTestSupport.h"
#include "Rf21xSimulator.h"
#include "TAVMemInfo.h"
#include "TavWebService.h"
#include "ZUBaseExamSer.h"
#include "ZUExamSer.h"
#include "ZURf228Api.h"
#include "ZUStepExamView.h"
#include "ZUTeamExamView.h"

#include <QJsonArray>
#include <QJsonDocument>
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
    void prepare()
    {
        useClass(3);
        m_sim = openReceiver();
        m_view = RecordingView();
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
