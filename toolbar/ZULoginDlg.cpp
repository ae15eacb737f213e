#include "ZULoginDlg.h"

#include "CodeTool.h"
#include "TAVDatabase.h"
#include "ZUFormFrame.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUHelpDlg.h"
#include "ZULoginSer.h"
#include "ZUMovieLabel.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDebug>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

namespace {

ZULoginDlg* s_instance = nullptr;

QString formStyle()
{
    return ZUFormFrame::styleSheet(R"(
#mainFrame { background-color: #ffffff; border-radius: 10px; }
#headerFrame { border-top-left-radius: 10px; border-top-right-radius: 10px; }
#cancelBtn { border: none; border-image: url(@Login/close.png); }
#cancelBtn:hover { border-image: url(@Login/close-h.png); }
#brandLabel { color: #2c9a4d; font-size: 26px; font-weight: bold; }
QLineEdit { padding: 0 10px; min-height: 36px; font-size: 14px; }
QCheckBox { color: #555555; font-size: 13px; }
#LoginBtn { color: #ffffff; background-color: #39ba60; border: none; border-radius: 5px; min-height: 38px;
            font-size: 15px; font-weight: bold; }
#LoginBtn:hover { background-color: #4fcb75; }
#LoginBtn:pressed { background-color: #2c9a4d; }
#InstructionsBtn { color: #2c9a4d; background: transparent; border: none; font-size: 13px; }
#InstructionsBtn:hover { color: #39ba60; text-decoration: underline; }
#errorLabel { color: #e26464; font-size: 13px; }
#fileInUseLabel { color: #555555; font-size: 13px; }
)");
}

} // namespace

ZULoginDlg::ZULoginDlg(QWidget* parent)
    : ZUTAVDialogBase(parent)
    , m_tipDlg(ZUTipDlg::getInstance())
    , m_loginSer(ZULoginSer::getInstance())
    , m_hdManager(ZUHdManager::getInstance())
    , m_quit([](int code) { QCoreApplication::exit(code); })
{
    if (!s_instance)
        s_instance = this;

    setWindowTitle(tr("登录"));
    setWindowIcon(QIcon(ZUFormFrame::imagePath("TAV.ico")));
    setWindowFlags(Qt::FramelessWindowHint | Qt::Dialog);
    setAttribute(Qt::WA_TranslucentBackground);
    buildForm();
    QMetaObject::connectSlotsByName(this);
    showInputPanel();
    connect(TAVDatabase::getInstance()->fileCheck(), &TavFileCheck::inUse, this, &ZULoginDlg::showFileInUse);

    m_tray = new QSystemTrayIcon(QIcon(ZUFormFrame::imagePath("TAV.ico")), this);
    m_tray->setToolTip("TAV");
    m_tray->setVisible(QSystemTrayIcon::isSystemTrayAvailable());

#ifndef Q_OS_WIN
    m_receiverTimer = new QTimer(this);
    m_receiverTimer->setInterval(kReceiverCheckMs);
    connect(m_receiverTimer, &QTimer::timeout, this, &ZULoginDlg::checkReceiver);
    m_receiverTimer->start();
#endif
    CodeTool::centerOnDesktop(this);
}

ZULoginDlg::~ZULoginDlg()
{
    if (s_instance == this)
        s_instance = nullptr;
}

ZULoginDlg* ZULoginDlg::getInstance()
{
    if (!s_instance)
        new ZULoginDlg();
    return s_instance;
}

