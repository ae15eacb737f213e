#include "LogHandler.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

const QString kTimePattern = QStringLiteral(R"(\(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \S+\))");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Lines of the log without their CR LF ends; the text after the last CR LF must be empty.
QStringList logLines(const QString& path, bool* wellTerminated = nullptr)
{
    QStringList lines = QString::fromUtf8(readAll(path)).split("\r\n");
    const QString rest = lines.takeLast();
    if (wellTerminated) {
        *wellTerminated = rest.isEmpty();
    }
    return lines;
}

} // namespace

class TestLogHandler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void lineFormat_data();
    void lineFormat();
    void appendsOneLinePerMessage();
    void sizeLimit_data();
    void sizeLimit();
    void missingFolderDropsMessages();
    void twoThreadsWriteWholeLines();
    void logsAfterApplicationIsGone();

private:
    QTemporaryDir m_dir;
    QString m_log;
};

void TestLogHandler::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkdir("ErrorLog"));
    m_log = m_dir.filePath("ErrorLog/TAVLog.txt");
    installLogHandler(m_log);
    QCOMPARE(logFilePath(), m_log);
}

void TestLogHandler::init()
{
    QFile::remove(m_log);
}

void TestLogHandler::lineFormat_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("level");

    QTest::newRow("debug") << int(QtDebugMsg) << "Debug:";
    QTest::newRow("warning") << int(QtWarningMsg) << "Warning:";
    QTest::newRow("critical") << int(QtCriticalMsg) << "Critical:";
    QTest::newRow("fatal") << int(QtFatalMsg) << "Fatal:";
    QTest::newRow("info has no level") << int(QtInfoMsg) << "";
}

void TestLogHandler::lineFormat()
{
    QFETCH(int, type);
    QFETCH(QString, level);

    const QDateTime time(QDate(2024, 3, 5), QTime(14, 7, 9, 500));
    const QString day = QLocale::system().dayName(2, QLocale::ShortFormat);
    const QMessageLogContext withPlace("db/TAVDatabase.cpp", 42, "f", "default");
    QCOMPARE(formatLogLine(QtMsgType(type), withPlace, "****database error: x", time),
             QString("%1 File:(db/TAVDatabase.cpp) Line:(42) ****database error: x (2024-03-05 14:07:09 %2)")
                 .arg(level, day));
    const QMessageLogContext none;
    QCOMPARE(formatLogLine(QtMsgType(type), none, QStringLiteral("登录"), time),
             QString("%1 File:() Line:(0) 登录 (2024-03-05 14:07:09 %2)").arg(level, day));
}

void TestLogHandler::appendsOneLinePerMessage()
{
    qDebug() << "enter __checkTeacher";
    qWarning("****no receiver %d", 3);
    qDebug().noquote() << QStringLiteral("课间测");

    bool terminated = false;
    const QStringList lines = logLines(m_log, &terminated);
    QVERIFY(terminated);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(QRegularExpression(R"(^Debug: File:\(.*\) Line:\(\d+\) enter __checkTeacher )" + kTimePattern + "$")
                 .match(lines.at(0))
                 .hasMatch(),
             qPrintable(lines.at(0)));
    QVERIFY(lines.at(1).startsWith("Warning: "));
    QVERIFY(lines.at(1).contains(" ****no receiver 3 ("));
    QVERIFY(lines.at(2).contains(QStringLiteral(" 课间测 (")));
}

void TestLogHandler::sizeLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("emptied");

    QTest::newRow("just below the limit") << kTavLogMaxBytes - 1 << false;
    QTest::newRow("exactly the limit") << kTavLogMaxBytes << false;
    QTest::newRow("one byte over") << kTavLogMaxBytes + 1 << true;
    QTest::newRow("far over") << 3 * kTavLogMaxBytes << true;
}

void TestLogHandler::sizeLimit()
{
    QFETCH(qint64, size);
    QFETCH(bool, emptied);
    {
        QFile file(m_log);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(size));
    }
    qDebug() << "after the limit check";

    QByteArray tail = readAll(m_log).right(200);
    tail = tail.mid(tail.lastIndexOf('\0') + 1);
    const QString line = QString::fromUtf8(tail);
    QVERIFY(line.contains(" after the limit check ("));
    QVERIFY(line.endsWith(")\r\n"));
    const qint64 lineBytes = line.mid(line.lastIndexOf("Debug:")).toUtf8().size();
    QCOMPARE(QFileInfo(m_log).size(), emptied ? lineBytes : size + lineBytes);
}

void TestLogHandler::missingFolderDropsMessages()
{
    const QString missing = m_dir.filePath("NoLogFolder/TAVLog.txt");
    installLogHandler(missing);
    qWarning("****lost");
    installLogHandler(m_log);
    QVERIFY(!QFileInfo::exists(m_dir.filePath("NoLogFolder")));
    qDebug() << "kept";
    QCOMPARE(logLines(m_log).size(), 1);
}

void TestLogHandler::twoThreadsWriteWholeLines()
{
    const int perThread = 400;
    auto writer = [perThread](char letter) {
        const QString payload(300, QLatin1Char(letter));
        for (int i = 0; i < perThread; ++i) {
            qDebug().noquote() << QString("%1#%2#%3").arg(QLatin1Char(letter)).arg(i).arg(payload);
        }
    };
    std::unique_ptr<QThread> a(QThread::create(writer, 'A'));
    std::unique_ptr<QThread> b(QThread::create(writer, 'B'));
    a->start();
    b->start();
    QVERIFY(a->wait(30000));
    QVERIFY(b->wait(30000));

    bool terminated = false;
    const QStringList lines = logLines(m_log, &terminated);
    QVERIFY(terminated);
    QCOMPARE(lines.size(), 2 * perThread);
    const QRegularExpression whole(R"(^Debug: File:\(.*\) Line:\(\d+\) ([AB])#(\d+)#(A{300}|B{300}) )" + kTimePattern
                                   + "$");
    QMap<QString, int> next { { "A", 0 }, { "B", 0 } };
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = whole.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line.left(120)));
        const QString letter = match.captured(1);
        QCOMPARE(match.captured(3).at(0), letter.at(0));
        QCOMPARE(match.captured(2).toInt(), next[letter]++);
    }
}

void TestLogHandler::logsAfterApplicationIsGone()
{
    // Run in a child: it destroys its application object and then makes Qt warn about it.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { "--after-app", m_log });
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);

    const QStringList lines = logLines(m_log);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).contains(" while running ("));
    QVERIFY(lines.at(1).startsWith("Warning: "));
    QVERIFY(lines.at(1).contains("applicationDirPath"));
    QVERIFY(lines.at(2).contains(" after the application ("));
}

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--after-app") == 0) {
        auto* app = new QCoreApplication(argc, argv);
        installLogHandler(QString::fromLocal8Bit(argv[2]));
        qDebug() << "while running";
        delete app;
        QCoreApplication::applicationDirPath();
        qDebug() << "after the application";
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestLogHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestLogHandler.moc"
