#pragma once

// Databases of stored lessons, as a school whose web service was out of reach for weeks has them. For benchmarks
// that name tav_net_testsupport among their libraries.
#include "DbTestSupport.h"
#include "LessonFixture.h"

#include <cstdio>

namespace BenchLessons {

// A lesson of a class of 60: a sign-in, 20 interactions and two quizzes of 50 items, each answer with one history
// entry. 200 of them make a database of about 160 MB.
inline LessonFixture::Shape lessonShape()
{
    LessonFixture::Shape shape;
    shape.students = 60;
    shape.signIns = 1;
    shape.interactions = 20;
    shape.quizzes = 2;
    shape.items = 50;
    return shape;
}

// A new database in the program's place, with `stored` ended lessons and, last, one more; returns that lesson's
// id, or -1.
inline int writeStore(int stored)
{
    if (!DbTestSupport::freshDatabase())
        return -1;
    const QDateTime day(QDate(2024, 9, 2), QTime(8, 0));
    for (int i = 0; i < stored; ++i) {
        LessonFixture::makeLesson(lessonShape(), QStringLiteral("数学-初二(1)班-%1").arg(i), day.addDays(-stored + i));
        if ((i + 1) % 20 == 0) {
            std::printf("  %d of %d lessons written\n", i + 1, stored);
            std::fflush(stdout);
        }
    }
    return LessonFixture::makeLesson(lessonShape(), QStringLiteral("数学-初二(1)班-今天"), day).recordID;
}

} // namespace BenchLessons
