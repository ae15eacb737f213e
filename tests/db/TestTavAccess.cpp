#include "TavAccess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using P = QFile::Permission;

// Read and write on the database file for every user who may enter the program directory.
class TestTavAccess : public QObject
{
    Q_OBJECT
private slots:
    void grantsWhoCanEnterTheFolder_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        const int rwx = P::ReadOwner | P::WriteOwner | P::ExeOwner;
        const int rw = P::ReadOwner | P::WriteOwner;
        const int rwAll = rw | P::ReadGroup | P::WriteGroup | P::ReadOther | P::WriteOther;
        QTest::newRow("everyone enters") << (rwx | P::ReadGroup | P::ExeGroup | P::ReadOther | P::ExeOther) << rw
                                         << rwAll;
        QTest::newRow("owner only") << rwx << int(P::ReadOwner) << rw;
        QTest::newRow("others may only pass") << (rwx | P::ExeOther) << rw << (rw | P::ReadOther | P::WriteOther);
        QTest::newRow("execute bit kept") << rwx << (rw | P::ExeOwner) << (rw | P::ExeOwner);
    }

    void grantsWhoCanEnterTheFolder()
    {
        QFETCH(int, folder);
        QFETCH(int, before);
        QFETCH(int, after);
        QTemporaryDir root;
        const QString dir = root.filePath("bin");
        QFile file(dir + "/TAVSqlite.db");
        QVERIFY(QDir().mkdir(dir) && file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(file.setPermissions(QFile::Permissions(before)));
        QVERIFY(QFile::setPermissions(dir, QFile::Permissions(folder)));
        QVERIFY(TavAccess::grantReadWrite(file.fileName()));
        QCOMPARE(int(file.permissions()) & 0x7077, after); // not the bits of the calling user
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void missingFileIsReported()
    {
        QTemporaryDir root;
        QVERIFY(!TavAccess::grantReadWrite(root.filePath("TAVSqlite.db")));
        QVERIFY(!TavAccess::grantReadWrite(root.path()));
    }
};

QTEST_APPLESS_MAIN(TestTavAccess)

#include "TestTavAccess.moc"