void ZULoginDlg::buildForm()
{
    setStyleSheet(formStyle());
    // Room for the drop shadow around the frame.
    auto* layout = ZUFormFrame::addMainFrame(this, QMargins(14, 12, 14, 16), true);
    QWidget* mainFrame = layout->parentWidget();
    const auto buttons
        = ZUFormFrame::addTitleBar(layout, tr("登录"), { { "minBtn", tr("最小化") }, { "cancelBtn", tr("关闭") } });
    connect(buttons.first(), &QPushButton::clicked, this, &QWidget::showMinimized);

    // Fixed height, so the brand stays put when the panels change.
    auto* brandBox = new QWidget(mainFrame);
    brandBox->setFixedHeight(86);
    auto* brandRow = new QHBoxLayout(brandBox);
    brandRow->setContentsMargins(0, 14, 0, 10);
    brandRow->setSpacing(10);
    auto* logo = new QLabel(brandBox);
    logo->setObjectName("logoLabel");
    logo->setFixedSize(56, 56);
    logo->setPixmap(QIcon(ZUFormFrame::imagePath("TAV.ico")).pixmap(56, 56));
    auto* brand = new QLabel(tr("澄语堂"), brandBox);
    brand->setObjectName("brandLabel");
    brandRow->addStretch();
    brandRow->addWidget(logo);
    brandRow->addWidget(brand);
    brandRow->addStretch();
    layout->addWidget(brandBox);

    m_inputPanel = new QFrame(mainFrame);
    m_inputPanel->setObjectName("inputPanel");
    auto* input = new QVBoxLayout(m_inputPanel);
    input->setContentsMargins(40, 0, 40, 18);
    input->setSpacing(12);
    m_userEdit = new QLineEdit(m_inputPanel);
    m_userEdit->setObjectName("UserNameLineEdit");
    m_userEdit->setPlaceholderText(tr("用户名"));
    m_passwordEdit = new QLineEdit(m_inputPanel);
    m_passwordEdit->setObjectName("PasswordLineEdit");
    m_passwordEdit->setPlaceholderText(tr("密码"));
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_autoLogin = new QCheckBox(tr("自动登录"), m_inputPanel);
    m_autoLogin->setObjectName("autoLoginCheckBox");
    m_errorLabel = new QLabel(m_inputPanel);
    m_errorLabel->setObjectName("errorLabel");
    m_errorLabel->setTextFormat(Qt::PlainText);
    m_errorLabel->setMinimumHeight(20);
    m_loginBtn = new QPushButton(tr("登录"), m_inputPanel);
    m_loginBtn->setObjectName("LoginBtn");
    m_loginBtn->setCursor(Qt::PointingHandCursor);
    m_instructionsBtn = new QPushButton(tr("《快速安装使用指导》"), m_inputPanel);
    m_instructionsBtn->setObjectName("InstructionsBtn");
    m_instructionsBtn->setCursor(Qt::PointingHandCursor);
    // The style sheet's text colour would otherwise make the hints look typed in.
    for (QLineEdit* edit : { m_userEdit, m_passwordEdit }) {
        edit->ensurePolished();
        QPalette palette = edit->palette();
        palette.setColor(QPalette::PlaceholderText, QColor(0xa9, 0xa9, 0xa9));
        edit->setPalette(palette);
    }
    input->addWidget(m_userEdit);
    input->addWidget(m_passwordEdit);
    input->addWidget(m_autoLogin);
    input->addWidget(m_errorLabel);
    input->addWidget(m_loginBtn);
    input->addWidget(m_instructionsBtn, 0, Qt::AlignHCenter);
    input->addStretch();
    layout->addWidget(m_inputPanel);

    m_progressPanel = new QFrame(mainFrame);
    m_progressPanel->setObjectName("progressPanel");
    auto* progress = new QVBoxLayout(m_progressPanel);
    progress->setContentsMargins(40, 0, 40, 18);
    auto* animation = new ZUMovieLabel(ZUFormFrame::imagePath("Login/tav-login-inprogress-n.gif"), m_progressPanel);
    animation->setObjectName("progressAnimation");
    animation->setAlignment(Qt::AlignCenter);
    // Why the start does not go on: shown while another program holds the database file.
    m_fileInUseLabel = new QLabel(tr("另一个程序正在使用数据库文件。它释放该文件后，本程序将自动继续；"
                                     "也可点击右上角的 × 关闭本程序。"),
                                  m_progressPanel);
    m_fileInUseLabel->setObjectName("fileInUseLabel");
    m_fileInUseLabel->setTextFormat(Qt::PlainText);
    m_fileInUseLabel->setWordWrap(true);
    m_fileInUseLabel->setAlignment(Qt::AlignCenter);
    m_fileInUseLabel->hide();
    progress->addStretch();
    progress->addWidget(animation);
    progress->addWidget(m_fileInUseLabel);
    progress->addStretch();
    layout->addWidget(m_progressPanel);

    setFixedSize(428, 412);
}

bool ZULoginDlg::inputPanelVisible() const
{
    return !m_inputPanel->isHidden();
}

QString ZULoginDlg::errorText() const
{
    return m_errorLabel->text();
}

void ZULoginDlg::showInputPanel()
{
    m_progressPanel->hide();
    m_inputPanel->show();
}

void ZULoginDlg::showProgressPanel()
{
    m_inputPanel->hide();
    m_progressPanel->show();
}

void ZULoginDlg::showFileInUse(bool held)
{
    // On the progress panel only: a teacher typing the password meets it once the login waits.
    m_fileInUseLabel->setVisible(held);
}

void ZULoginDlg::startUp()
{
    qDebug() << "enter Login startUp";
    int autologin = 0;
    QString username;
    QString password;
    m_loginSer->readSavedLogin(autologin, username, password);
    if (autologin != 0 && !username.isEmpty() && !password.isEmpty()) {
        m_autoLogin->setChecked(true);
        m_userEdit->setText(username);
        showProgressPanel();
        doLogin(username, password);
        return;
    }
    qDebug() << "manu login";
    showInputPanel();
}

