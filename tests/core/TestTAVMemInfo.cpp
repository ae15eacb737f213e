#include "TAVMemInfo.h"
#include "ZUSound.h"

#include <QtTest>

// The teacher state, and the event sounds its settings map switches.
class TestTAVMemInfo : public QObject
{
    Q_OBJECT
private slots:
    void sortedClasses_data();
    void sortedClasses();
    void soundFromSettings_data();
    void soundFromSettings();
};

void TestTAVMemInfo::sortedClasses_data()
{
    // (phase, grade, class number) of classes 1, 2, 3, ...
    QTest::addColumn<QVector<int>>("keys");
    QTest::addColumn<QList<int>>("classIds");
    QTest::newRow("smaller phase first") << QVector<int> { 3, 1, 1, 1, 9, 1, 2, 5, 1 } << QList<int> { 2, 3, 1 };
    QTest::newRow("larger grade first") << QVector<int> { 1, 7, 1, 1, 9, 2, 1, 8, 3 } << QList<int> { 2, 3, 1 };
    QTest::newRow("smaller class number first") << QVector<int> { 2, 3, 4, 2, 3, 1, 2, 3, 2 } << QList<int> { 2, 3, 1 };
}

void TestTAVMemInfo::sortedClasses()
{
    QFETCH(QVector<int>, keys);
    TAVMemInfo mem;
    for (int i = 0; i + 2 < keys.size(); i += 3) {
        ClassInfoRow& row = mem.classMap[i / 3 + 1];
        row.classID = i / 3 + 1;
        row.phase = keys.at(i);
        row.grade = keys.at(i + 1);
        row.classNum = keys.at(i + 2);
    }
    QList<int> ids;
    for (const ClassInfoRow& row : mem.sortedClasses()) {
        ids << row.classID;
    }
    QTEST(ids, "classIds");
}

void TestTAVMemInfo::soundFromSettings_data()
{
    QTest::addColumn<QString>("switchValue");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("plays");
    QTest::newRow("on") << "1" << QString("<file>") << true;
    QTest::newRow("off") << "0" << QString("<file>") << false;
    QTest::newRow("file missing") << "1" << QString("no-such.wav") << false;
    QTest::newRow("name leaving the folder") << "1" << QString("../sound/<file>") << false;
}

void TestTAVMemInfo::soundFromSettings()
{
    QFETCH(QString, switchValue);
    QFETCH(QString, fileName);
    QFETCH(bool, plays);
    // Sounds come from the "sound" folder beside the running executable.
    const QString dir = QCoreApplication::applicationDirPath() + "/sound";
    QFile sound(dir + QString("/tav-test-%1.wav").arg(QCoreApplication::applicationPid()));
    QVERIFY(QDir().mkpath(dir) && sound.open(QIODevice::WriteOnly));
    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    settings.insert("StopAnswerPlay", switchValue);
    settings.insert("StopAnswerSound", fileName.replace("<file>", QFileInfo(sound).fileName()));
    const QString path = ZUSound::getInstance()->soundFile("StopAnswerPlay", "StopAnswerSound");
    sound.remove();
    QCOMPARE(path, plays ? sound.fileName() : QString());
}

QTEST_GUILESS_MAIN(TestTAVMemInfo)
#include "TestTAVMemInfo.moc"
