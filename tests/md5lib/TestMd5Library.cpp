#include <QString>
#include <QtTest>

#include <dlfcn.h>

// Loads the delivered library the way an outside program would and calls its one export by its decorated name.
class TestMd5Library : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void digest_data();
    void digest();

private:
    using Md5Function = QString (*)(QString);
    void* m_handle = nullptr;
    Md5Function m_md5 = nullptr;
};

void TestMd5Library::initTestCase()
{
    const QByteArray path = QByteArray(TAV_BIN_DIR) + "/libZUTAVCommon.so";
    m_handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    QVERIFY2(m_handle, dlerror());
    // MD5Encryption(QString), decorated.
    m_md5 = reinterpret_cast<Md5Function>(dlsym(m_handle, "_Z13MD5Encryption7QString"));
    QVERIFY2(m_md5, dlerror());
    QVERIFY(!dlsym(m_handle, "MD5Encryption"));
}

void TestMd5Library::cleanupTestCase()
{
    if (m_handle) {
        dlclose(m_handle);
    }
}

void TestMd5Library::digest_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digest");

    QTest::newRow("empty text") << ""
                                << "d41d8cd98f00b204e9800998ecf8427e";
    QTest::newRow("one chinese character") << QStringLiteral("中") << "aed1dfbc31703955e64806b799b67645";
    QTest::newRow("ascii") << "abc"
                           << "900150983cd24fb0d6963f7d28e17f72";
    QTest::newRow("sign text") << QStringLiteral("password=e10adc3949ba59abbe56e057f20f883e&username=张老师&key")
                               << "e860d49f1c57a7cfcace6195721b6d2a";
}

void TestMd5Library::digest()
{
    QFETCH(QString, text);
    QFETCH(QString, digest);

    const QString result = m_md5(text);
    QCOMPARE(result.size(), 32);
    QVERIFY(QRegularExpression("^[0-9a-f]{32}$").match(result).hasMatch());
    QCOMPARE(result, digest);
}

QTEST_GUILESS_MAIN(TestMd5Library)
#include "TestMd5Library.moc"
