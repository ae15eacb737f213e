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
    const int rwGroup = P::ReadGroup | P::WriteGroup;
    const int rwOthers = P::ReadOther | P::WriteOther;
    QTest::newRow("everyone enters") << (rwx | P::ReadGroup | P::ExeGroup | P::ReadOther | P::ExeOther) << rw
                                     << (rw | rwGroup | rwOthers);
    QTest::newRow("owner only") << rwx << int(P::ReadOwner) << rw;
    QTest::newRow("others may only pass") << (rwx | P::ExeOther) << rw << (rw | rwOthers);
    QTest::newRow("execute bit kept") << rwx << (rw | P::ExeOwner) << (rw | P::ExeOwner);
}

void TestTavAccess::grantsWhoCanEnterTheFolder()
{
    QFETCH(int, folder);
    QFETCH(int, before);
    QFETCH(int, after);
    QTemporaryDir root;
    const QString dir = root.filePath("bin");
    const QString file = dir + "/TAVSqlite.db";
    QFile f(file);
    QVERIFY(QDir().mkdir(dir) && f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(QFile::setPermissions(file, QFile::Permissions(before)));
    QVERIFY(QFile::setPermissions(dir, QFile::Permissions(folder)));
    QVERIFY(TavAccess::grantReadWrite(file));
    QCOMPARE(int(QFile::permissions(file)) & 0x7077, after); // not the bits of the calling user
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
