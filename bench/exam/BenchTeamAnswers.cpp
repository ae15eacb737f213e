// An all-at-once quiz of 50 answer items in a class of 60 on the run screen, every keypad answering every item:
// either all at once (a burst of 3000 keypad messages queued to the interface thread, as the device dispatcher
// delivers them) or over the keypad road through the simulated receiver. Reports the interface thread's time
// per answer (the queued call that files it and updates its tile), the time spent painting meanwhile, and
// checks that every answer is on its tile.
//   bench-team-answers [burst|road] [rounds]   (default: burst, 5 rounds; offscreen unless a platform is set)

#include "BenchSupport.h"
#include "Rf21xSimulator.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TimedApplication.h"
#include "ZUExamMem.h"
#include "ZUHdManager.h"
#include "ZURf228Api.h"
#include "ZUTeamExamDlg.h"
#include "ZUTeamExamItemDlg.h"
#include "ZUTeamExamSer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

const int kStudents = 60;
const int kItems = 50;
QTextStream out(stdout);

QString student(int s)
{
    return QStringLiteral("D%1").arg(s, 4, 10, QLatin1Char('0'));
}

// The class, and a paper of 25 questions of two items each, loaded into the service.
void prepareQuiz(ZUTeamExamSer& ser)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->studentMap.clear();
    mem->studentList.clear();
    mem->snMap.clear();
    for (int s = 1; s <= kStudents; ++s) {
        const StudentInfoRow row { student(s), 101, QStringLiteral("学生%1").arg(s), QString::number(s), {} };
        mem->studentList.append(row);
        mem->studentMap.insert(row.dovaneID, row);
        mem->snMap.insert(row.sn, row.dovaneID);
    }
    ser.m_relationIDs.clear();
    ser.m_relationMap.clear();
    ser.m_questionItems.clear();
    ser.m_structMap.insert(1, { 1, QStringLiteral("单项选择题") });
    for (int i = 0; i < kItems; ++i) {
        const QString question = QStringLiteral("q%1").arg(i / 2);
        const QuestionRecord item {
            QStringLiteral("r%1").arg(i), "paper-1", question, i % 2 + 1, 1, i / 2 + 1, 100, "A", i + 1
        };
        ser.m_relationIDs.append(item.relationID);
        ser.m_relationMap.insert(item.relationID, item);
        ser.m_questionItems.insert(question, item);
    }
    ser.m_totalQ = kItems;
    ser.resetAnswerRecords();
    ZUExamMem* exam = ZUExamMem::getInstance();
    exam->m_examDuration = 1800;
    exam->m_questionNum = kItems / 2;
    exam->m_allScores = 5000;
    exam->m_paperName = QStringLiteral("期中模拟");
    exam->m_examSer = &ser;
    ser.resetExamTime();
}

int tilesDone(ZUTeamExamDlg* screen)
{
    int done = 0;
    for (int s = 1; s <= kStudents; ++s) {
        bool finished = false;
        int answered = 0;
        if (ZUTeamExamItemDlg* tile = screen->tileOf(student(s)))
            tile->getAnswerState(finished, answered);
        done += finished ? 1 : 0;
    }
    return done;
}

