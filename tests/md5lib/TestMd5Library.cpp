#include <QtTest>

#include <dlfcn.h>

// Loads the delivered library as an outside program would and calls its one export by its decorated name.
class TestMd5Library : public QObject
{
    Q_OBJECT
private slots:
    void digest_data();
    void digest();
};

void TestMd5Library::digest_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digest");
    QTest::newRow("empty text") << QString() << "d41d8cd98f00b204e9800998ecf8427e";
    QTest::newRow("chinese character by its utf-8 bytes") << QStringLiteral("中") << "aed1dfbc31703955e64806b799b67645";
}

void TestMd5Library::digest()
{
    void* handle = dlopen(TAV_BIN_DIR "/libZUTAVCommon.so", RTLD_NOW | RTLD_LOCAL);
    QVERIFY2(handle, dlerror());
    // MD5Encryption(QString)
    auto md5 = reinterpret_cast<QString (*)(QString)>(dlsym(handle, "_Z13MD5Encryption7QString"));
    QVERIFY2(md5, dlerror());
    QFETCH(QString, text);
    QTEST(md5(text), "digest");
    dlclose(handle);
}

QTEST_GUILESS_MAIN(TestMd5Library)
#include "TestMd5Library.moc"
