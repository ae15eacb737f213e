#include "ZUTAVUpdate.h"
#include "ui_ZUTAVUpdate.h"

#include "CodeTool.h"
#include "Lib7z.h"
#include "TAVPackageInstaller.h"
#include "TavProxySetting.h"
#include "TavReplyLimit.h"
#include "TavSingleInstance.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

const char* const ZUTAVUpdate::kVersionServer = "http://version.dovane.cn";
const char* const ZUTAVUpdate::kSignKey = "7e3a90c41bd8f25a06c9e1b47d2f8a53";

namespace {

const int kInstanceRetryMs = 250;
const int kInstanceWaitMs = 10000;
const int kMaxVersionLength = 64;

// The main program starts the updater and only then ends: in update mode its segment may still be there
// for a moment, so the check is repeated for a while before giving up.
bool takeInstance(TavSingleInstance& instance, bool updateMode)
{
    if (instance.acquire())
        return true;
    if (!updateMode)
        return false;
    const QDeadlineTimer deadline(kInstanceWaitMs);
    while (!deadline.hasExpired()) {
        QEventLoop pause;
        QTimer::singleShot(kInstanceRetryMs, &pause, &QEventLoop::quit);
        pause.exec();
        if (instance.acquire())
            return true;
    }
    return false;
}

} // namespace

ZUTAVUpdate::ZUTAVUpdate(const QString& programDir)
    : QDialog(nullptr)
    , ui(new Ui::ZUTAVUpdateDialog)
    , m_programDir(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir)
{
    ui->setupUi(this);
    setWindowFlags(Qt::WindowMinimizeButtonHint);
    m_manager = new QNetworkAccessManager(this);
    m_versionTimer = new QTimer(this);
    m_versionTimer->setSingleShot(true);
    connect(m_versionTimer, &QTimer::timeout, this, [this] {
        if (m_versionReply) {
            qWarning() << "****version request timed out, abort reply";
            m_versionReply->abort();
        }
    });
    Lib7z::init();
    m_installer = new TAVPackageInstaller(this);
    connect(m_installer, &TAVPackageInstaller::progress, this,
            [this](qint64 bytes, qint64 totalBytes) { showProgress(tr("Unpacking "), bytes, totalBytes); });
    connect(m_installer, &TAVPackageInstaller::finished, this, &ZUTAVUpdate::__installFinished);
}

ZUTAVUpdate::~ZUTAVUpdate()
{
    delete m_reply;
    delete m_versionReply;
    delete m_archive;
    delete m_manager;
    delete ui;
}

int ZUTAVUpdate::run(int argc, char** argv, const QString& programDir)
{
    const QString dir = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    // An update a kill or a power loss cut off is finished or taken back before anything reads the folder.
    const TAVPackageInstaller::Recovery earlier = TAVPackageInstaller::recoverUnfinished(dir);
    QTranslator qtTranslator;
    QTranslator updateTranslator;
    if (QLocale::system().language() == QLocale::Chinese) {
        if (loadQtTranslation(qtTranslator, dir))
            QCoreApplication::installTranslator(&qtTranslator);
        if (updateTranslator.load(QDir::fromNativeSeparators(dir + "/language/zh_CN/ZUTAVUpdate_zh_CN.qm")))
            QCoreApplication::installTranslator(&updateTranslator);
    }
    TavProxySetting::apply();

    qDebug() << "verify system semaphore";
    TavSingleInstance instance;
    if (!takeInstance(instance, argc >= 3)) {
        showMessage(QMessageBox::Warning, QObject::tr("Warning"),
                    QObject::tr("Application has been started.Please exit current application and try again."), false);
        return 0;
    }
    ZUTAVUpdate updater(dir);
    updater.setSingleInstance(&instance);
    updater.setEarlierUpdate(earlier);
    updater.start(argc, argv);
    return QApplication::exec();
}

bool ZUTAVUpdate::loadQtTranslation(QTranslator& translator, const QString& programDir)
{
    // Qt's catalogue pulls in the files of its modules from beside it: a copy without them does not load.
    return translator.load(QDir::fromNativeSeparators(programDir + "/language/zh_CN/qt_zh_CN.qm"))
        || translator.load(QStringLiteral("qt_zh_CN"), QLibraryInfo::location(QLibraryInfo::TranslationsPath));
}

