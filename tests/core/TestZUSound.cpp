#include "TAVMemInfo.h"
#include "ZUSound.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    void soundNameStaysInTheSoundFolder_data();
    void soundNameStaysInTheSoundFolder();
    void missingSoundOutputIsLoggedOnce();
    void withoutSoundOutputNothingReachesTheAudio();

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
    { "keypad took its number", &ZUSound::playISBinding, "ISBindingPlay", "ISBindingSound" },
    { "binding failed", &ZUSound::playBindingFai, "BindingfaiPlay", "BindingfaiSound" },
};

} // namespace

void TestZUSound::initTestCase()
{
    // Which file plays does not depend on the PC having a sound output.
    ZUSound::getInstance()->setOutputProbe([] { return true; });
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

// The file names come from the settings table, which a user may edit: none reaches outside the folder.
void TestZUSound::soundNameStaysInTheSoundFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("parent folder") << "..";
    QTest::newRow("file beside the folder") << "../outside.wav";
    QTest::newRow("absolute path") << QCoreApplication::applicationDirPath() + "/outside.wav";
    QTest::newRow("sub-folder") << "sub/inside.wav";
    QTest::newRow("empty") << "";
}

void TestZUSound::soundNameStaysInTheSoundFolder()
{
    QFETCH(QString, name);
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& file : { dir + "/outside.wav", dir + "/sound/sub/inside.wav" }) {
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    settings.insert("CountdownPlay", "1");
    const QString kept = settings.value("CountdownSound");
    settings.insert("CountdownSound", name);
    const QString file = played(&ZUSound::playCountdown);
    settings.insert("CountdownSound", kept);
    QFile::remove(dir + "/outside.wav");
    QDir(dir + "/sound/sub").removeRecursively();
    QCOMPARE(file, QString());
}

namespace {
QStringList g_warnings;
void keepWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg)
        g_warnings << message;
}
} // namespace

// A classroom PC without a sound server: the failure is in the log once, not once per sound.
void TestZUSound::missingSoundOutputIsLoggedOnce()
{
    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    settings.insert("CountdownPlay", "1");
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarnings);
    ZUSound::getInstance()->setOutputProbe(nullptr);
    for (int i = 0; i < 5; ++i)
        ZUSound::getInstance()->playCountdown(); // the real player
    qInstallMessageHandler(previous);
    ZUSound::getInstance()->setOutputProbe([] { return true; });
    for (const QString& kind : { QString("pa_context_connect"), QString("no sound output") })
        QVERIFY2(g_warnings.filter(kind).size() <= 1, qPrintable(g_warnings.join('\n')));
}

// Without a sound output no sound, of an event or of the listen button, reaches Qt's audio, which would try to
// connect anew and log a failure each time; the output is looked for once.
void TestZUSound::withoutSoundOutputNothingReachesTheAudio()
{
    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    for (const Event& event : kEvents)
        settings.insert(event.switchKey, "1");
    int looks = 0;
    QStringList played;
    ZUSound* sound = ZUSound::getInstance();
    sound->setOutputProbe([&looks] {
        ++looks;
        return false;
    });
    sound->setPlayer([&played](const QString& path) { played << path; });
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarnings);
    for (int round = 0; round < 3; ++round) {
        for (const Event& event : kEvents)
            (sound->*event.play)();
        sound->playFile(m_files.first());
    }
    qInstallMessageHandler(previous);
    sound->setPlayer(nullptr);
    sound->setOutputProbe([] { return true; });
    QCOMPARE(played, QStringList());
    QCOMPARE(looks, 1);
    QCOMPARE(g_warnings.filter("no sound output").size(), 1);
}

QTEST_MAIN(TestZUSound)
#include "TestZUSound.moc"
