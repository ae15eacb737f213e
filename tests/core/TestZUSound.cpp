#include "TAVMemInfo.h"
#include "ZUSound.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

QStringList s_messages;

void captureMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    s_messages << message;
}

} // namespace

// The sounds are looked up in the "sound" folder beside the running executable, so the test puts one file
// of its own there for its duration.
class TestZUSound : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void soundFile_data();
    void soundFile();
    void countdownOffLeavesOthersOn();
    void missingFilesPlaySilently();

private:
    QString m_soundDir;
    QString m_file;
    bool m_createdDir = false;
};

void TestZUSound::initTestCase()
{
    m_soundDir = QCoreApplication::applicationDirPath() + "/sound";
    if (!QFileInfo::exists(m_soundDir)) {
        QVERIFY(QDir().mkpath(m_soundDir));
        m_createdDir = true;
    }
    m_file = QString("tav-test-%1.wav").arg(QCoreApplication::applicationPid());
    QFile file(m_soundDir + "/" + m_file);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("RIFF");
}

void TestZUSound::cleanupTestCase()
{
    QFile::remove(m_soundDir + "/" + m_file);
    if (m_createdDir) {
        QDir().rmdir(m_soundDir);
    }
}

void TestZUSound::init()
{
    TAVMemInfo::getInstance()->configMap.clear();
}

void TestZUSound::soundFile_data()
{
    QTest::addColumn<QString>("switchValue");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("plays");

    QTest::newRow("on") << "1"
                        << "<file>" << true;
    QTest::newRow("off") << "0"
                         << "<file>" << false;
    QTest::newRow("switch missing") << "<none>"
                                    << "<file>" << false;
    QTest::newRow("switch not exactly 1") << "true"
                                          << "<file>" << false;
    QTest::newRow("file not in folder") << "1"
                                        << "no-such.wav" << false;
    QTest::newRow("empty file name") << "1"
                                     << "" << false;
    QTest::newRow("name leaving the folder") << "1"
                                             << "../sound/<file>" << false;
    QTest::newRow("absolute name") << "1"
                                   << "/<dir>/<file>" << false;
}

void TestZUSound::soundFile()
{
    QFETCH(QString, switchValue);
    QFETCH(QString, fileName);
    QFETCH(bool, plays);

    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    if (switchValue != "<none>") {
        settings.insert("StopAnswerPlay", switchValue);
    }
    settings.insert("StopAnswerSound", fileName.replace("<file>", m_file).replace("/<dir>", m_soundDir));

    const QString path = ZUSound::getInstance()->soundFile("StopAnswerPlay", "StopAnswerSound");
    QCOMPARE(path, plays ? m_soundDir + "/" + m_file : QString());
}

void TestZUSound::countdownOffLeavesOthersOn()
{
    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    const QStringList events { "StartInteraction", "SelectFunc", "StartAnswer",     "Countdown",
                               "SuspendAnswer",    "StopAnswer", "RandomSelection", "BindingSuc" };
    for (const QString& event : events) {
        settings.insert(event + "Play", event == "Countdown" ? "0" : "1");
        settings.insert(event + "Sound", m_file);
    }
    ZUSound* sound = ZUSound::getInstance();
    for (const QString& event : events) {
        const bool on = !sound->soundFile(event + "Play", event + "Sound").isEmpty();
        QCOMPARE(on, event != "Countdown");
    }
}

void TestZUSound::missingFilesPlaySilently()
{
    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    const QStringList events { "StartInteraction", "SelectFunc", "StartAnswer",     "Countdown",
                               "SuspendAnswer",    "StopAnswer", "RandomSelection", "BindingSuc" };
    for (const QString& event : events) {
        settings.insert(event + "Play", "1");
        settings.insert(event + "Sound", "missing-" + event + ".wav");
    }
    s_messages.clear();
    QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    ZUSound* sound = ZUSound::getInstance();
    sound->playStartInteraction();
    sound->playSelectFunc();
    sound->playStartAnswer();
    sound->playCountdown();
    sound->playSuspendAnswer();
    sound->playStopAnswer();
    sound->playRandomSelection();
    sound->playBindingSuc();
    qInstallMessageHandler(previous);
    QCOMPARE(s_messages, QStringList());
}

QTEST_MAIN(TestZUSound)
#include "TestZUSound.moc"