void ZUTAVUpdate::start(int argc, char** argv)
{
    if (m_earlier != TAVPackageInstaller::Recovery::InOrder) {
        m_manualMode = argc < 3;
        refuseUpdate();
        return;
    }
    if (argc < 3) {
        qDebug() << "enter ZUTAVUpdate start: manual mode";
        connect(m_manager, &QNetworkAccessManager::finished, this, &ZUTAVUpdate::RequestNewestVersion);
        const QString query
            = "name=dovane_pctavclient&platform=PC&version=" + localVersion() + "&" + QLatin1String(kSignKey);
        const QUrl url(QLatin1String(kVersionServer) + "/bizserver/version/get?" + query + "&sign=" + sign(query));
        m_versionReply = m_manager->get(TavReplyLimit::plainRequest(url));
        new TavReplyLimit(m_versionReply, kMaxVersionReplyBytes);
        m_versionTimer->start(m_versionTimeout);
        m_manualMode = true;
        return;
    }
    qDebug() << "enter ZUTAVUpdate start: update mode";
    m_manualMode = false;
    const QString version = QString::fromLocal8Bit(argv[2]);
    if (!isSafeVersion(version)) {
        qWarning() << "****refused the version text" << version;
        failDownload();
        return;
    }
    m_version = version;
    m_archivePath = m_programDir + "/TAVUpdate" + m_version + ".7z";
    DownloadFile();
    requestPackage(QString::fromLocal8Bit(argv[1]));
}

QString ZUTAVUpdate::sign(const QString& text)
{
    return CodeTool::md5Hex(text);
}

void ZUTAVUpdate::parseVersion(const QString& text, QMap<QString, QString>& values, bool& forceUpdate)
{
    values.clear();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return;
    const QJsonObject result = document.object().value("result").toObject();
    values.insert("version", result.value("version").toString());
    values.insert("url", result.value("url").toString());
    forceUpdate = result.value("forceupdate").toBool(false);
}

void ZUTAVUpdate::compareVersion(const QString& local, const QString& server, bool& upToDate)
{
    if (local.size() < 5) {
        upToDate = false;
        return;
    }
    if (server.isEmpty()) {
        upToDate = true;
        return;
    }
    const QStringList localParts = local.split('.', Qt::SkipEmptyParts);
    if (localParts.size() < 3)
        return;
    const QStringList serverParts = server.split('.', Qt::SkipEmptyParts);
    if (serverParts.size() < 3) {
        upToDate = false;
        return;
    }
    const auto value = [](const QStringList& parts) {
        return parts.at(0).toLongLong() * 100000 + parts.at(1).toLongLong() * 100 + parts.at(2).toLongLong();
    };
    upToDate = value(localParts) >= value(serverParts);
}

bool ZUTAVUpdate::isSafeVersion(const QString& version)
{
    if (version.isEmpty() || version.size() > kMaxVersionLength || version.contains(QLatin1String("..")))
        return false;
    for (const QChar c : version) {
        const ushort u = c.unicode();
        const bool allowed = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '.'
            || u == '_' || u == '-';
        if (!allowed)
            return false;
    }
    return true;
}

void ZUTAVUpdate::setVersionTimeout(int milliseconds)
{
    m_versionTimeout = milliseconds;
}

void ZUTAVUpdate::setSingleInstance(TavSingleInstance* instance)
{
    m_instance = instance;
}

void ZUTAVUpdate::RequestNewestVersion(QNetworkReply* version_reply)
{
    disconnect(m_manager, &QNetworkAccessManager::finished, this, &ZUTAVUpdate::RequestNewestVersion);
    m_versionTimer->stop();
    if (version_reply == m_versionReply)
        m_versionReply = nullptr;
    auto* limit = TavReplyLimit::of(version_reply);
    QString body;
    if (limit) {
        limit->takeAvailable();
        if (limit->exceeded())
            qWarning().noquote() << "****the version reply is refused, " + limit->refusal();
        // A reply given up at its time-out keeps its headers' status: a cut body is no answer.
        else if (version_reply->error() == QNetworkReply::NoError)
            body = QString::fromUtf8(limit->body());
    }
    version_reply->deleteLater();
    if (body.isEmpty()) {
        qWarning() << "****no answer from the version service:" << version_reply->errorString();
        showMessage(QMessageBox::Warning, tr("Warning"),
                    tr("Internet connection lost,Please check internet connection!"), false);
        quitLater();
        return;
    }
    QMap<QString, QString> values;
    bool forceUpdate = false;
    parseVersion(body, values, forceUpdate);
    const QString server = values.value("version");
    const QString local = localVersion();
    qDebug() << "the local version is:" << local << "the server version is:" << server;
    bool upToDate = false;
    compareVersion(local, server, upToDate);
    if (upToDate) {
        showMessage(QMessageBox::Warning, tr("Information"),
                    tr("The TAV application is the latest version,do not need to update."), true);
        quitLater();
        return;
    }
    if (!isSafeVersion(server)) {
        qWarning() << "****refused the version text" << server;
        failDownload();
        return;
    }
    m_version = server;
    m_archivePath = m_programDir + "/TAVUpdate" + m_version + ".7z";
    DownloadFile();
    requestPackage(values.value("url"));
}

