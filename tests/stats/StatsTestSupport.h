#pragma once

// A quiz as the result views get it, made in memory: a class of named students, a paper of questions with one
// or more answer items and their pictures in the program directory's "PaperData" folder, and the students'
// answers. The demo paper comes from the local web service's data file, with the pictures the build drew.
#include "TAVMemInfo.h"
#include "ZUBaseExamSer.h"
#include "ZUExamMem.h"
#include "ZUFormFrame.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

namespace StatsTestSupport {

struct Question
{
    QString id;
    int structID = 1;
    QString answer; // the items' right answers joined by "|"
    QString textPicture;
    QString resolvePicture;
    int scores = 100;
};

// The views find their pictures as in the program: named "images:..." or relative to the program directory,
// where the program runs.
inline void useProgramDir()
{
    QDir::setCurrent(QStringLiteral(TAV_BIN_DIR));
    ZUFormFrame::usePictureFolder(QStringLiteral(TAV_BIN_DIR));
}

inline QString studentID(int i)
{
    return QStringLiteral("2024%1").arg(i + 1, 4, 10, QLatin1Char('0'));
}

// Distinct names of two or three characters, the same for the same i.
inline QString studentName(int i)
{
    static const QString surnames = QStringLiteral("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗");
    static const QString given = QStringLiteral("伟芳娜敏静丽强磊军洋勇艳杰涛明超秀霞平刚桂英华玉兰萍建国红梅");
    const QString first = surnames.mid(i % surnames.size(), 1);
    const QString second = given.mid((i * 7) % given.size(), 1);
    return i % 3 == 2 ? first + second + given.mid((i * 3 + 5) % given.size(), 1) : first + second;
}

// The names of students first .. first + n - 1.
inline QStringList names(int n, int first = 0)
{
    QStringList list;
    for (int i = first; i < first + n; ++i)
        list << studentName(i);
    return list;
}

// The class of the teacher state: students 0 .. n-1.
inline void useClass(int students)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->studentList.clear();
    mem->studentMap.clear();
    for (int i = 0; i < students; ++i) {
        const StudentInfoRow row { studentID(i), 101, studentName(i), QString::number(i + 1), QString() };
        mem->studentList.append(row);
        mem->studentMap.insert(row.dovaneID, row);
    }
}

// The paper goes into ser as a loaded one, with a fresh answer record for every student of the class.
inline void loadPaper(ZUBaseExamSer& ser, const QList<Question>& questions, const QMap<int, QString>& sections)
{
    ser.m_structMap.clear();
    ser.m_relationIDs.clear();
    ser.m_relationMap.clear();
    ser.m_questionIDs.clear();
    ser.m_detailMap.clear();
    ser.m_questionItems.clear();
    ser.m_questionStruct.clear();
    ser.m_questionSn.clear();
    for (auto it = sections.constBegin(); it != sections.constEnd(); ++it)
        ser.m_structMap.insert(it.key(), { it.key(), it.value() });
    int mcsn = 0;
    for (int q = 0; q < questions.size(); ++q) {
        const Question& question = questions.at(q);
        const QStringList rights = question.answer.split('|');
        ser.m_questionIDs.append(question.id);
        ser.m_detailMap.insert(question.id,
                               { question.id, QString(), QString(), question.textPicture, question.resolvePicture,
                                 int(rights.size()), question.answer });
        ser.m_questionStruct.insert(question.id, question.structID);
        ser.m_questionSn.insert(question.id, q + 1);
        for (int k = 0; k < rights.size(); ++k) {
            ++mcsn;
            const QuestionRecord item { QStringLiteral("R%1").arg(mcsn),
                                        QStringLiteral("P1"),
                                        question.id,
                                        k + 1,
                                        question.structID,
                                        q + 1,
                                        question.scores,
                                        rights.at(k),
                                        mcsn };
            ser.m_relationIDs.append(item.relationID);
            ser.m_relationMap.insert(item.relationID, item);
            ser.m_questionItems.insert(question.id, item);
        }
    }
    ser.m_totalQ = mcsn;
    ser.m_questionCount = questions.size();
    ser.resetAnswerRecords();
    ZUExamMem::getInstance()->m_examSer = &ser;
}

