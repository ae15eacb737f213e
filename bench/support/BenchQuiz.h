#pragma once

// A class and an all-at-once quiz's paper, loaded into the program's memory as the quiz benchmarks want them. For
// benchmarks that name tav_exam among their libraries.
#include "TAVMemInfo.h"
#include "ZUExamMem.h"
#include "ZUTeamExamSer.h"

#include <functional>

namespace BenchQuiz {

// A class of students 1 to n of class 101: student s has the id id(s), the name "学生s" and keypad s.
inline void useClass(int students, const std::function<QString(int)>& id)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->studentMap.clear();
    mem->studentList.clear();
    mem->snMap.clear();
    for (int s = 1; s <= students; ++s) {
        const StudentInfoRow row { id(s), 101, QStringLiteral("学生%1").arg(s), QString::number(s), {} };
        mem->studentList.append(row);
        mem->studentMap.insert(row.dovaneID, row);
        mem->snMap.insert(row.sn, row.dovaneID);
    }
}

// A paper of the given name with items answer items, two a question, right answer "A", loaded into the service for
// the class in memory: its answer records made anew and its time started.
inline void loadPaper(ZUTeamExamSer& ser, int items, const QString& name)
{
    ser.m_relationIDs.clear();
    ser.m_relationMap.clear();
    ser.m_questionItems.clear();
    ser.m_structMap.insert(1, { 1, QStringLiteral("单项选择题") });
    for (int i = 0; i < items; ++i) {
        const QString question = QStringLiteral("q%1").arg(i / 2);
        const QuestionRecord item {
            QStringLiteral("r%1").arg(i), "paper-1", question, i % 2 + 1, 1, i / 2 + 1, 100, "A", i + 1
        };
        ser.m_relationIDs.append(item.relationID);
        ser.m_relationMap.insert(item.relationID, item);
        ser.m_questionItems.insert(question, item);
    }
    ser.m_totalQ = items;
    ser.resetAnswerRecords();
    ZUExamMem* exam = ZUExamMem::getInstance();
    exam->m_examDuration = 1800;
    exam->m_questionNum = items / 2;
    exam->m_allScores = 5000;
    exam->m_paperName = name;
    exam->m_examSer = &ser;
    ser.resetExamTime();
}

} // namespace BenchQuiz