void ZUTAVUpdate::DownloadFile()
{
    delete m_archive;
    m_archive = new QFile(m_archivePath);
    if (!m_archive->open(QIODevice::WriteOnly | QIODevice::Truncate))
        qWarning() << "****cannot open the package file" << m_archivePath << m_archive->errorString();
}

void ZUTAVUpdate::HttpFinished()
{
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    auto* limit = TavReplyLimit::of(reply);
    limit->takeAvailable();
    bool written = !limit->sinkFailed();
    if (m_archive) {
        written = m_archive->flush() && written;
        m_archive->close();
    }
    if (!limit->refusal().isEmpty())
        qWarning().noquote() << "****the package download is given up, " + limit->refusal();
    const bool failed = reply->error() != QNetworkReply::NoError || !limit->refusal().isEmpty() || !written;
    if (failed)
        QFile::remove(m_archivePath);
    reply->deleteLater();
    m_reply = nullptr;
    delete m_archive;
    m_archive = nullptr;
    if (failed) {
        qWarning() << "****package download failed:" << reply->errorString();
        failDownload();
        return;
    }

    m_installer->setVersion(m_version);
    m_installer->start(m_archivePath, m_programDir);
}

void ZUTAVUpdate::__installFinished(bool installed, const QString& error)
{
    if (!installed) {
        // Nothing of the installation was replaced: the teacher gets the old program back.
        qWarning() << "****package extraction failed:" << m_archivePath << error;
        failDownload();
        return;
    }
    // The version was recorded and the package removed in the step that made the install whole.
    hide();
    if (m_manualMode) {
        showMessage(QMessageBox::Information, tr("Information"), tr("Update done."), false);
    } else {
        showMessage(QMessageBox::Information, tr("Information"), tr("Update done, application will be restarted."),
                    true);
        restartProgram();
    }
    quitLater();
}

void ZUTAVUpdate::HttpReadyRead()
{
    if (auto* limit = TavReplyLimit::of(m_reply))
        limit->takeAvailable();
}

void ZUTAVUpdate::UpdateDataReadProgress(qlonglong bytesRead, qlonglong totalBytes)
{
    showProgress(tr("Downloading "), bytesRead, totalBytes);
}

void ZUTAVUpdate::reject()
{
    cancelDownload();
}

void ZUTAVUpdate::closeEvent(QCloseEvent* event)
{
    event->ignore();
    cancelDownload();
}

void ZUTAVUpdate::showProgress(const QString& prefix, qint64 done, qint64 total)
{
    ui->ProgressLabel->setText(prefix + QString("%1KB / %2KB").arg(done / 1024).arg(total / 1024));
    if (total <= 0) {
        // Unknown length: a busy bar.
        ui->DownloadProgressBar->setRange(0, 0);
        return;
    }
    // The bar counts in int: beyond that it counts kilobytes.
    const qint64 unit = total > INT_MAX ? 1024 : 1;
    ui->DownloadProgressBar->setRange(0, int(total / unit));
    ui->DownloadProgressBar->setValue(int(qBound<qint64>(0, done, total) / unit));
}

bool ZUTAVUpdate::openDatabase() const
{
    // Opening a missing file through the driver would create an empty one, which the main program would
    // then take for its database.
    const QString path = QDir::toNativeSeparators(m_programDir + "/TAVSqlite.db");
    if (!QFileInfo(path).isFile())
        return false;
    QSqlDatabase db = QSqlDatabase::contains()
        ? QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false)
        : QSqlDatabase::addDatabase("QSQLITE");
    db.close();
    db.setDatabaseName(path);
    db.setUserName("admin");
    db.setPassword("qx7dorn#");
    if (!db.open()) {
        qWarning() << "****database error: " << db.lastError().text();
        return false;
    }
    return true;
}