inline void answer(ZUBaseExamSer& ser, int student, int item, const QString& text)
{
    int answered = 0;
    ser.m_answerRecords[studentID(student)].recordAnswer(item, text, answered);
}

// Copies a picture the build drew for the demo papers into the program directory's paper folder.
inline bool providePicture(const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/PaperData/");
    QDir().mkpath(folder);
    QFile::remove(folder + name);
    return QFile::copy(QStringLiteral(TAV_BIN_DIR "/webservice/paper/") + name, folder + name);
}

// The demo paper "一次函数单元小测" of the local web service: six questions, eight answer items.
inline bool loadDemoPaper(ZUBaseExamSer& ser)
{
    QFile file(QStringLiteral(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject paper = QJsonDocument::fromJson(file.readAll())["papers"].toArray().at(0).toObject();
    QMap<int, QString> sections;
    for (const QJsonValue& s : paper["sections"].toArray())
        sections.insert(s["structID"].toInt(), s["structName"].toString());
    QList<Question> questions;
    for (const QJsonValue& q : paper["questions"].toArray()) {
        const QString id = q["questionID"].toString();
        Question question { id,
                            q["structID"].toInt(),
                            q["answer"].toString(),
                            q["textPicture"].toString(id + "Text.png"),
                            q["resolvePicture"].toString(id + "Resolve.png"),
                            q["scores"].toInt() };
        if (!providePicture(question.textPicture) || !providePicture(question.resolvePicture))
            return false;
        questions.append(question);
    }
    loadPaper(ser, questions, sections);
    return true;
}

// A long paper of the demo's pictures: a question per item, every fifth question with two items.
inline bool loadLongPaper(ZUBaseExamSer& ser, int items)
{
    static const QStringList rights { "B", "C", "A", "AC", "D", "BCD" };
    QList<Question> questions;
    for (int i = 0; i < items;) {
        const int q = questions.size();
        const bool two = q % 5 == 4 && i + 1 < items;
        const QString answer = rights.at(q % rights.size()) + (two ? QStringLiteral("|B") : QString());
        questions.append({ QString::number(5001 + q), 1 + q % 3, answer, "1006Text.png", "1004Resolve.jpg", 100 });
        i += two ? 2 : 1;
    }
    if (!providePicture("1006Text.png") || !providePicture("1004Resolve.jpg"))
        return false;
    loadPaper(
        ser, questions,
        { { 1, QStringLiteral("单项选择题") }, { 2, QStringLiteral("多项选择题") }, { 3, QStringLiteral("综合题") } });
    return true;
}

// Every student answers as a class does: most items right, some wrong with a near miss, a few left out; two
// students answer nothing. Times of 5 to 15 minutes.
inline void answerLikeAClass(ZUBaseExamSer& ser, quint32 seed = 13)
{
    QRandomGenerator random(seed);
    const QStringList letters { "A", "B", "C", "D" };
    const int students = TAVMemInfo::getInstance()->studentList.size();
    for (int s = 0; s < students; ++s) {
        if (s % 29 == 28)
            continue;
        const double skill = 0.45 + 0.5 * random.generateDouble();
        for (int i = 0; i < ser.m_totalQ; ++i) {
            const QString right = ser.getRightAnswerByQIndex(i);
            const double roll = random.generateDouble();
            if (roll < 0.06)
                continue;
            QString given = right;
            if (roll > skill)
                given = right.size() > 1 ? right.left(1)
                                         : letters.at((letters.indexOf(right) + 1 + int(roll * 7) % 3) % 4);
            answer(ser, s, i, given);
        }
        ser.m_answerRecords[studentID(s)].setUsedTime(300 + int(random.bounded(600)));
    }
}

} // namespace StatsTestSupport