void ZULoginDlg::on_LoginBtn_clicked()
{
    qDebug() << "enter login btn click";
    m_errorLabel->clear();
    if (m_userEdit->text().isEmpty()) {
        m_errorLabel->setText(tr("请输入用户名!"));
        return;
    }
    if (m_passwordEdit->text().isEmpty()) {
        m_errorLabel->setText(tr("请输入密码!"));
        return;
    }
    showProgressPanel();
    doLogin(m_userEdit->text(), CodeTool::md5Hex(m_passwordEdit->text()));
}

void ZULoginDlg::doLogin(const QString& username, const QString& password)
{
    QObject::disconnect(m_waitForFile);
    TAVDatabase* database = TAVDatabase::getInstance();
    if (database->fileCheckPending()) {
        // The login's first write waits for the read-through of the file; the dialog stays alive meanwhile.
        qDebug() << "the login waits for the read-through of the database file";
        showProgressPanel();
        m_waitForFile
            = connect(database->fileCheck(), &TavFileCheck::checked, this, [this, username, password](bool sound) {
                  QObject::disconnect(m_waitForFile);
                  // A damaged file ends the program with its own message.
                  if (sound)
                      loginNow(username, password);
              });
        return;
    }
    loginNow(username, password);
}

void ZULoginDlg::loginNow(const QString& username, const QString& password)
{
    QString error;
    const int r = m_loginSer->onLineLogin(username, password, error);
    if (r == ZULoginSer::LoggedIn) {
        m_loginSer->saveLogin(m_autoLogin->isChecked() ? 1 : 0, username, password);
        hide();
        const QString notStored = m_loginSer->notStored();
        if (!notStored.isEmpty()) {
            ZUTAVAutoMsg::getInstance()->showMessage(
                tr("信息"),
                tr("本次登录的信息未能保存到本机：%1。\n现在可以照常使用，下次联网登录时会再次保存。").arg(notStored),
                kNotStoredNoticeSeconds, false);
        }
        ZUToolBarDlg::getInstance()->onShow();
        return;
    }
    if (r == ZULoginSer::Unreachable) {
        if (offlineLogin(username, password)) {
            hide();
            ZUToolBarDlg::getInstance()->onShow();
        } else {
            showInputPanel();
        }
        return;
    }
    m_errorLabel->setText(error);
    showInputPanel();
}

bool ZULoginDlg::offlineLogin(const QString& username, const QString& password)
{
    qDebug() << "enter offlineLogin";
    m_tipDlg->setButtons(6, 0);
    m_tipDlg->setText(tr("服务器连接失败,是否使用离线方式登录?"), tr("信息"));
    if (m_tipDlg->exec() != 2)
        return false;
    if (m_loginSer->checkOfflineLogin(username, password))
        return true;
    m_errorLabel->setText(tr("登录失败！请联网后重试！"));
    showInputPanel();
    return false;
}

void ZULoginDlg::clearLoginStartInput()
{
    qDebug() << "enter clearLoginStartInput";
    showInputPanel();
    m_passwordEdit->clear();
    m_autoLogin->setChecked(false);
    m_loginSer->clearLogin();
}

void ZULoginDlg::on_cancelBtn_clicked()
{
    // Closed while the login waited for the file: it does not go on once the verdict comes.
    QObject::disconnect(m_waitForFile);
    m_quit(0);
}

void ZULoginDlg::on_UserNameLineEdit_textChanged(const QString&)
{
    m_errorLabel->clear();
}

void ZULoginDlg::on_PasswordLineEdit_textChanged(const QString&)
{
    m_errorLabel->clear();
}

void ZULoginDlg::on_InstructionsBtn_clicked()
{
    ZUHelpDlg* help = ZUHelpDlg::getInstance();
    help->show();
    help->raise();
}

void ZULoginDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_inputPanel->isVisible())
            on_LoginBtn_clicked();
        return;
    }
    event->ignore();
}

QString ZULoginDlg::checkReceiver()
{
    ZUHdApi* api = m_hdManager->currentApi();
    if (!api)
        return QString();
    QString text;
    api->pollDevice(text);
    if (!text.isEmpty())
        showReceiverNotice(text);
    return text;
}

void ZULoginDlg::showReceiverNotice(const QString& text)
{
    if (m_tray->isVisible() && QSystemTrayIcon::supportsMessages()) {
        m_tray->showMessage(tr("接收器"), text, QSystemTrayIcon::NoIcon, 3000);
        return;
    }
    // Without a tray (a bare X server) the notice stands in for the balloon.
    ZUTAVAutoMsg::getInstance()->showMessage(tr("接收器"), text, 3, false);
}

#ifdef Q_OS_WIN
bool ZULoginDlg::nativeEvent(const QByteArray& eventType, void* message, long* result)
{
    // WM_DEVICECHANGE: the message id sits after the window handle in MSG.
    struct NativeMessage
    {
        void* hwnd;
        unsigned int message;
    };
    if (message && static_cast<NativeMessage*>(message)->message == 0x219)
        checkReceiver();
    return ZUTAVDialogBase::nativeEvent(eventType, message, result);
}
#endif
