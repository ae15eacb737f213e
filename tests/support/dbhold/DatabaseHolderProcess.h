#pragma once

// Another program holding a database file (DatabaseHolder.cpp, a process of its own), from construction until
// release() or destruction:
//
//   DatabaseHolderProcess other(programDir + "/TAVSqlite.db", DatabaseHolderProcess::Write);
//   QVERIFY(other.isHeld());
#include <QProcess>
#include <QString>

class DatabaseHolderProcess
{
public:
    enum Hold { Write, Read };

    DatabaseHolderProcess(const QString& databaseFile, Hold hold)
    {
        m_child.start(QStringLiteral(TAV_DB_HOLDER_PATH),
                      { databaseFile, hold == Write ? QStringLiteral("write") : QStringLiteral("read") });
        // Bounded only against a hang: a loaded machine starts a process slowly, not wrongly.
        QByteArray out;
        while (!out.contains('\n') && m_child.waitForReadyRead(120000))
            out += m_child.readAll();
        m_held = out.startsWith("held");
    }
    ~DatabaseHolderProcess() { release(); }
    DatabaseHolderProcess(const DatabaseHolderProcess&) = delete;
    DatabaseHolderProcess& operator=(const DatabaseHolderProcess&) = delete;

    bool isHeld() const { return m_held; }

    // Ends the transaction and the process; the file is free when this returns.
    void release()
    {
        if (m_child.state() == QProcess::NotRunning)
            return;
        m_child.closeWriteChannel();
        if (!m_child.waitForFinished(120000))
            m_child.kill();
        m_child.waitForFinished(-1);
        m_held = false;
    }

private:
    QProcess m_child;
    bool m_held = false;
};