bool runRound(TimedApplication& app, bool road, QVector<double>& perAnswer, double& paintMs, double& wallMs)
{
    ZUTeamExamSer* ser = ZUTeamExamSer::getInstance();
    ZUTeamExamDlg* screen = ZUTeamExamDlg::getInstance();
    prepareQuiz(*ser);
    screen->showExam();
    screen->on_StartExamBtn_clicked();
    app.processEvents();
    if (screen->state() != 1)
        return false;

    const int answers = kStudents * kItems;
    int arrived = 0;
    QEventLoop loop;
    QObject counter; // connected after the service, so it runs last for each answer
    QObject::connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, &counter, [&](StudentInfo) {
        perAnswer.append(app.callNs / 1e6);
        app.callNs = 0;
        if (++arrived == answers)
            QTimer::singleShot(0, &loop, &QEventLoop::quit);
    });
    QTimer::singleShot(road ? 120000 : 30000, &loop, &QEventLoop::quit);

    QElapsedTimer clock;
    app.callNs = 0;
    app.paintNs = 0;
    app.timing = true;
    clock.start();
    QThread* sender = nullptr;
    if (road) {
        for (int item = 1; item <= kItems; ++item) {
            for (int s = 1; s <= kStudents; ++s)
                Rf21xSimulator::instance()->pushKey(s, QByteArray(1, "ABCD"[(s + item) % 4]), item);
        }
    } else {
        // The dispatcher thread emits, the interface thread gets every answer queued.
        sender = QThread::create([] {
            for (int item = 1; item <= kItems; ++item) {
                for (int s = 1; s <= kStudents; ++s)
                    emit ZUHdManager::getInstance()->sendStudentData(
                        { s, item, 0, QString(QChar("ABCD"[(s + item) % 4])) });
            }
        });
        sender->start();
    }
    loop.exec();
    // The last tiles painted.
    screen->repaint();
    app.processEvents();
    wallMs = clock.nsecsElapsed() / 1e6;
    app.timing = false;
    paintMs = app.paintNs / 1e6;
    if (sender) {
        sender->wait();
        delete sender;
    }
    const bool complete = arrived == answers && tilesDone(screen) == kStudents
        && screen->findChild<QLabel*>("AnswerPerLbl")->text() == QStringLiteral("60人");
    screen->on_StopExamBtn_clicked();
    ser->quitExam();
    screen->hide();
    return complete;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    const bool road = app.arguments().value(1) == QLatin1String("road");
    const int rounds = qMax(1, app.arguments().value(2, "5").toInt());
    QTemporaryDir dir;
    qputenv("TAV_RF21X_SOCKET", dir.filePath("rf21x.sock").toUtf8());

    QFile::remove(TAVDatabase::databasePath());
    if (!TAVDatabase::getInstance()->createDb() || !TAVDatabase::getInstance()->openLocalDb()) {
        out << "the database did not open\n";
        return 1;
    }
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->currentRecord.localRecordID = 1;
    mem->currentClass.classID = 101;
    mem->currentClass.className = QStringLiteral("初二(1)班");
    ZURf228Api* api = ZURf228Api::getInstance();
    api->initDevice();
    if (!api->isConnected()) {
        out << "the simulated receiver did not open\n";
        return 1;
    }
    mem->currentClass.stationSn = api->serialNumber();

    out << (road ? "keypad road" : "burst") << ", " << kStudents << " keypads x " << kItems << " items, platform "
        << QGuiApplication::platformName() << ", load " << BenchSupport::loadAverage() << "\n";
    out.flush();
    QVector<double> perAnswer;
    double paintTotal = 0;
    for (int r = 0; r < rounds; ++r) {
        double paintMs = 0;
        double wallMs = 0;
        if (!runRound(app, road, perAnswer, paintMs, wallMs)) {
            out << "round " << r + 1 << ": not every answer reached its tile\n";
            return 1;
        }
        paintTotal += paintMs;
        out << QString("round %1: %2 ms from the first answer to the last tile painted, %3 ms of it painting\n")
                   .arg(r + 1)
                   .arg(wallMs, 0, 'f', 1)
                   .arg(paintMs, 0, 'f', 1);
        out.flush();
    }
    const int answers = perAnswer.size();
    out << QString("interface thread per answer: median %1 ms, p95 %2 ms, p99 %3 ms, max %4 ms; painting per answer "
                   "%5 ms; every answer on its tile\n")
               .arg(BenchSupport::percentile(perAnswer, 0.5), 0, 'f', 4)
               .arg(BenchSupport::percentile(perAnswer, 0.95), 0, 'f', 4)
               .arg(BenchSupport::percentile(perAnswer, 0.99), 0, 'f', 4)
               .arg(*std::max_element(perAnswer.begin(), perAnswer.end()), 0, 'f', 3)
               .arg(paintTotal / answers, 0, 'f', 4);
    QFile::remove(TAVDatabase::databasePath());
    return 0;
}
