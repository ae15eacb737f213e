#include "TAVMemInfo.h"
#include "ZUSound.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

// Which file each classroom event plays, and which switch silences it.
class TestZUSound : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void eachEventPlaysItsOwnSound_data();
    void eachEventPlaysItsOwnSound();

private:
    using Play = void (ZUSound::*)();
    // The file of the sound that play started, empty when none started.
    static QString played(Play play);

    QStringList m_files;
};

namespace {

// Event, its switch key and its file key, as the settings table names them.
struct Event
{
    const char* name;
    void (ZUSound::*play)();
    const char* switchKey;
    const char* fileKey;
};

const Event kEvents[] = {
    { "start interaction", &ZUSound::playStartInteraction, "StartInteractionPlay", "StartInteractionSound" },
    { "select function", &ZUSound::playSelectFunc, "SelectFuncPlay", "SelectFuncSound" },
    { "start answer", &ZUSound::playStartAnswer, "StartAnswerPlay", "StartAnswerSound" },
    { "countdown", &ZUSound::playCountdown, "CountdownPlay", "CountdownSound" },
    { "pause", &ZUSound::playSuspendAnswer, "SuspendAnswerPlay", "SuspendAnswerSound" },
    { "stop", &ZUSound::playStopAnswer, "StopAnswerPlay", "StopAnswerSound" },
    { "random pick", &ZUSound::playRandomSelection, "RandomSelectionPlay", "RandomSelectionSound" },
    { "binding success", &ZUSound::playBindingSuc, "BindingSucPlay", "BindingSucSound" },
};

} // namespace

void TestZUSound::initTestCase()
{
    // A file of its own for every event, in the "sound" folder beside the running executable.
    const QString dir = QCoreApplication::applicationDirPath() + "/sound";
    QVERIFY(QDir().mkpath(dir));
    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    for (const Event& event : kEvents) {
        const QString name = QString("tav-test-%1-%2.wav").arg(QCoreApplication::applicationPid()).arg(event.fileKey);
        QFile file(dir + "/" + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        m_files << file.fileName();
        settings.insert(event.fileKey, name);
    }
}

void TestZUSound::cleanupTestCase()
{
    for (const QString& file : qAsConst(m_files))
        QFile::remove(file);
}

QString TestZUSound::played(Play play)
{
    QString file;
    ZUSound::getInstance()->setPlayer([&file](const QString& path) { file = path; });
    (ZUSound::getInstance()->*play)();
    ZUSound::getInstance()->setPlayer(nullptr);
    return file;
}

void TestZUSound::eachEventPlaysItsOwnSound_data()
{
    QTest::addColumn<int>("event");
    for (int i = 0; i < int(sizeof kEvents / sizeof kEvents[0]); ++i)
        QTest::newRow(kEvents[i].name) << i;
}

void TestZUSound::eachEventPlaysItsOwnSound()
{
    QFETCH(int, event);
    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    for (const Event& each : kEvents)
        settings.insert(each.switchKey, "1");
    QCOMPARE(played(kEvents[event].play), m_files.at(event));

    // Its own switch silences it, and only it.
    settings.insert(kEvents[event].switchKey, "0");
    QCOMPARE(played(kEvents[event].play), QString());
    const int other = (event + 1) % int(sizeof kEvents / sizeof kEvents[0]);
    QCOMPARE(played(kEvents[other].play), m_files.at(other));
}

QTEST_MAIN(TestZUSound)
#include "TestZUSound.moc"
