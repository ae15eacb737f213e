#include "ZUBaseExamSer.h"

#include "CodeTool.h"
#include "JsonHelper.h"
#include "PaperPictureStore.h"
#include "StudentInfo.h"
#include "TAVMemInfo.h"
#include "TAVNetEvent.h"
#include "TavWriteBehind.h"
#include "TavWriteKinds.h"
#include "ZUExamSaveNotice.h"
#include "ZUExamSer.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUSound.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTimer>
#include <QtDebug>

#include <algorithm>

// A paper as read from the reply, before it replaces the model.
struct ZUBaseExamSer::Paper
{
    QString replyPaperID;
    QMap<int, PaperStructRecord> structMap;
    QList<QString> relationIDs;
    QMap<QString, QuestionRecord> relationMap;
    QList<QString> questionIDs;
    QMap<QString, QuestionDetailRecord> detailMap;
    QMultiMap<QString, QuestionRecord> questionItems;
    QMap<QString, int> questionStruct;
    QMap<QString, int> questionSn;
};

ZUBaseExamSer::ZUBaseExamSer(QObject* parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
}

// ---- paper service ---------------------------------------------------------------------------------------

bool ZUBaseExamSer::wanted(const std::function<bool()>& goOn)
{
    if (!goOn || goOn())
        return true;
    qWarning() << "****the paper load was given up";
    return false;
}

int ZUBaseExamSer::getPaperInfo(const QString& paperID, const std::function<bool()>& goOn)
{
    qDebug() << "enter getPaperInfo";
    QElapsedTimer loading;
    loading.start();
    m_paperID = paperID;
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    QJsonObject result;
    if (!ZUExamSer::request(
            ZUExamSer::kPaperPath,
            { { "username", mem->currentTeacher.username }, { "paperID", paperID }, { "version", mem->version } },
            result, false))
        return -1;

    Paper paper;
    if (!readPaper(result, paper) || !wanted(goOn))
        return -1;
    PaperPictureStore pictures; // removes what it fetched unless committed
    for (const QString& id : qAsConst(paper.questionIDs)) {
        const QuestionDetailRecord& detail = paper.detailMap[id];
        for (const auto& picture :
             { qMakePair(detail.questionUrl, detail.questionFile), qMakePair(detail.resolveUrl, detail.resolveFile) }) {
            const int left = m_loadLimitMs - int(loading.elapsed());
            if (left <= 0) {
                qWarning() << "****the paper took longer than" << m_loadLimitMs << "ms to load";
                return -1;
            }
            if (!pictures.download(picture.first, picture.second, left, goOn) || !wanted(goOn))
                return -1;
        }
    }
    if (!pictures.commit())
        return -1;

    m_replyPaperID = paper.replyPaperID;
    m_structMap = paper.structMap;
    m_questionIDs = paper.questionIDs;
    m_detailMap = paper.detailMap;
    m_relationIDs = paper.relationIDs;
    m_relationMap = paper.relationMap;
    m_questionStruct = paper.questionStruct;
    m_questionSn = paper.questionSn;
    m_questionItems = paper.questionItems;
    m_totalQ = m_relationIDs.size();
    m_questionCount = m_questionIDs.size();
    resetAnswerRecords();
    return 0;
}

