#pragma once

#include <QList>
#include <QString>

// Lesson records written through the table classes the way the lesson screens write them.
namespace LessonFixture {

struct Lesson
{
    int recordID = -1;
    QList<int> signIDs;
    QList<int> interactIDs;
    QList<int> examIDs;
};

struct Shape
{
    int students = 2;
    int signIns = 1;
    int interactions = 1;
    int quizzes = 1;
    int items = 1;
    QString interactionAnswer = QStringLiteral("A");
};

QString studentID(int i);
// Opens a lesson, writes its activities and, when a name is given, ends it with that name.
Lesson makeLesson(const Shape& shape, const QString& endName = QString());

// Committed row count of a table.
int rows(const QString& table);
// Committed rows of one lesson record over all nine lesson tables.
int lessonRows(int recordID);

} // namespace LessonFixture
