#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

// Lesson records written through the table classes the way the lesson screens write them.
namespace LessonFixture {

const QString kTime = QStringLiteral("2024-09-01 10:00:00"); // of every row the fixture times itself

struct Lesson
{
    int recordID = -1;
};

struct Shape
{
    int students = 2, signIns = 1, interactions = 1, quizzes = 1, items = 1;
};

// Opens a lesson, writes its activities and, when a name is given, ends it with that name. With a start time
// the rows are timed as a real lesson from then on (sign-ins, an interaction a minute, 15-minute quizzes, each
// keypad at its own second); without one every row has kTime.
Lesson makeLesson(const Shape& shape, const QString& endName = QString(), const QDateTime& start = QDateTime());
// Committed count of "select count(*) from " + fromWhere.
int rows(const QString& fromWhere);
// Committed row counts of the nine lesson tables.
QVector<int> tableRows();

} // namespace LessonFixture
