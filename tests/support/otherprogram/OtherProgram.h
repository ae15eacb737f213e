#pragma once

// Another program holding the database file, as a database browser left in a transaction does: a child process
// (the test program started again with --hold-file) in a write transaction (Write, BEGIN EXCLUSIVE: nobody reads
// or writes), one that has begun to write (Reserve, BEGIN IMMEDIATE: others read, nobody writes) or a read one
// (Read: others may write, nobody may commit), until release() or its end. The test's main hands the child's
// arguments to holdInChild().
#include "TAVDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QTest>

#include <cstdio>

class OtherProgram
{
public:
    enum Hold { Write, Reserve, Read };

    // Holds the file at the path; by default the database file of the test program's own directory.
    explicit OtherProgram(Hold hold, const QString& path = QString())
    {
        const char* const how[] = { "write", "reserve", "read" };
        QStringList arguments { QStringLiteral("--hold-file"), QLatin1String(how[hold]) };
        if (!path.isEmpty())
            arguments << path;
        m_child.start(QCoreApplication::applicationFilePath(), arguments);
        // The program under test goes on meanwhile, as it does while another program starts: its interface
        // thread's stillness is the program's, not this wait's.
        QByteArray out;
        (void)QTest::qWaitFor(
            [&] {
                out += m_child.readAll();
                return out.contains("held") || m_child.state() == QProcess::NotRunning;
            },
            30000);
        m_held = out.contains("held") && !out.contains("not held");
        m_since.start();
    }
    ~OtherProgram() { release(); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    bool isHeld() const { return m_held; }
    qint64 heldMs() const { return m_since.elapsed(); }
    void release()
    {
        if (m_child.state() == QProcess::NotRunning)
            return;
        m_child.write("\n");
        m_child.closeWriteChannel();
        if (!QTest::qWaitFor([this] { return m_child.state() == QProcess::NotRunning; }, 30000)) {
            m_child.kill();
            m_child.waitForFinished(30000);
        }
        m_held = false;
    }

    // True for the arguments the child is started with: "--hold-file", how, and perhaps the path.
    static bool isChild(int argc, char** argv) { return argc >= 3 && QByteArray(argv[1]) == "--hold-file"; }
    // In the child: takes the file, says so, and holds it until a line comes in; the process's exit code.
    static int holdInChild(int argc, char** argv)
    {
        return holdInChild(QString::fromLatin1(argv[2]),
                           argc > 3 ? QString::fromLocal8Bit(argv[3]) : TAVDatabase::databasePath());
    }
    static int holdInChild(const QString& how, const QString& path = TAVDatabase::databasePath())
    {
        int code = 0;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(path);
            QSqlQuery q(db);
            bool held = db.open();
            if (how == QLatin1String("write"))
                held = held && q.exec(QStringLiteral("BEGIN EXCLUSIVE"));
            else if (how == QLatin1String("reserve"))
                held = held && q.exec(QStringLiteral("BEGIN IMMEDIATE"));
            else
                held = held && q.exec(QStringLiteral("BEGIN"))
                    && q.exec(QStringLiteral("select count(*) from TAV_StuResult")) && q.next();
            std::puts(held ? "held" : "not held");
            std::fflush(stdout);
            std::getchar();
            q.finish();
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            code = held ? 0 : 1;
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        return code;
    }

private:
    QProcess m_child;
    QElapsedTimer m_since;
    bool m_held = false;
};
