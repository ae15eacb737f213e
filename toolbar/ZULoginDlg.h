#pragma once

#include "ZUTAVDialogBase.h"

#include <QString>

#include <functional>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSystemTrayIcon;
class QTimer;
class ZUHdManager;
class ZULoginSer;
class ZUTipDlg;

// The first window of the program: the input panel for the login and the progress panel shown while the
// version check or the login runs. It also owns the tray icon that reports receiver plug and unplug.
class ZULoginDlg : public ZUTAVDialogBase
{
    Q_OBJECT

public:
    // How often the receiver is asked whether it was plugged or unplugged (Linux sends the program no
    // device-change message).
    static constexpr int kReceiverCheckMs = 1000;
    // How long the notice stays that a login was not stored on this computer.
    static constexpr int kNotStoredNoticeSeconds = 10;

    explicit ZULoginDlg(QWidget* parent = nullptr);
    ~ZULoginDlg() override;

    // The dialog that start-up built; one is made (and kept) when none exists yet.
    static ZULoginDlg* getInstance();

    void startUp();
    void showInputPanel();
    void showProgressPanel();
    // While another program holds the database file the start or the login waits, and the progress panel says
    // why.
    void showFileInUse(bool held);
    // Logs in at once, or once the read-through of the database file has found it sound.
    void doLogin(const QString& username, const QString& password);
    bool offlineLogin(const QString& username, const QString& password);
    void clearLoginStartInput();

    // Asks the current receiver whether it was plugged or unplugged and shows its text; returns that text.
    QString checkReceiver();
    void setQuitHandler(std::function<void(int)> handler) { m_quit = std::move(handler); }

    bool inputPanelVisible() const;
    QString errorText() const;

public slots:
    void on_LoginBtn_clicked();
    void on_cancelBtn_clicked();
    void on_UserNameLineEdit_textChanged(const QString& text);
    void on_PasswordLineEdit_textChanged(const QString& text);
    void on_InstructionsBtn_clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;
#endif

private:
    void buildForm();
    void loginNow(const QString& username, const QString& password);
    void showReceiverNotice(const QString& text);

    ZUTipDlg* m_tipDlg = nullptr;
    ZULoginSer* m_loginSer = nullptr;
    ZUHdManager* m_hdManager = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QTimer* m_receiverTimer = nullptr;
    std::function<void(int)> m_quit;
    QMetaObject::Connection m_waitForFile;

    QFrame* m_inputPanel = nullptr;
    QFrame* m_progressPanel = nullptr;
    QLineEdit* m_userEdit = nullptr;
    QLineEdit* m_passwordEdit = nullptr;
    QCheckBox* m_autoLogin = nullptr;
    QPushButton* m_loginBtn = nullptr;
    QPushButton* m_instructionsBtn = nullptr;
    QLabel* m_errorLabel = nullptr;
    QLabel* m_fileInUseLabel = nullptr;
};
