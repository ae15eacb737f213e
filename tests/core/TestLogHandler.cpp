#include "LogHandler.h"

#include <QtTest>

#include <memory>

static QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TestLogHandler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void lineFormat_data();
    void lineFormat();
    void sizeLimit_data();
    void sizeLimit();
    void missingFolderIsNotCreated();
    void twoThreadsWriteWholeLines();
    void logsAfterApplicationIsGone();

private:
    QTemporaryDir m_dir;
    QString m_log = m_dir.filePath("ErrorLog/TAVLog.txt");
};

void TestLogHandler::initTestCase()
{
    QVERIFY(QDir(m_dir.path()).mkdir("ErrorLog"));
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
}

void TestLogHandler::lineFormat()
{
    QFETCH(int, type);
    QFETCH(QString, level);
    const QMessageLogContext context("db/a.cpp", 42, "f", "default");
    const QString line = formatLogLine(QtMsgType(type), context, QStringLiteral("登录"),
                                       QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9, 500)));
    const QString day = QLocale::system().dayName(2, QLocale::ShortFormat);
    QCOMPARE(line, level + " File:(db/a.cpp) Line:(42) 登录 (2024-03-05 14:07:09 " + day + ")");
}

void TestLogHandler::sizeLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("emptied");
    QTest::newRow("exactly the limit is kept") << kTavLogMaxBytes << false;
    QTest::newRow("one byte over is emptied") << kTavLogMaxBytes + 1 << true;
}

void TestLogHandler::sizeLimit()
{
    QFETCH(qint64, size);
    QFETCH(bool, emptied);
    QFile file(m_log);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
    file.close();
    qDebug() << "after the limit check";
    const QByteArray line = readAll(m_log).mid(emptied ? 0 : size);
    QVERIFY2(line.startsWith("Debug: ") && line.endsWith(")\r\n") && line.count('\n') == 1, line.left(100).constData());
}

void TestLogHandler::missingFolderIsNotCreated()
{
    installLogHandler(m_dir.filePath("NoLogFolder/TAVLog.txt"));
    qWarning("****lost");
    installLogHandler(m_log);
    QVERIFY(!QFileInfo::exists(m_dir.filePath("NoLogFolder")));
}

void TestLogHandler::twoThreadsWriteWholeLines()
{
    auto writer = [](char c) {
        for (int i = 0; i < 400; ++i) {
            qDebug().noquote() << QString("%1#%2#%3").arg(QLatin1Char(c)).arg(i).arg(QString(300, QLatin1Char(c)));
        }
    };
    std::unique_ptr<QThread> a(QThread::create(writer, 'A'));
    std::unique_ptr<QThread> b(QThread::create(writer, 'B'));
    a->start();
    b->start();
    QVERIFY(a->wait(30000) && b->wait(30000));

    QStringList lines = QString::fromUtf8(readAll(m_log)).split("\r\n");
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(lines.size(), 800);
    const QRegularExpression whole(
        R"(^Debug: File:\(.*\) Line:\(\d+\) (A|B)#(\d+)#\1{300} \(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \S+\)$)");
    QMap<QString, int> next;
    for (const QString& line : qAsConst(lines)) {
        const QRegularExpressionMatch match = whole.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line.left(120)));
        QCOMPARE(match.captured(2).toInt(), next[match.captured(1)]++);
    }
}

void TestLogHandler::logsAfterApplicationIsGone()
{
    // The path is fixed at install: asking for it without an application object makes Qt warn from inside.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { "--after-app", m_log });
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(readAll(m_log)).split("\r\n");
    QCOMPARE(lines.size(), 4);
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
