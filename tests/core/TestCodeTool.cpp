#include "CodeTool.h"

#include <QTemporaryDir>
#include <QtTest>

class TestCodeTool : public QObject
{
    Q_OBJECT
private slots:
    void textHelpers_data();
    void textHelpers();
    void removeDirRecursively_data();
    void removeDirRecursively();
};

void TestCodeTool::textHelpers_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    const CodeTool* tool = CodeTool::getInstance();
    QTest::newRow("md5 of utf-8 bytes") << CodeTool::md5Hex(QStringLiteral("中")) << "aed1dfbc31703955e64806b799b67645";
    QTest::newRow("numerals of 10 differ from 1") << tool->toChineseNumerals(10) << QStringLiteral("一〇");
    QTest::newRow("numerals of 0") << tool->toChineseNumerals(0) << QStringLiteral("〇");
    QTest::newRow("numerals of every digit")
        << tool->toChineseNumerals(1234567890) << QStringLiteral("一二三四五六七八九〇");
    QTest::newRow("answer of no choice") << tool->sortedDistinctChars("") << "";
    QTest::newRow("answer DBAB") << tool->sortedDistinctChars("DBAB") << "ABD";
    QTest::newRow("answer keeps case apart") << tool->sortedDistinctChars("aA") << "Aa";
}

void TestCodeTool::textHelpers()
{
    QFETCH(QString, actual);
    QTEST(actual, "expected");
}

void TestCodeTool::removeDirRecursively_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("removeSelf");
    QTest::addColumn<bool>("folderLeft");
    QTest::addColumn<int>("entriesLeft");
    QTest::newRow("empties the folder") << "target" << false << true << 0;
    QTest::newRow("removes the folder") << "target" << true << false << 0;
    // An empty path would mean the current folder, usually the program directory.
    QTest::newRow("empty path does nothing") << "" << true << true << 3;
}

void TestCodeTool::removeDirRecursively()
{
    QFETCH(QString, folder);
    QFETCH(bool, removeSelf);
    QTemporaryDir tmp;
    QCOMPARE(CodeTool::ensureDir(tmp.filePath("target")), tmp.filePath("target/"));
    QVERIFY(QDir(tmp.filePath("target")).mkdir("sub") && QDir(tmp.path()).mkdir("outside"));
    for (const char* name : { "outside/precious.db", "target/sub/a.png" }) {
        QVERIFY(QFile(tmp.filePath(name)).open(QIODevice::WriteOnly));
    }
    // Links out of the folder go as links; what they point at stays.
    QVERIFY(QFile::link(tmp.filePath("outside"), tmp.filePath("target/dirLink")));
    QVERIFY(QFile::link(tmp.filePath("outside/precious.db"), tmp.filePath("target/fileLink")));

    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tmp.path()));
    CodeTool::removeDirRecursively(folder.isEmpty() ? folder : tmp.filePath(folder), removeSelf);
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(QFileInfo::exists(tmp.filePath("outside/precious.db")));
    QTEST(QFileInfo::exists(tmp.filePath("target")), "folderLeft");
    QTEST(QDir(tmp.filePath("target")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(),
          "entriesLeft");
}

QTEST_GUILESS_MAIN(TestCodeTool)
#include "TestCodeTool.moc"