bool ZUBaseExamSer::readPaper(const QJsonObject& result, Paper& paper)
{
    for (const QJsonValue& value : result.value("ksPaperStruct").toArray()) {
        const QJsonObject section = value.toObject();
        paper.replyPaperID = section.value("paperID").toString();
        const int structID = section.value("structID").toInt();
        paper.structMap.insert(structID, { structID, section.value("structName").toString() });
    }

    for (const QJsonValue& value : result.value("ksQuestion").toArray()) {
        const QJsonObject question = value.toObject();
        QuestionDetailRecord detail;
        detail.questionID = question.value("questionID").toString();
        const QString text = question.value("questionTextHTML").toString();
        if (text.isEmpty()) {
            qWarning() << "****error, the text_url is empty";
            return false;
        }
        const QString resolve = question.value("questionResolveHTML").toString();
        if (resolve.isEmpty()) {
            qWarning() << "****error, the resovle_url is empty";
            return false;
        }
        detail.questionUrl = PaperPictureStore::pictureUrl(text);
        detail.questionFile = PaperPictureStore::fileName(detail.questionID, QStringLiteral("Text"), text);
        detail.resolveUrl = PaperPictureStore::pictureUrl(resolve);
        detail.resolveFile = PaperPictureStore::fileName(detail.questionID, QStringLiteral("Resolve"), resolve);
        if (detail.questionFile.isEmpty() || detail.resolveFile.isEmpty())
            return false;
        detail.questionAnswer = question.value("questionAnswer").toString();
        detail.subQuestions = question.value("subQuestions").toInt();
        paper.questionIDs.append(detail.questionID);
        paper.detailMap.insert(detail.questionID, detail);
    }

    for (const QJsonValue& value : result.value("ksRPaperQuestion").toArray()) {
        const QJsonObject source = value.toObject();
        QuestionRecord item;
        item.relationID = source.value("relationID").toString();
        item.paperID = source.value("paperID").toString();
        item.questionID = source.value("questionID").toString();
        item.subQuestionID = source.value("subQuestionID").toInt();
        item.structID = source.value("structID").toInt();
        item.sn = source.value("sn").toInt();
        item.scores = source.value("scores").toInt();
        item.mcsn = source.value("mcsn").toInt();
        item.rightAnswer = itemRightAnswer(paper.detailMap.value(item.questionID).questionAnswer, item.subQuestionID);
        paper.relationIDs.append(item.relationID);
        paper.relationMap.insert(item.relationID, item);
        paper.questionStruct.insert(item.questionID, item.structID);
        paper.questionSn.insert(item.questionID, item.sn);
        paper.questionItems.insert(item.questionID, item);
    }

    if (paper.questionIDs.isEmpty() || paper.relationIDs.isEmpty()) {
        qWarning() << "****the paper has no questions or no answer items";
        return false;
    }
    // Keypads, answer records and saved rows all take an item's slot from its mcsn: items numbered otherwise
    // than 1, 2, ... in reply order would file answers under the wrong item.
    for (int i = 0; i < paper.relationIDs.size(); ++i) {
        if (paper.relationMap.value(paper.relationIDs.at(i)).mcsn != i + 1) {
            qWarning() << "****the mcsn of the items is not 1, 2, ... in order";
            return false;
        }
    }
    return true;
}

QString ZUBaseExamSer::itemRightAnswer(const QString& questionAnswer, int subQuestionID)
{
    if (!questionAnswer.contains('|'))
        return questionAnswer;
    const QStringList parts = questionAnswer.split('|');
    if (subQuestionID < 1 || subQuestionID > parts.size()) {
        qWarning() << "****the right answer error";
        return QString();
    }
    return parts.at(subQuestionID - 1);
}

// ---- paper model -----------------------------------------------------------------------------------------

QuestionDetailRecord ZUBaseExamSer::detailOf(int question) const
{
    return m_detailMap.value(m_questionIDs.value(question));
}

QPixmap ZUBaseExamSer::picture(const QString& fileName)
{
    if (fileName.isEmpty())
        return QPixmap();
    return PaperPictureStore::picture(QCoreApplication::applicationDirPath() + QStringLiteral("/PaperData/")
                                      + fileName);
}

int ZUBaseExamSer::getQuestionSnByQuestion(int question) const
{
    return m_questionSn.value(m_questionIDs.value(question));
}

QString ZUBaseExamSer::getSectionTitleByQuestion(int question) const
{
    const int structID = m_questionStruct.value(m_questionIDs.value(question));
    return CodeTool::getInstance()->toChineseNumerals(structID) + "." + m_structMap.value(structID).structName;
}

bool ZUBaseExamSer::isMulByQID(int question) const
{
    qDebug() << "enter is isMulByQID";
    const QuestionDetailRecord detail = detailOf(question);
    const int n = detail.subQuestions;
    const int length = detail.questionAnswer.length();
    qDebug() << "the subCount is " << n;
    qDebug().noquote() << "the answer is " + detail.questionAnswer;
    // n single letters joined by "|" are 2n - 1 characters; anything longer has an item of several letters.
    const int singles = 2 * n - 1;
    if (n >= 1 && length >= 1 && length >= singles)
        return length > singles;
    qWarning() << "****isMulByQID func error";
    return false;
}

QPixmap ZUBaseExamSer::getResolvePixmapByQuestion(int question) const
{
    return picture(detailOf(question).resolveFile);
}

QPixmap ZUBaseExamSer::getQuestionPixmapByQuestion(int question) const
{
    return picture(detailOf(question).questionFile);
}

