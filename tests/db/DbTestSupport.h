#pragma once

#include <QApplication>
#include <QSqlDatabase>
#include <QStringList>
#include <QTest>
#include <QVariantList>

#include <functional>

namespace DbTestSupport {

// The database file lies in the program directory, which every executable in tests-bin shares, so a test runs
// again from a private copy of itself in a temporary folder named "Übung", beside the build's pictures; body
// runs there, with the pictures found as start-up finds them. A style sheet that Qt cannot parse fails the test.
int runInPrivateDir(int argc, char** argv, const std::function<int(int, char**)>& body);

// A new file with schema and default rows, and the pool opened on it once it has been read through.
bool freshDatabase();
// As the program's quit does: the writer thread, when one was started, ends its writes before the program ends,
// so no write of it runs while the program's statics go.
void endWrites();
// Empties the teacher state members the table classes write.
void resetTeacherState();
// Run on a connection of their own, outside the pool, so they see what is committed.
QVariant committedValue(const QString& sql, const QVariantList& values = QVariantList());
bool runOutside(const QString& sql, const QVariantList& values = QVariantList());

// A lesson of the class, in subject 1, opened as the tool bar opens one, which the teacher state then holds: its id
// and UUID; an id of -1 when it could not be opened.
struct OpenedLesson
{
    int id = -1;
    QString uuid;
};
OpenedLesson openLessonOf(int classID, const QString& creator = QStringLiteral("t"));
// Waits until the program's writer has written, or set aside, all it was handed; false when it has not within
// 30 s.
bool writerIdle();

// What stands at a path, a link not followed: "link to " and its target, "folder", "file " and the bytes, or
// "nothing". Two calls compare equal when nothing there changed.
QByteArray whatStandsAt(const QString& path);

// Holds the database file's write lock, as another program writing to it would, from a connection of its own
// in the calling thread: while it lives (or until release()) every other connection finds the file locked.
class FileLock
{
public:
    FileLock();
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool isHeld() const { return m_held; }
    void release();

private:
    QString m_name;
    bool m_held = false;
};

// Collects log messages while it lives.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    QStringList lines() const;
    bool contains(const QString& text) const { return count(text) > 0; }
    int count(const QString& text) const { return lines().filter(text).size(); }
    void clear();
};

} // namespace DbTestSupport

// QTEST_MAIN for tests that use the database: they run from a private copy of the program directory.
#define TAV_DB_TEST_MAIN(TestClass)                                                                                    \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {                                        \
            QApplication app(c, v);                                                                                    \
            TestClass test;                                                                                            \
            const int failed = QTest::qExec(&test, c, v);                                                              \
            DbTestSupport::endWrites();                                                                                \
            return failed;                                                                                             \
        });                                                                                                            \
    }
