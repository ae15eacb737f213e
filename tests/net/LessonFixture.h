#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVector>

// Lesson records written through the table classes the way the lesson screens write them.
namespace LessonFixture {

// The time the fixture gives every row it times itself.
const QString kTime = QStringLiteral("2024-09-01 10:00:00");

struct Lesson
{
    int recordID = -1;
    QList<int> signIDs;
};

struct Shape
{
    int students = 2;
    int signIns = 1;
    int interactions = 1;
    int quizzes = 1;
    int items = 1;
};

// Opens a lesson, writes its activities and, when a name is given, ends it with that name.
Lesson makeLesson(const Shape& shape, const QString& endName = QString());

// Committed count of "select count(*) from " + fromWhere.
int rows(const QString& fromWhere, const QVariantList& values = {});
// Committed row counts of the nine lesson tables.
QVector<int> tableRows();

} // namespace LessonFixture