QStringList ZUBaseExamSer::getRightAnswerListByQuestion(int question, QString& text) const
{
    const QStringList parts = detailOf(question).questionAnswer.split('|');
    text = QStringLiteral("1、") + parts.first();
    for (int k = 2; k <= parts.size(); ++k)
        text += QStringLiteral("  ") + QString::number(k) + QStringLiteral("、") + parts.at(k - 1);
    return parts;
}

int ZUBaseExamSer::optionCountFor(int question, QMap<int, int>& items) const
{
    const QString id = m_questionIDs.value(question);
    for (auto it = m_questionItems.constFind(id); it != m_questionItems.constEnd() && it.key() == id; ++it)
        items.insert(it->subQuestionID, it->mcsn);
    return m_detailMap.value(id).subQuestions;
}

QList<QuestionRecord> ZUBaseExamSer::subQuestionsByQuestion(int question) const
{
    QList<QuestionRecord> items = m_questionItems.values(m_questionIDs.value(question));
    std::stable_sort(items.begin(), items.end(),
                     [](const QuestionRecord& a, const QuestionRecord& b) { return a.mcsn < b.mcsn; });
    return items;
}

QuestionRecord ZUBaseExamSer::getQuestionByQIndex(int item) const
{
    return m_relationMap.value(m_relationIDs.value(item));
}

QString ZUBaseExamSer::getRightAnswerByQIndex(int item) const
{
    return getQuestionByQIndex(item).rightAnswer;
}

QPixmap ZUBaseExamSer::getQuestionPixmapByQIndex(int item) const
{
    return picture(m_detailMap.value(getQuestionByQIndex(item).questionID).questionFile);
}

QPixmap ZUBaseExamSer::getResolvePixmapByQIndex(int item) const
{
    return picture(m_detailMap.value(getQuestionByQIndex(item).questionID).resolveFile);
}

void ZUBaseExamSer::resetAnswerRecords()
{
    m_answerRecords.clear();
    for (const StudentInfoRow& student : qAsConst(TAVMemInfo::getInstance()->studentList))
        m_answerRecords.insert(student.dovaneID, StudentAnswerRecord(m_totalQ));
}

// ---- scoring, statistics and saving ----------------------------------------------------------------------

QVector<QuestionRecord> ZUBaseExamSer::itemsInOrder() const
{
    QVector<QuestionRecord> items;
    items.reserve(m_relationIDs.size());
    for (const QString& id : m_relationIDs)
        items.append(m_relationMap.value(id));
    return items;
}

void ZUBaseExamSer::__clearAnswerByQIndex(int question)
{
    qDebug() << "enter __clearAnswerByQIndex";
    const QList<QuestionRecord> items = subQuestionsByQuestion(question);
    for (StudentAnswerRecord& record : m_answerRecords) {
        for (const QuestionRecord& item : items)
            record.clearAnswer(item.mcsn - 1);
        record.setQuestionSeconds(question, 0);
    }
}

void ZUBaseExamSer::questionStatistics(int item, QuestionStatInfo& info) const
{
    const QString right = getRightAnswerByQIndex(item);
    for (const StudentAnswerRecord& record : m_answerRecords) {
        const QString answer = record.answerAt(item);
        if (answer.isEmpty())
            continue;
        ++info.answeredCount;
        if (answer == right)
            ++info.rightCount;
        else
            ++info.wrongCount;
    }
    info.unansweredCount = m_answerRecords.size() - info.answeredCount;
}

int ZUBaseExamSer::questionReport(QList<QuestionStatInfo>& rows) const
{
    rows.clear();
    const CodeTool* code = CodeTool::getInstance();
    for (int i = 0; i < m_totalQ; ++i) {
        const int structID = getQuestionByQIndex(i).structID;
        QuestionStatInfo row;
        row.number = i + 1;
        row.sectionNumeral = code->toChineseNumerals(structID);
        row.sectionName = m_structMap.value(structID).structName;
        questionStatistics(i, row);
        rows.append(row);
    }
    std::sort(rows.begin(), rows.end(), [](const QuestionStatInfo& a, const QuestionStatInfo& b) {
        if (a.wrongCount != b.wrongCount)
            return a.wrongCount > b.wrongCount;
        if (a.unansweredCount != b.unansweredCount)
            return a.unansweredCount > b.unansweredCount;
        return a.number < b.number;
    });
    return 0;
}

