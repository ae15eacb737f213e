#include "CodeTool.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList s_messages;

void captureMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    s_messages << message;
}

bool touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

} // namespace

class TestCodeTool : public QObject
{
    Q_OBJECT
private slots:
    void md5Hex_data();
    void md5Hex();
    void toChineseNumerals_data();
    void toChineseNumerals();
    void sortedDistinctChars_data();
    void sortedDistinctChars();
    void ensureDir_data();
    void ensureDir();
    void ensureDirDoesNotCreateParents();
    void removeDirEmptiesTree();
    void removeDirRemovesSelfWhenAsked();
    void removeDirDoesNotFollowLinks();
    void removeDirKeepsHiddenEntries();
    void removeDirOfEmptyPathDoesNothing();
    void logWithTimeAppendsTime();
};

void TestCodeTool::md5Hex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digest");

    QTest::newRow("empty") << ""
                           << "d41d8cd98f00b204e9800998ecf8427e";
    QTest::newRow("abc") << "abc"
                         << "900150983cd24fb0d6963f7d28e17f72";
    QTest::newRow("sentence") << "The quick brown fox jumps over the lazy dog"
                              << "9e107d9d372bb6826bd81d3542a419d6";
    QTest::newRow("chinese by utf-8 bytes") << QStringLiteral("中") << "aed1dfbc31703955e64806b799b67645";
    QTest::newRow("chinese words") << QStringLiteral("课间测") << "e5167c8a1da3ab5aeecf7ecd10be36d5";
}

void TestCodeTool::md5Hex()
{
    QFETCH(QString, text);
    QTEST(CodeTool::md5Hex(text), "digest");
}

void TestCodeTool::toChineseNumerals_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("numerals");

    QTest::newRow("3") << 3 << QStringLiteral("三");
    QTest::newRow("12") << 12 << QStringLiteral("一二");
    QTest::newRow("10 differs from 1") << 10 << QStringLiteral("一〇");
    QTest::newRow("105") << 105 << QStringLiteral("一〇五");
    QTest::newRow("0") << 0 << QStringLiteral("〇");
    QTest::newRow("every digit") << 1234567890 << QStringLiteral("一二三四五六七八九〇");
    QTest::newRow("minus sign dropped") << -7 << QStringLiteral("七");
}

void TestCodeTool::toChineseNumerals()
{
    QFETCH(int, n);
    QTEST(CodeTool::getInstance()->toChineseNumerals(n), "numerals");
}

void TestCodeTool::sortedDistinctChars_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("normal");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("one repeated") << "DDD"
                                  << "D";
    QTest::newRow("DBAB") << "DBAB"
                          << "ABD";
    QTest::newRow("ba") << "ba"
                        << "ab";
    QTest::newRow("case kept apart") << "aA"
                                     << "Aa";
    QTest::newRow("CAB") << "CAB"
                         << "ABC";
    QTest::newRow("ABCA") << "ABCA"
                          << "ABC";
    QTest::newRow("digits") << "3121"
                            << "123";
}

void TestCodeTool::sortedDistinctChars()
{
    QFETCH(QString, text);
    QTEST(CodeTool::getInstance()->sortedDistinctChars(text), "normal");
}

void TestCodeTool::ensureDir_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("existsBefore");

    QTest::newRow("existing") << "present" << true;
    QTest::newRow("existing with slash") << "present/" << true;
    QTest::newRow("missing") << "absent" << false;
}

void TestCodeTool::ensureDir()
{
    QFETCH(QString, relative);
    QFETCH(bool, existsBefore);
    QTemporaryDir tmp;
    QVERIFY(QDir(tmp.path()).mkdir("present"));
    const QString name = QString(relative).remove('/');
    QCOMPARE(QFileInfo::exists(tmp.filePath(name)), existsBefore);

    const QString result = CodeTool::ensureDir(tmp.path() + "/" + relative);
    QCOMPARE(result, QDir(tmp.path()).absolutePath() + "/" + name + "/");
    QVERIFY(QFileInfo(tmp.filePath(name)).isDir());
}

void TestCodeTool::ensureDirDoesNotCreateParents()
{
    QTemporaryDir tmp;
    const QString result = CodeTool::ensureDir(tmp.path() + "/a/b");
    QCOMPARE(result, QDir(tmp.path()).absolutePath() + "/a/b/");
    QVERIFY(!QFileInfo::exists(tmp.filePath("a")));
}

