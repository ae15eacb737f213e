#pragma once

#include "Singleton.h"
#include "ZUTAVDialogBase.h"

#include <QHash>
#include <QMap>
#include <QString>

#include <functional>

class QComboBox;
class QFrame;
class QLabel;
class QToolButton;
class ZUHdApi;
class ZUHdManager;
class ZUTipDlg;

// The small floating window the teacher works from after login: who is logged in, online or not, the
// lesson-record state, the class and subject choice, and the buttons that open every activity.
class ZUToolBarDlg : public ZUTAVDialogBase
{
    Q_OBJECT

public:
    // Screens of other subsystems that the bar opens. They sit above this library, so each registers how it
    // is opened; until one has registered, its button stays disabled.
    enum class Screen { FreeInteraction, Quiz, SignIn, Settings, Binding };
    // Receives the text of the class box's current item (the sign-in shows it as its heading).
    using ScreenOpener = std::function<void(const QString& classText)>;

    static ZUToolBarDlg* getInstance() { return TavSingleton<ZUToolBarDlg>::instance(); }

    // The teacher's picture is fetched while the bar waits: a picture larger than this, or one that has not
    // arrived by then, is given up and the default shown.
    static constexpr qint64 kThumbnailMaxBytes = 5 * 1024 * 1024;
    static constexpr int kThumbnailDeadlineMs = 10000;
    // A picture wider or higher than any classroom screen is refused before it is decoded: a small file can
    // hold a picture that takes gigabytes once drawn.
    static constexpr int kThumbnailMaxSide = 4096;
    // How long the notice stays that a lesson's end waits for the database file.
    static constexpr int kEndWaitsNoticeSeconds = 10;

    void setScreenOpener(Screen screen, ScreenOpener opener);
    bool hasScreenOpener(Screen screen) const { return m_openers.contains(screen); }
    // Ending the program goes through here, so that it can be observed without ending a test.
    void setQuitHandler(std::function<void(int)> handler) { m_quit = std::move(handler); }

    void onShow();
    bool __startRecordCheck(QString& sn, int& classID, int& subjectID);
    void __closeClassRec(int localRecordID, bool classStatus, bool& done);
    void __openBinding(const QString& text);
    void __initTeacherName();
    void __initVersion();
    void __initClassInfo();
    void __initSubjectInfo();
    void __initThumbnail();
    void setUseState();

    bool classMatched() const { return m_classMatched; }

public slots:
    void on_exitBtn_clicked();
    void on_freeAct_clicked();
    void on_TestAssisstantBtn_clicked();
    void on_PrepaLesBtn_clicked();
    void on_stuSignBtn_clicked();
    void on_setupBtn_clicked();
    void on_logoutBtn_clicked();
    void on_ClassListComboBox_currentIndexChanged(int class_index);
    void on_subjectComboBox_currentIndexChanged(int sub_index);
    void __loadStatus();

private:
    friend class TavSingleton<ZUToolBarDlg>;
    ZUToolBarDlg();

    void buildForm();
    void updateScreenButtons();
    // The shared part of the activity buttons: checks, the lesson-record question and the record's start.
    bool activityPreamble();
    bool hasOpenRecord() const;
    ZUHdApi* device() const;
    QString deviceSerial() const;
    // The writer could not take in a lesson's end: the teacher is told once, in a notice that leaves the bar free.
    void tellEndWaits(const QString& kind, int localRecordID, int cause);

    bool m_guard = false;
    int m_classIndex = 0;
    int m_subjectIndex = 0;
    bool m_classMatched = false;
    ZUTipDlg* m_tipDlg = nullptr;
    ZUHdManager* m_hdManager = nullptr;

    QMap<Screen, ScreenOpener> m_openers;
    // Lessons whose end waits for the file and has not been told yet, with whether each was a class lesson.
    QHash<int, bool> m_endsWaiting;
    std::function<void(int)> m_quit;

    QFrame* m_thumbFrame = nullptr;
    QLabel* m_thumbnail = nullptr;
    QLabel* m_teacherLabel = nullptr;
    QLabel* m_versionLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_onlineLabel = nullptr;
    QComboBox* m_classBox = nullptr;
    QComboBox* m_subjectBox = nullptr;
    QToolButton* m_freeAct = nullptr;
    QToolButton* m_testBtn = nullptr;
    QToolButton* m_prepaBtn = nullptr;
    QToolButton* m_signBtn = nullptr;
    QToolButton* m_setupBtn = nullptr;
    QToolButton* m_logoutBtn = nullptr;
};