void ZUBaseExamSer::scoreRecord(const StudentAnswerRecord& record, const QVector<QuestionRecord>& items,
                                StuRankingInfo& info)
{
    info.usedTime = record.usedTime() == 0 ? 86400 : record.usedTime();
    const QVector<QString>& answers = record.answers();
    for (int i = 0; i < answers.size(); ++i) {
        if (answers.at(i).isEmpty()) {
            ++info.unansweredCount;
            continue;
        }
        ++info.answeredCount;
        if (i < items.size() && answers.at(i) == items.at(i).rightAnswer) {
            ++info.rightCount;
            info.score += items.at(i).scores;
        }
    }
}

void ZUBaseExamSer::computeStudentScore(const QString& dovaneID, StuRankingInfo& info) const
{
    scoreRecord(m_answerRecords.value(dovaneID), itemsInOrder(), info);
}

int ZUBaseExamSer::studentReport(QList<StuRankingInfo>& rows) const
{
    const QVector<QuestionRecord> items = itemsInOrder();
    const QMap<QString, StudentInfoRow>& roster = TAVMemInfo::getInstance()->studentMap;
    for (auto it = m_answerRecords.constBegin(); it != m_answerRecords.constEnd(); ++it) {
        StuRankingInfo row;
        row.name = roster.value(it.key()).name;
        scoreRecord(it.value(), items, row);
        rows.append(row);
    }
    // Equal students keep their dovaneID order.
    std::stable_sort(rows.begin(), rows.end(), [](const StuRankingInfo& a, const StuRankingInfo& b) {
        if (a.rightCount != b.rightCount)
            return a.rightCount > b.rightCount;
        return a.usedTime < b.usedTime;
    });
    return 0;
}

QList<OptionNamesInfo> ZUBaseExamSer::getAnswerNamesByQIndex(int item, int maxOptions) const
{
    OptionNamesInfo unanswered { tr("未作答"), {} };
    QMap<QString, OptionNamesInfo> byAnswer;
    const QMap<QString, StudentInfoRow>& roster = TAVMemInfo::getInstance()->studentMap;
    for (auto it = m_answerRecords.constBegin(); it != m_answerRecords.constEnd(); ++it) {
        const QString name = roster.value(it.key()).name;
        const QString answer = it.value().answerAt(item);
        if (answer.isEmpty()) {
            unanswered.names.append(name);
            continue;
        }
        OptionNamesInfo& entry = byAnswer[answer];
        entry.option = answer;
        entry.names.append(name);
    }

    const auto bySize
        = [](const OptionNamesInfo& a, const OptionNamesInfo& b) { return a.names.size() > b.names.size(); };
    QList<OptionNamesInfo> options = byAnswer.values();
    std::stable_sort(options.begin(), options.end(), bySize);
    OptionNamesInfo other { tr("其他"), {} };
    if (maxOptions >= 0) {
        while (options.size() > maxOptions)
            other.names += options.takeAt(maxOptions).names;
    }
    std::stable_sort(options.begin(), options.end(),
                     [&](const OptionNamesInfo& a, const OptionNamesInfo& b) { return bySize(b, a); });
    if (!other.names.isEmpty())
        options.prepend(other);
    if (!unanswered.names.isEmpty())
        options.prepend(unanswered);
    return options;
}

bool ZUBaseExamSer::saveExamStudents(QSqlDatabase db, int examID) const
{
    return quizRows().writeStudents(db, examID);
}

bool ZUBaseExamSer::saveStudentAnswers(QSqlDatabase db, const QString& dovaneID, const StudentAnswerRecord& record,
                                       int examID) const
{
    return QuizRows::writeAnswers(db, examID, studentRows(dovaneID, record));
}

QuizRows ZUBaseExamSer::quizRows() const
{
    QuizRows rows;
    rows.quiz = m_examRow;
    for (auto it = m_answerRecords.constBegin(); it != m_answerRecords.constEnd(); ++it)
        rows.students.append(studentRows(it.key(), it.value()));
    return rows;
}

QuizRows::Student ZUBaseExamSer::studentRows(const QString& dovaneID, const StudentAnswerRecord& record) const
{
    QuizRows::Student student;
    student.row = { dovaneID, 0, record.usedTime() };
    const int items = qMin(record.count(), m_relationIDs.size());
    for (int i = 0; i < items; ++i) {
        const QuestionRecord item = getQuestionByQIndex(i);
        QuizRows::Answer answer;
        // Times go as plain text, or empty for none: the table binds them, an empty one as NULL.
        answer.row = { 0,
                       0,
                       dovaneID,
                       record.answers().at(i),
                       item.subQuestionID,
                       item.sn,
                       item.questionID,
                       item.structID,
                       item.mcsn,
                       record.answerTimes().at(i) };
        const QStringList entries = record.answerHistory(i);
        const QStringList times = record.timeHistory(i);
        for (int j = 0; j < entries.size(); ++j)
            answer.history.append({ 0, 0, j + 1, entries.at(j), times.value(j) });
        student.answers.append(answer);
    }
    return student;
}

