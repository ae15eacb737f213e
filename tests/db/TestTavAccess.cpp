#include "TavAccess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Read and write on the database file for every user who may enter the program directory.
class TestTavAccess : public QObject
{
    Q_OBJECT
private slots:
    void grantsWhoCanEnterTheFolder_data();
    void grantsWhoCanEnterTheFolder();
    void missingFileIsReported();
};

using P = QFile::Permission;

void TestTavAccess::grantsWhoCanEnterTheFolder_data()
{
    QTest::addColumn<int>("folder");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    const int rwx = P::ReadOwner | P::WriteOwner | P::ExeOwner;
    const int rw = P::ReadOwner | P::WriteOwner;
    const int group = P::ReadGroup | P::ExeGroup;
    const int others = P::ReadOther | P::ExeOther;
    const int rwGroup = P::ReadGroup | P::WriteGroup;
    const int rwOthers = P::ReadOther | P::WriteOther;
    QTest::newRow("everyone enters") << (rwx | group | others) << rw << (rw | rwGroup | rwOthers);
    QTest::newRow("owner only") << rwx << int(P::ReadOwner) << rw;
    QTest::newRow("owner and group") << (rwx | group) << rw << (rw | rwGroup);
    QTest::newRow("others may only pass") << (rwx | int(P::ExeOther)) << rw << (rw | rwOthers);
    QTest::newRow("execute bit kept") << rwx << (rw | int(P::ExeOwner)) << (rw | int(P::ExeOwner));
}

void TestTavAccess::grantsWhoCanEnterTheFolder()
{
    QFETCH(int, folder);
    QFETCH(int, before);
    QFETCH(int, after);
    QTemporaryDir root;
    const QString dir = root.filePath("bin");
    QVERIFY(QDir().mkdir(dir));
    const QString file = dir + "/TAVSqlite.db";
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(QFile::setPermissions(file, QFile::Permissions(before)));
    QVERIFY(QFile::setPermissions(dir, QFile::Permissions(folder)));

    QVERIFY(TavAccess::grantReadWrite(file));
    const int mask = 0x7077; // owner, group, others; not the bits of the calling user
    QCOMPARE(int(QFile::permissions(file)) & mask, after);
    QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestTavAccess::missingFileIsReported()
{
    QTemporaryDir root;
    QVERIFY(!TavAccess::grantReadWrite(root.filePath("TAVSqlite.db")));
    QVERIFY(!TavAccess::grantReadWrite(root.path()));
}

QTEST_APPLESS_MAIN(TestTavAccess)

#include "TestTavAccess.moc"
