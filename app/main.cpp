#include "AutoUploadThread.h"
#include "LogHandler.h"
#include "ScreenOpeners.h"
#include "StartUpMessage.h"
#include "TAVDatabase.h"
#include "TAVNetCheck.h"
#include "TAVPackageInstaller.h"
#include "TAV_AppInfo.h"
#include "TAV_Config.h"
#include "TavProxySetting.h"
#include "TavSingleInstance.h"
#include "WritesAtQuit.h"
#include "ZUFormFrame.h"
#include "ZUFreeStuList.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZULoginDlg.h"
#include "ZUMakePaper.h"
#include "ZUStartUpProcess.h"
#include "iniParse.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdlib>

void setupQssFile()
{
    QFile file(QDir::fromNativeSeparators(QCoreApplication::applicationDirPath() + "/ZUTAVApplication.qss"));
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    QByteArray sheet = file.readAll();
    const int nul = sheet.indexOf('\0');
    if (nul >= 0) {
        sheet.truncate(nul);
    }
    qApp->setStyleSheet(QString::fromLatin1(sheet));
    file.close();
}

namespace {

// The settings and then the application row into the teacher state; false when another program holds the file.
bool loadTeacherState(TAVDatabase* database)
{
    return database->readAtStart([](QSqlDatabase db) {
        TAV_Config::getInstance()->loadAll(db);
        TAV_AppInfo::getInstance()->loadAll(db);
    });
}

// The version check, then the automatic or manual login; false when the check started the updater, which
// refuses to work while this program holds the single-instance segment.
bool startLogin(ZULoginDlg& loginDlg)
{
    qDebug() << "startup";
    if (!ZUStartUpProcess::getInstance()->startUp())
        return false;
    loginDlg.startUp();
    return true;
}

// Another program held the file when the start came to it: once it is free, the start goes on from there, the
// login dialog up all along. It waits again if the other program takes the file back meanwhile.
void goOnWithTheFile(ZULoginDlg& loginDlg)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    qDebug() << "openLocalDb";
    if (database->openLocalDb() && loadTeacherState(database)) {
        if (!startLogin(loginDlg))
            QCoreApplication::exit(0);
        return;
    }
    if (database->fileInUse()) {
        database->fileCheck()->waitUntilFree(TAVDatabase::databasePath());
        return;
    }
    showStartUpMessage(QObject::tr("错误"), QObject::tr("数据库加载失败，请联系管理员"));
    QCoreApplication::exit(0);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installLogHandler();
    // An update a kill or a power loss cut off is finished or taken back before anything of the folder is used:
    // the program files, the single-instance check, the database. Finishing one records its version, through the
    // SQLite driver among the program's plug-ins.
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath() + "/plugins");
    TAVPackageInstaller::recoverUnfinished(QCoreApplication::applicationDirPath());
    // Qt's own dialogs (the folder chooser among them) speak the program's Chinese.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qt_zh_CN"), QLibraryInfo::location(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&qtTexts);
    }
    // The forms name the Windows UI font; here the CJK font installed with the program stands in for it.
    QFont::insertSubstitution(QStringLiteral("微软雅黑"), QStringLiteral("Noto Sans CJK SC"));
    // The relative "./plugins" reference resolves against the program directory.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    ZUFormFrame::usePictureFolder(QCoreApplication::applicationDirPath());

    qDebug() << "\n\n\n\n ***********Start ZUDUR-U4*************";
    qDebug() << "verify system semaphore";
    TavSingleInstance instance;
    if (!instance.acquire()) {
        showStartUpMessage(QObject::tr("消息"), QObject::tr("应用已启动，请退出应用后重试"));
        return 0;
    }

    qDebug() << "setupQssFile";
    setupQssFile();

    qDebug() << "load ini file";
    if (!iniParse::getInstance()->load()) {
        showStartUpMessage(QObject::tr("消息"), QObject::tr("未找到配置文件，请联系管理员"));
    }

    ZUHdManager::registerMetaTypes();

    qDebug() << "addLibraryPath";
    QCoreApplication::addLibraryPath("./plugins");

    qDebug() << "createDb";
    TAVDatabase* database = TAVDatabase::getInstance();
    database->createDb();
    qDebug() << "set Authority";
    database->setAuthority();
    qDebug() << "openLocalDb";
    // A file another program holds (a database browser left in a transaction) is not damaged: the start goes on
    // without it and waits for it with the login dialog up.
    bool fileReady = database->openLocalDb();
    if (!fileReady && !database->fileInUse()) {
        showStartUpMessage(QObject::tr("错误"), QObject::tr("数据库加载失败，请联系管理员"));
        return 0;
    }
    // The file is being read through meanwhile; a damaged one is refused before anything is written into it.
    // The verdict comes whenever the read-through ends, perhaps while a box waits for the teacher.
    database->setDamageHandler([&instance] {
        showStartUpMessage(QObject::tr("错误"), QObject::tr("数据库加载失败，请联系管理员"));
        AutoUploadThread::getInstance()->stop();
        instance.release();
        std::exit(0);
    });
    fileReady = fileReady && loadTeacherState(database);

    qDebug() << "initDevice";
    if (ZUHdApi* device = ZUHdManager::getInstance()->currentApi()) {
        device->initDevice();
    } else {
        qWarning() << "****no keypad device registered under the configured hdType";
    }

    qDebug() << "load ini file";
    // TAV_HTTP_PROXY lets the local web service stand in for the version service and the picture host too.
    TavProxySetting::apply();
    TAVNetCheck::getInstance()->findServer();

    qDebug() << "start auto thread";
    AutoUploadThread::getInstance()->start(QThread::InheritPriority);

    registerScreenOpeners();

    ZULoginDlg loginDlg;
    loginDlg.show();
    loginDlg.showProgressPanel();

    // Made before the teacher can open them; the start-up process sits below their libraries. The answered
    // list collects keypad messages from now on.
    ZUFreeStuList::getInstance();
    ZUMakePaper::getInstance();
    QObject::connect(database->fileCheck(), &TavFileCheck::free, &loginDlg, [&loginDlg] { goOnWithTheFile(loginDlg); });
    if (!fileReady) {
        database->fileCheck()->waitUntilFree(TAVDatabase::databasePath());
    } else if (!startLogin(loginDlg)) {
        database->fileCheck()->reset();
        AutoUploadThread::getInstance()->stop();
        database->closeLocalDb();
        instance.release();
        return 0;
    }

    WritesAtQuit::install(&app);
    const int exitCode = QApplication::exec();
    // A wait for the file or its read-through ends first: the upload thread may be waiting for the verdict. The
    // upload thread then ends after the cycle under way, so no transaction is cut off at exit.
    database->fileCheck()->reset();
    AutoUploadThread::getInstance()->stop();
    database->closeLocalDb();

    // Locals go in reverse order: the segment is detached and the semaphore dropped before the application.
    return exitCode;
}