// ---- shared by the quiz services -------------------------------------------------------------------------

QString ZUBaseExamSer::nowText()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString ZUBaseExamSer::receiverSerial()
{
    ZUHdApi* api = ZUHdManager::getInstance()->currentApi();
    return api ? api->serialNumber() : QString();
}

QString ZUBaseExamSer::studentOfKeypad(const StudentInfo& stuInfo)
{
    const QMap<QString, QString>& keypads = TAVMemInfo::getInstance()->snMap;
    if (stuInfo.data == QLatin1String("Rush"))
        return QString();
    return keypads.value(QString::number(stuInfo.keypadId));
}

StudentAnswerRecord* ZUBaseExamSer::takeAnswer(const QString& dovaneID, int slot, const QString& data, int& answered)
{
    if (slot < 0 || slot >= m_totalQ) {
        qWarning().noquote()
            << QString("****the answer of %1 names item %2 outside the paper").arg(dovaneID).arg(slot + 1);
        return nullptr;
    }
    const auto record = m_answerRecords.find(dovaneID);
    if (record == m_answerRecords.end()) {
        qWarning().noquote() << "****no answer record for " + dovaneID + ", the answer is dropped";
        return nullptr;
    }
    const QString answer = keypadAnswer(data);
    if (answer.isEmpty()) {
        if (!data.isEmpty())
            qWarning().noquote() << "****the answer of " + dovaneID + " is longer than any answer, it is dropped";
        return nullptr; // an empty press answers nothing
    }
    record->recordAnswer(slot, answer, answered);
    return &record.value();
}

QString ZUBaseExamSer::keypadAnswer(const QString& data)
{
    if (data.size() > kLongestAnswer)
        return QString();
    // A number ("12", "3.5", "-2") is the value keyed, in its order; choice letters count once each, in order.
    static const QRegularExpression number(QStringLiteral("^-?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    if (number.match(data).hasMatch())
        return data;
    return CodeTool::getInstance()->sortedDistinctChars(data);
}

void ZUBaseExamSer::logState(const char* operation) const
{
    qDebug() << operation;
    qDebug() << "the exam state is: " << m_state;
}

void ZUBaseExamSer::stampQuizStart()
{
    m_examRow.localRecordID = TAVMemInfo::getInstance()->currentRecord.localRecordID;
    m_lessonUUID = TAVMemInfo::getInstance()->currentRecord.UUID;
    m_examRow.startTime = nowText();
    m_examRow.paperID = m_replyPaperID;
    m_examRow.status = 0;
}

void ZUBaseExamSer::runCountdown()
{
    m_state = 1;
    m_timer->start(1000);
    ZUSound::getInstance()->playStartAnswer();
}

void ZUBaseExamSer::countDown(int& seconds)
{
    seconds = qMax(0, seconds - 1);
    if (seconds >= 1 && seconds <= 5)
        ZUSound::getInstance()->playCountdown();
}

void ZUBaseExamSer::pauseExam()
{
    logState("enter pauseExam");
    if (m_state != 1) {
        qWarning() << "****the exam state is error";
        return;
    }
    m_state = 2;
    m_timer->stop();
    ZUSound::getInstance()->playSuspendAnswer();
}

bool ZUBaseExamSer::quitExam()
{
    logState("enter quitExam");
    if (m_state != 3)
        return m_state == 0;
    m_timer->stop();
    stopReceiver();
    m_examRow.endTime = nowText();
    // The writer keeps it, on the side record too, until the file has taken it whole; the teacher hears from it
    // only when the file does not take it at once.
    ZUExamSaveNotice::getInstance();
    TavWriteBehind::getInstance()->hand(TavWriteKinds::quiz(quizRows(), m_lessonUUID));
    m_state = 0;
    return true;
}

void ZUBaseExamSer::stopReceiver()
{
    if (ZUHdApi* api = ZUHdManager::getInstance()->currentApi())
        api->stopQuiz();
}
