// Builds the upload document of a large lesson (40 interactions x 60 students, 2 sign-ins, 3 quizzes of
// 60 students x 50 items, each answer with one history entry) and reports the time and the document's size.
// Run by hand: build/bench-bin/BenchUploadDocument [rounds]

#include "DbTestSupport.h"
#include "LessonFixture.h"
#include "TAVDatabase.h"
#include "TavStatement.h"
#include "Upload.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QCoreApplication app(c, v);
        const int rounds = c > 1 ? qMax(1, QString::fromLocal8Bit(v[1]).toInt()) : 10;
        if (!DbTestSupport::freshDatabase()) {
            std::fprintf(stderr, "cannot make the database\n");
            return 1;
        }
        LessonFixture::Shape shape;
        shape.students = 60;
        shape.signIns = 2;
        shape.interactions = 40;
        shape.quizzes = 3;
        shape.items = 50;
        QElapsedTimer clock;
        clock.start();
        const LessonFixture::Lesson lesson = LessonFixture::makeLesson(shape, QStringLiteral("数学-初二(1)班-大课"));
        std::printf("lesson written: %lld ms\n", static_cast<long long>(clock.elapsed()));

        TAVDatabase* database = TAVDatabase::getInstance();
        std::vector<double> build;
        std::vector<double> body;
        QString document;
        for (int r = 0; r < rounds; ++r) {
            QSqlDatabase db = database->getDbCon();
            clock.restart();
            document = Upload::getInstance()->getUploadData(db, lesson.recordID, false);
            build.push_back(clock.nsecsElapsed() / 1e6);
            database->closeDbCon(db);
            clock.restart();
            const QByteArray request = Upload::requestBody(document, QStringLiteral("1"));
            body.push_back(clock.nsecsElapsed() / 1e6);
            if (request.isEmpty())
                return 1;
        }
        std::sort(build.begin(), build.end());
        std::sort(body.begin(), body.end());
        std::printf("document: %d characters, %d bytes UTF-8\n", int(document.size()), int(document.toUtf8().size()));
        std::printf("getUploadData (read + build), %d rounds: median %.1f ms, min %.1f ms, max %.1f ms\n", rounds,
                    build[build.size() / 2], build.front(), build.back());
        std::printf("request body (sign + escape + UTF-8): median %.1f ms\n", body[body.size() / 2]);
        // The document is written as text; it must stay the text Qt's own writer gives for the same tree.
        const QJsonDocument parsed = QJsonDocument::fromJson(document.toUtf8());
        const bool sameText = QString::fromUtf8(parsed.toJson(QJsonDocument::Compact)) == document;
        std::printf("document is QJsonDocument's compact text of itself: %s\n", sameText ? "yes" : "NO");
        if (!sameText)
            return 1;

        // Most of the read time goes into turning stored times back into text, once per time column of a row.
        const QVariant stored(QStringLiteral("2024-09-01 10:00:00"));
        clock.restart();
        int length = 0;
        for (int i = 0; i < 100000; ++i)
            length += TavStatement::readTime(stored).size();
        std::printf("date-time read-back (TavStatement::readTime): %.1f us per value\n",
                    clock.nsecsElapsed() / 1e3 / 100000 + (length < 0 ? 1 : 0));
        return 0;
    });
}
