#pragma once

#include "ExamInfoRow.h"
#include "OptionNamesInfo.h"
#include "PaperStructRecord.h"
#include "QuestionDetailRecord.h"
#include "QuestionRecord.h"
#include "QuestionStatInfo.h"
#include "QuizRows.h"
#include "StuRankingInfo.h"
#include "StudentAnswerRecord.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPixmap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QTimer;
struct StudentInfo;

// Common base of the two quiz services: the loaded paper (sections, questions, answer items and their
// pictures), every student's answer record, and what is computed from them: statistics, scores, ranking,
// the students behind each answer, and the rows saved for the upload.
//
// Two index spaces: the question index is a question's position in m_questionIDs; the item index is an
// answer item's position in m_relationIDs, which is its mcsn - 1 and its slot in every answer record.
class ZUBaseExamSer : public QObject
{
    Q_OBJECT
public:
    explicit ZUBaseExamSer(QObject* parent = nullptr);

    // The longest a paper may take to load, pictures and all.
    static constexpr int kPaperLoadMs = 60000;

    // Fetches the paper, checks the whole reply (a paper without questions or answer items is refused) and
    // fetches every picture, all within the load limit; the model and the answer records are replaced only
    // when all of it succeeded, so a failed load leaves the last paper as it was. goOn, when given, is asked
    // between the steps and while a picture arrives whether the load is still wanted; false gives it up. 0 or -1.
    int getPaperInfo(const QString& paperID, const std::function<bool()>& goOn = nullptr);
    void setLoadLimit(int ms) { m_loadLimitMs = ms; }

    // By question index.
    int getQuestionSnByQuestion(int question) const;
    // Section number in Chinese numerals + "." + section name.
    QString getSectionTitleByQuestion(int question) const;
    // Whether the keypads answer the question in multiple-choice mode.
    bool isMulByQID(int question) const;
    QPixmap getResolvePixmapByQuestion(int question) const;
    QPixmap getQuestionPixmapByQuestion(int question) const;
    // The right answers of the question's items; text becomes "1、A  2、BD  ...".
    QStringList getRightAnswerListByQuestion(int question, QString& text) const;
    // Adds subQuestionID -> mcsn of each of the question's items to items; returns its number of items.
    int optionCountFor(int question, QMap<int, int>& items) const;
    // The question's items, ascending by mcsn.
    QList<QuestionRecord> subQuestionsByQuestion(int question) const;
    int getQuestionCount() const { return m_questionCount; }

    // By item index.
    QuestionRecord getQuestionByQIndex(int item) const;
    QString getRightAnswerByQIndex(int item) const;
    QPixmap getQuestionPixmapByQIndex(int item) const;
    QPixmap getResolvePixmapByQIndex(int item) const;

    // A fresh record of m_totalQ items for every student of the class roster.
    void resetAnswerRecords();

    // Every student's answers to the question's items are forgotten, and their time on it.
    void __clearAnswerByQIndex(int question);
    // Fills the four counts of info.
    void questionStatistics(int item, QuestionStatInfo& info) const;
    // One row per item: most wrong first, then most unanswered, then by number. 0.
    int questionReport(QList<QuestionStatInfo>& rows) const;
    // Fills all but the name.
    void computeStudentScore(const QString& dovaneID, StuRankingInfo& info) const;
    // Appends one row per student: most right items first, then the shorter time. 0.
    int studentReport(QList<StuRankingInfo>& rows) const;
    // The students behind each answer of the item: "未作答", "其他" (beyond maxOptions, -1 for no limit),
    // then the answers from the fewest students to the most.
    QList<OptionNamesInfo> getAnswerNamesByQIndex(int item, int maxOptions) const;
    // Writes every student's summary, answers and answer histories under the quiz; nothing without a quiz
    // row (examID below 0). False at the first row that could not be written.
    bool saveExamStudents(QSqlDatabase db, int examID) const;
    bool saveStudentAnswers(QSqlDatabase db, const QString& dovaneID, const StudentAnswerRecord& record,
                            int examID) const;
    // The rows a quit saves: the quiz row as it stands and, per student in ascending dovaneID order, his time
    // and his answer to every item with its history.
    QuizRows quizRows() const;

    // The run of either service: keypads still answer while paused.
    void pauseExam();
    // Back to idle; a stopped quiz goes to the program's writer with every student's rows, to be written in one
    // transaction, now or, while the file cannot take it, as soon as it can. Never waits for the file. True when
    // idle afterwards.
    bool quitExam();
    // 0 idle, 1 running, 2 paused, 3 stopped.
    int state() const { return m_state; }
    const ExamInfoRow& examRow() const { return m_examRow; }

    // The model, replaced whole by getPaperInfo.
    QString m_paperID;
    QString m_replyPaperID;
    QMap<int, PaperStructRecord> m_structMap;
    QList<QString> m_relationIDs;
    QMap<QString, QuestionRecord> m_relationMap;
    QList<QString> m_questionIDs;
    QMap<QString, QuestionDetailRecord> m_detailMap;
    QMultiMap<QString, QuestionRecord> m_questionItems;
    QMap<QString, int> m_questionStruct;
    QMap<QString, int> m_questionSn;
    int m_totalQ = 0;
    int m_questionCount = 0;
    QMap<QString, StudentAnswerRecord> m_answerRecords;

protected:
    // What both quiz services do the same way.
    static QString nowText();
    // The current receiver's serial number; empty when there is none.
    static QString receiverSerial();
    // The student whose keypad sent the message; empty for a keypad of no student of the class, or a rush.
    static QString studentOfKeypad(const StudentInfo& stuInfo);
    // The longest keypad text that is taken as an answer.
    static constexpr int kLongestAnswer = 32;
    // What a keypad text answers: a number as keyed, otherwise its distinct characters in order; empty when
    // the text is empty or longer than kLongestAnswer.
    static QString keypadAnswer(const QString& data);
    // Files the keypad text, as keypadAnswer makes it, into slot of the student's record and gives the record
    // and the number of items it has answered; null when nothing was stored.
    StudentAnswerRecord* takeAnswer(const QString& dovaneID, int slot, const QString& data, int& answered);
    void logState(const char* operation) const;
    // The quiz row starts now, in the open lesson, on the loaded paper.
    void stampQuizStart();
    // Running: the countdown ticks once a second, and the start sound plays.
    void runCountdown();
    // A second less, never below 0, with the countdown sound over the last five.
    static void countDown(int& seconds);

    int m_state = 0;
    int m_loadLimitMs = kPaperLoadMs;
    QTimer* m_timer; // one second while running; each service connects it to its own tick
    ExamInfoRow m_examRow;
    QString m_lessonUUID; // of the lesson the quiz row belongs to

private:
    struct Paper;
    static bool readPaper(const QJsonObject& result, Paper& paper);
    static bool wanted(const std::function<bool()>& goOn);
    static QString itemRightAnswer(const QString& questionAnswer, int subQuestionID);
    QuizRows::Student studentRows(const QString& dovaneID, const StudentAnswerRecord& record) const;
    // The receiver ends answering, whatever the quiz does next.
    static void stopReceiver();
    static QPixmap picture(const QString& fileName);

    QuestionDetailRecord detailOf(int question) const;
    QVector<QuestionRecord> itemsInOrder() const;
    static void scoreRecord(const StudentAnswerRecord& record, const QVector<QuestionRecord>& items,
                            StuRankingInfo& info);
};
