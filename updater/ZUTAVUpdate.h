#pragma once

#include "TAVPackageInstaller.h"

#include <QDialog>
#include <QMap>
#include <QString>

class QCloseEvent;
class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class QTranslator;
class TavSingleInstance;

namespace Ui {
class ZUTAVUpdateDialog;
}

// The updater: downloads a package, unpacks it over the installation, records the new version and, when the
// main program started it, starts the main program again.
class ZUTAVUpdate : public QDialog
{
    Q_OBJECT
public:
    // Base address of the version service; the same fixed server the main program asks.
    static const char* const kVersionServer;
    static const char* const kSignKey;
    // A package is refused beyond what the installer unpacks at most; a version reply is a few hundred bytes.
    static constexpr qint64 kMaxPackageBytes = qint64(2) << 30;
    static constexpr qint64 kMaxVersionReplyBytes = 64 * 1024;

    // An empty programDir means the folder of the running executable.
    explicit ZUTAVUpdate(const QString& programDir = QString());
    ~ZUTAVUpdate() override;

    // The whole program after the application object exists: translations, single-instance check, dialog,
    // event loop. Returns the exit code.
    static int run(int argc, char** argv, const QString& programDir);
    // Qt's own Chinese texts: the program's copy under language/zh_CN, else the system's. True when loaded.
    static bool loadQtTranslation(QTranslator& translator, const QString& programDir);

    void start(int argc, char** argv);

    static QString sign(const QString& text);
    static void parseVersion(const QString& text, QMap<QString, QString>& values, bool& forceUpdate);
    static void compareVersion(const QString& local, const QString& server, bool& upToDate);
    // Letters, digits, ".", "_" and "-" only, without "..": the version becomes part of a file name.
    static bool isSafeVersion(const QString& version);

    // How long the hidden version request may take before it counts as unanswered.
    void setVersionTimeout(int milliseconds);
    // The largest package taken; kMaxPackageBytes unless set.
    void setPackageLimit(qint64 bytes) { m_packageLimit = bytes; }
    // The segment that keeps the main program out while the updater works; given up just before the
    // program is started again, or that program would find it still held and refuse to start.
    void setSingleInstance(TavSingleInstance* instance);
    // How the start found the folder. Anything but InOrder: start() tells the teacher why no update is installed.
    void setEarlierUpdate(TAVPackageInstaller::Recovery earlier) { m_earlier = earlier; }

public slots:
    void RequestNewestVersion(QNetworkReply* version_reply);
    void DownloadFile();
    void HttpFinished();
    void HttpReadyRead();
    void UpdateDataReadProgress(qlonglong bytesRead, qlonglong totalBytes);

    // Escape and the close button end the download as a failed one; an install under way is finished first.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString localVersion() const;
    bool openDatabase() const;
    void requestPackage(const QString& url);
    void __installFinished(bool installed, const QString& error);
    void showProgress(const QString& prefix, qint64 done, qint64 total);
    void cancelDownload();
    void failDownload();
    void refuseUpdate();
    void restartProgram() const;
    static void showMessage(int icon, const QString& title, const QString& text, bool yesButton);
    static void quitLater();

    Ui::ZUTAVUpdateDialog* ui;
    QNetworkAccessManager* m_manager = nullptr;
    QNetworkReply* m_reply = nullptr;
    QFile* m_archive = nullptr;
    QNetworkReply* m_versionReply = nullptr;
    QTimer* m_versionTimer = nullptr;
    TAVPackageInstaller* m_installer = nullptr;
    TavSingleInstance* m_instance = nullptr;
    int m_versionTimeout = 30000;
    qint64 m_packageLimit = kMaxPackageBytes;
    TAVPackageInstaller::Recovery m_earlier = TAVPackageInstaller::Recovery::InOrder;
    bool m_manualMode = false;
    QString m_version;
    QString m_archivePath;
    QString m_programDir;
};