void TestCodeTool::removeDirEmptiesTree()
{
    QTemporaryDir tmp;
    QDir root(tmp.path());
    QVERIFY(root.mkpath("PaperData/q1/img"));
    QVERIFY(touch(tmp.filePath("PaperData/a.png")));
    QVERIFY(touch(tmp.filePath("PaperData/q1/b.png")));
    QVERIFY(touch(tmp.filePath("PaperData/q1/img/c.png")));

    CodeTool::removeDirRecursively(tmp.filePath("PaperData"), false);
    QVERIFY(QFileInfo(tmp.filePath("PaperData")).isDir());
    QVERIFY(
        QDir(tmp.filePath("PaperData")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

void TestCodeTool::removeDirRemovesSelfWhenAsked()
{
    QTemporaryDir tmp;
    QVERIFY(QDir(tmp.path()).mkpath("PaperData/q1"));
    QVERIFY(touch(tmp.filePath("PaperData/q1/b.png")));
    QVERIFY(touch(tmp.filePath("keep.txt")));

    CodeTool::removeDirRecursively(tmp.filePath("PaperData"), true);
    QVERIFY(!QFileInfo::exists(tmp.filePath("PaperData")));
    QVERIFY(QFileInfo::exists(tmp.filePath("keep.txt")));

    // A folder that is not there is no error.
    CodeTool::removeDirRecursively(tmp.filePath("PaperData"), true);
}

void TestCodeTool::removeDirDoesNotFollowLinks()
{
    QTemporaryDir tmp;
    QDir root(tmp.path());
    QVERIFY(root.mkpath("outside/deep"));
    QVERIFY(touch(tmp.filePath("outside/precious.db")));
    QVERIFY(touch(tmp.filePath("outside/deep/more.db")));
    QVERIFY(root.mkpath("target"));
    QVERIFY(QFile::link(tmp.filePath("outside"), tmp.filePath("target/dirLink")));
    QVERIFY(QFile::link(tmp.filePath("outside/precious.db"), tmp.filePath("target/fileLink")));

    CodeTool::removeDirRecursively(tmp.filePath("target"), true);
    QVERIFY(!QFileInfo::exists(tmp.filePath("target")));
    QVERIFY(QFileInfo::exists(tmp.filePath("outside/precious.db")));
    QVERIFY(QFileInfo::exists(tmp.filePath("outside/deep/more.db")));
}

void TestCodeTool::removeDirKeepsHiddenEntries()
{
    QTemporaryDir tmp;
    QVERIFY(QDir(tmp.path()).mkpath("target/sub"));
    QVERIFY(touch(tmp.filePath("target/sub/.hidden")));
    QVERIFY(touch(tmp.filePath("target/plain")));

    CodeTool::removeDirRecursively(tmp.filePath("target"), true);
    QVERIFY(QFileInfo::exists(tmp.filePath("target/sub/.hidden")));
    QVERIFY(!QFileInfo::exists(tmp.filePath("target/plain")));
}

void TestCodeTool::removeDirOfEmptyPathDoesNothing()
{
    QTemporaryDir tmp;
    QVERIFY(touch(tmp.filePath("TAVSqlite.db")));
    QVERIFY(QDir(tmp.path()).mkdir("sub"));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tmp.path()));
    CodeTool::removeDirRecursively(QString(), true);
    CodeTool::removeDirRecursively(QString(), false);
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(QFileInfo::exists(tmp.filePath("TAVSqlite.db")));
    QVERIFY(QFileInfo::exists(tmp.filePath("sub")));
}

void TestCodeTool::logWithTimeAppendsTime()
{
    s_messages.clear();
    QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    CodeTool::logWithTime("enter __answer");
    qInstallMessageHandler(previous);

    QCOMPARE(s_messages.size(), 1);
    const QRegularExpression pattern(R"(^enter __answer\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}$)");
    QVERIFY2(pattern.match(s_messages.first()).hasMatch(), qPrintable(s_messages.first()));
}

QTEST_GUILESS_MAIN(TestCodeTool)
#include "TestCodeTool.moc"
