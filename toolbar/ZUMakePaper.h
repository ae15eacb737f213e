#pragma once

#include "Singleton.h"

#include <QDialog>
#include <QString>

#include <functional>

class QNetworkReply;
class QStackedWidget;
class QTimer;
class ZUMakePaperPage;
class ZUWebView;

// The web service's lesson-preparation pages for a class phase and a subject, full screen. Papers the page
// offers as Word files are saved into a folder the teacher picks.
class ZUMakePaper : public QDialog
{
    Q_OBJECT

public:
    // A page that has not loaded by then is given up.
    static constexpr int kPageTimeoutMs = 8000;
    // A Word paper, pictures and all, stays well below this size; one that has not come within the time is given up,
    // so that the page (which waits for the download) does not stay frozen.
    static constexpr qint64 kWordMaxBytes = 50 * 1024 * 1024;
    static constexpr int kWordDeadlineMs = 120000;

    static ZUMakePaper* getInstance() { return TavSingleton<ZUMakePaper>::instance(); }

    void showPaper(int phaseID, int subject);
    QString pageUrl(int phaseID, int subject) const;
    // The file a Word download goes to: the folder plus the plain "paperName=" of the address and ".doc";
    // empty when the address carries no name.
    static QString wordFilePath(const QString& folder, const QString& url);
    // The folder question is asked through here, so that it can be answered without a file dialog.
    void setFolderChooser(std::function<QString()> chooser) { m_chooseFolder = std::move(chooser); }
    void setWordBounds(qint64 maxBytes, int deadlineMs)
    {
        m_wordMaxBytes = maxBytes;
        m_wordDeadlineMs = deadlineMs;
    }
    bool pageTimerActive() const;
    int pageTimerRemaining() const;
    // True once the page asked for has loaded; until then a neutral page of our own stands in for it.
    bool pageShown() const;

public slots:
    void on_closeBtn_clicked();
    void loadFinished(bool success);
    void unsupportedContent(QNetworkReply* reply);
    void timeout();
    void __loadMakerPaper(int phaseID, int subject);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TavSingleton<ZUMakePaper>;
    ZUMakePaper();

    void showNeutralPage();
    bool downloadWord(const QString& url, const QString& file);

    ZUWebView* m_view = nullptr;
    ZUMakePaperPage* m_page = nullptr;
    QStackedWidget* m_stack = nullptr;
    QWidget* m_neutralPage = nullptr;
    QTimer* m_timer = nullptr;
    std::function<QString()> m_chooseFolder;
    qint64 m_wordMaxBytes = kWordMaxBytes;
    int m_wordDeadlineMs = kWordDeadlineMs;
};
