#pragma once

// Another program holding the database file, as a database browser left in a transaction does: a child process
// (this test program started again with --hold-file) in a write transaction (BEGIN EXCLUSIVE: nobody reads or
// writes) or a read one (others may write, nobody may commit), until release() or its end. The test's main()
// runs childPart() first.
#include "TAVDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

class OtherProgram
{
public:
    enum Hold { Write, Read };

    explicit OtherProgram(Hold hold)
    {
        m_child.start(QCoreApplication::applicationFilePath(),
                      { "--hold-file", hold == Write ? QStringLiteral("write") : QStringLiteral("read") });
        QByteArray out;
        while (!out.contains("held") && m_child.waitForReadyRead(30000))
            out += m_child.readAll();
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
        if (!m_child.waitForFinished(30000))
            m_child.kill();
        m_held = false;
    }

    // In main(): when this run is the child, its part and exit code; -1 otherwise.
    static int childPart(int argc, char** argv)
    {
        if (argc == 3 && QByteArray(argv[1]) == "--hold-file")
            return holdInChild(QString::fromLatin1(argv[2]));
        return -1;
    }

    // In the child: takes the file, says so, and holds it until a line comes in; the process's exit code.
    static int holdInChild(const QString& how)
    {
        int code = 0;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(TAVDatabase::databasePath());
            QSqlQuery q(db);
            const bool held = db.open()
                && (how == QLatin1String("write") ? q.exec(QStringLiteral("BEGIN EXCLUSIVE"))
                                                  : q.exec(QStringLiteral("BEGIN"))
                            && q.exec(QStringLiteral("select count(*) from TAV_StuResult")) && q.next());
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