QString ZUTAVUpdate::localVersion() const
{
    if (!openDatabase())
        return QString();
    QString version;
    {
        const QString sql = QStringLiteral("SELECT version FROM TAV_AppInfo");
        QSqlQuery query(QSqlDatabase::database());
        if (query.exec(sql)) {
            while (query.next())
                version = query.value(0).toString();
        } else {
            qWarning() << "****database error: " << query.lastError().text();
            qWarning() << "****the sql is: " << sql;
        }
    }
    QSqlDatabase::database().close();
    return version;
}

void ZUTAVUpdate::requestPackage(const QString& url)
{
    qDebug() << "download the package" << url;
    // Only a package from a web server: a file: address would install whatever lies on this PC.
    const QUrl address(url);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || address.host().isEmpty()) {
        qWarning() << "****refused the package address" << url;
        failDownload();
        return;
    }
    m_reply = m_manager->get(TavReplyLimit::plainRequest(address));
    // The package goes into its file as it comes, never past the size a package may unpack to.
    new TavReplyLimit(m_reply, m_packageLimit, [this](const QByteArray& piece) {
        if (!m_archive || !m_archive->isOpen() || m_archive->write(piece) != piece.size()) {
            qWarning() << "****cannot write the package file" << m_archivePath
                       << (m_archive ? m_archive->errorString() : QString());
            return false;
        }
        return true;
    });
    connect(m_reply, &QNetworkReply::finished, this, &ZUTAVUpdate::HttpFinished);
    connect(m_reply, &QNetworkReply::readyRead, this, &ZUTAVUpdate::HttpReadyRead);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &ZUTAVUpdate::UpdateDataReadProgress);
    show();
}

void ZUTAVUpdate::cancelDownload()
{
    if (!m_reply)
        return;
    qDebug() << "the download was cancelled";
    m_reply->abort(); // ends in HttpFinished as a failed download
}

void ZUTAVUpdate::failDownload()
{
    hide();
    delete m_archive;
    m_archive = nullptr;
    if (!m_archivePath.isEmpty())
        QFile::remove(m_archivePath);
    showMessage(QMessageBox::Warning, tr("Information"), tr("Download failed, please try again."), false);
    // Started by the main program, which ended for the update: it must come back, and offers the update again
    // at its next version check.
    if (!m_manualMode)
        restartProgram();
    quitLater();
}

void ZUTAVUpdate::refuseUpdate()
{
    // An install over a folder that is not in order would lose what could still put it right.
    qWarning() << "****no update is installed while the last one is not in order";
    QString text;
    switch (m_earlier) {
    case TAVPackageInstaller::Recovery::DatabaseInUse:
        text = tr("The last update could not be finished: the database file is in use by another program. Please "
                  "close that program and try again.");
        break;
    case TAVPackageInstaller::Recovery::DiskFull:
        text = tr("The last update could not be finished: the disk is full. Please free some space on the disk and "
                  "try again.");
        break;
    default:
        text = tr("The last update could be neither finished nor undone, so no update can be installed. Please ask "
                  "the administrator to check the program folder; the log names the files concerned.");
        break;
    }
    showMessage(QMessageBox::Warning, tr("Warning"), text, false);
    if (!m_manualMode)
        restartProgram();
    quitLater();
}

void ZUTAVUpdate::restartProgram() const
{
    // Detached, so that the program survives the end of the updater and the pipes it would inherit.
    const QString program = QDir::toNativeSeparators(m_programDir + "/TAV");
    if (m_instance)
        m_instance->release();
    if (!QProcess::startDetached(program, QStringList(), m_programDir))
        qWarning() << "****cannot start the program" << program;
}

void ZUTAVUpdate::showMessage(int icon, const QString& title, const QString& text, bool yesButton)
{
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), title, text);
    QPushButton* button = box.addButton(yesButton ? QMessageBox::Yes : QMessageBox::Ok);
    button->setText(yesButton ? QObject::tr("Yes") : QObject::tr("Ok"));
    box.exec();
}

void ZUTAVUpdate::quitLater()
{
    // Queued, so that it also ends an event loop that has not started yet.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}
