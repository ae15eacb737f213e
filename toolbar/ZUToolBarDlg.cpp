#include "ZUToolBarDlg.h"

#include "AutoUploadThread.h"
#include "CodeTool.h"
#include "HttpDownFile.h"
#include "PlainFileName.h"
#include "TAVMemInfo.h"
#include "TavWriteBehind.h"
#include "TavWriteCause.h"
#include "TavWriteKinds.h"
#include "ZUFormFrame.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUInputDlg.h"
#include "ZULoginDlg.h"
#include "ZULoginSer.h"
#include "ZUMakePaper.h"
#include "ZUSound.h"
#include "ZUSysCheck.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"
#include "ZUToolBarSer.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// True when the file is a picture the bar can draw, judged by its header alone.
bool isDrawablePicture(const QString& file)
{
    const QSize size = QImageReader(file).size();
    const bool drawable = size.isValid() && !size.isEmpty() && size.width() <= ZUToolBarDlg::kThumbnailMaxSide
        && size.height() <= ZUToolBarDlg::kThumbnailMaxSide;
    if (!drawable)
        qWarning().noquote() << QString("****the teacher's picture is refused, %1 x %2 pixels: %3")
                                    .arg(size.width())
                                    .arg(size.height())
                                    .arg(file);
    return drawable;
}

QPixmap defaultThumbnail()
{
    return QPixmap(ZUFormFrame::imagePath("toolbar/Thumbnail-default.png"));
}

QString formStyle()
{
    return ZUFormFrame::styleSheet(R"(
#mainFrame { background-color: #ffffff; border: 1px solid #d6d6d6; border-radius: 10px; }
#headerFrame { border-top-left-radius: 10px; border-top-right-radius: 10px; }
#exitBtn { border: none; border-image: url(@toolbar/tav-exit-n.png); }
#exitBtn:hover { border-image: url(@toolbar/tav-exit-h.png); }
#teacherLabel { color: #333333; font-size: 15px; font-weight: bold; }
#versionLabel { color: #999999; font-size: 12px; }
#statusLabel { color: #ffffff; background-color: #a9a9a9; border-radius: 10px; font-size: 12px; padding: 0 10px; }
#statusLabel[busy="true"] { background-color: #ff890a; }
QComboBox { font-size: 13px; min-height: 24px; }
QToolButton { color: #555555; background-color: #f5f7f8; border: 1px solid #e6eaed; border-radius: 8px;
              font-size: 13px; padding: 6px 2px 4px 2px; }
QToolButton:hover { color: #2c9a4d; background-color: #e8f6ec; border-color: #39ba60; }
QToolButton:pressed { background-color: #d3efdc; }
QToolButton:disabled { color: #b5b5b5; background-color: #fafafa; border-color: #eeeeee; }
)");
}

} // namespace

ZUToolBarDlg::ZUToolBarDlg()
    : ZUTAVDialogBase(nullptr)
    , m_tipDlg(ZUTipDlg::getInstance())
    , m_hdManager(ZUHdManager::getInstance())
    , m_quit([](int code) { QCoreApplication::exit(code); })
{
    setWindowTitle(tr("澄语堂"));
    setWindowIcon(QIcon(ZUFormFrame::imagePath("TAV.ico")));
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Dialog);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    buildForm();
    updateScreenButtons();
    QMetaObject::connectSlotsByName(this);
    connect(AutoUploadThread::getInstance(), &AutoUploadThread::netStatus, this, &ZUToolBarDlg::__loadStatus);
    connect(
        TavWriteBehind::getInstance(), &TavWriteBehind::failed, this,
        [this](const QString& kind, int localRecordID, int, int cause) { tellEndWaits(kind, localRecordID, cause); });
    CodeTool::centerOnDesktop(this);
}

void ZUToolBarDlg::buildForm()
{
    setStyleSheet(formStyle());
    auto* layout = ZUFormFrame::addMainFrame(this);
    layout->setContentsMargins(0, 0, 0, 14);
    layout->setSpacing(8);
    QWidget* mainFrame = layout->parentWidget();
    const auto buttons = ZUFormFrame::addTitleBar(
        layout, tr("澄语堂"), { { "minBtn", tr("最小化") }, { "exitBtn", tr("退出") } }, 36, QMargins(12, 0, 8, 0), 4);
    connect(buttons.first(), &QPushButton::clicked, this, &QWidget::showMinimized);

    m_thumbFrame = new QFrame(mainFrame);
    m_thumbFrame->setObjectName("thumbFrame");
    m_thumbFrame->setFixedSize(120, 120);
    m_thumbFrame->setStyleSheet("#thumbFrame { border-image: url("
                                + ZUFormFrame::imagePath("toolbar/Thumbnail-border.png") + "); }");
    auto* thumbLayout = new QVBoxLayout(m_thumbFrame);
    thumbLayout->setContentsMargins(5, 5, 5, 5);
    m_thumbnail = new QLabel(m_thumbFrame);
    m_thumbnail->setObjectName("thumbnail");
    m_thumbnail->setScaledContents(true);
    m_thumbnail->setPixmap(defaultThumbnail());
    thumbLayout->addWidget(m_thumbnail);
    layout->addSpacing(4);
    layout->addWidget(m_thumbFrame, 0, Qt::AlignHCenter);

    m_teacherLabel = new QLabel(mainFrame);
    m_teacherLabel->setObjectName("teacherLabel");
    m_teacherLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_teacherLabel);

    auto* stateRow = new QHBoxLayout();
    stateRow->setContentsMargins(16, 0, 16, 0);
    stateRow->setSpacing(6);
    m_versionLabel = new QLabel(mainFrame);
    m_versionLabel->setObjectName("versionLabel");
    // The name and the version come from the server: shown as they are, never as markup.
    m_teacherLabel->setTextFormat(Qt::PlainText);
    m_versionLabel->setTextFormat(Qt::PlainText);
    m_statusLabel = new QLabel(mainFrame);
    m_statusLabel->setObjectName("statusLabel");
    m_statusLabel->setAlignment(Qt::AlignCenter);
    m_statusLabel->setFixedHeight(20);
    m_onlineLabel = new QLabel(mainFrame);
    m_onlineLabel->setObjectName("onlineLabel");
    m_onlineLabel->setFixedSize(72, 24);
    stateRow->addWidget(m_versionLabel);
    stateRow->addStretch();
    stateRow->addWidget(m_statusLabel);
    stateRow->addWidget(m_onlineLabel);
    layout->addLayout(stateRow);

    auto* choice = new QVBoxLayout();
    choice->setContentsMargins(16, 2, 16, 2);
    choice->setSpacing(6);
    m_classBox = new QComboBox(mainFrame);
    m_classBox->setObjectName("ClassListComboBox");
    m_subjectBox = new QComboBox(mainFrame);
    m_subjectBox->setObjectName("subjectComboBox");
    ZUFormFrame::stylePopupList(m_classBox);
    ZUFormFrame::stylePopupList(m_subjectBox);
    choice->addWidget(m_classBox);
    choice->addWidget(m_subjectBox);
    layout->addLayout(choice);

    auto* grid = new QGridLayout();
    grid->setContentsMargins(16, 4, 16, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    auto tile = [mainFrame](const char* name, const QString& text, const QString& icon) {
        auto* b = new QToolButton(mainFrame);
        b->setObjectName(name);
        b->setText(text);
        b->setIcon(QIcon(ZUFormFrame::imagePath("toolbar/" + icon)));
        b->setIconSize(QSize(32, 32));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setFixedHeight(66);
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    m_freeAct = tile("freeAct", tr("自由互动"), "tav_toolbar_free.png");
    m_testBtn = tile("TestAssisstantBtn", tr("课间测"), "tav_toolbar_exam.png");
    m_prepaBtn = tile("PrepaLesBtn", tr("备课"), "tav_toolbar_prepare.png");
    m_signBtn = tile("stuSignBtn", tr("签到"), "tav_toolbar_sign.png");
    m_setupBtn = tile("setupBtn", tr("系统配置"), "tav_toolbar_setup.png");
    m_logoutBtn = tile("logoutBtn", tr("注销"), "tav_toolbar_logout.png");
    grid->addWidget(m_freeAct, 0, 0);
    grid->addWidget(m_testBtn, 0, 1);
    grid->addWidget(m_prepaBtn, 1, 0);
    grid->addWidget(m_signBtn, 1, 1);
    grid->addWidget(m_setupBtn, 2, 0);
    grid->addWidget(m_logoutBtn, 2, 1);
    layout->addLayout(grid);

    setFixedWidth(244);
    adjustSize();
}

void ZUToolBarDlg::setScreenOpener(Screen screen, ScreenOpener opener)
{
    if (opener)
        m_openers.insert(screen, std::move(opener));
    else
        m_openers.remove(screen);
    updateScreenButtons();
}

void ZUToolBarDlg::updateScreenButtons()
{
    m_freeAct->setEnabled(hasScreenOpener(Screen::FreeInteraction));
    m_testBtn->setEnabled(hasScreenOpener(Screen::Quiz));
    m_signBtn->setEnabled(hasScreenOpener(Screen::SignIn));
    m_setupBtn->setEnabled(hasScreenOpener(Screen::Settings));
}

ZUHdApi* ZUToolBarDlg::device() const
{
    return m_hdManager->currentApi();
}

QString ZUToolBarDlg::deviceSerial() const
{
    ZUHdApi* api = device();
    return api ? api->serialNumber() : QString();
}

bool ZUToolBarDlg::hasOpenRecord() const
{
    return TAVMemInfo::getInstance()->currentRecord.localRecordID > 0;
}

void ZUToolBarDlg::onShow()
{
    qDebug() << "enter toolbar onShow";
    qDebug() << "System Checkout";
    ZUSysCheck::getInstance()->checkout();
    __loadStatus();
    __initTeacherName();
    __initVersion();
    setUseState();
    m_guard = true;
    __initClassInfo();
    __initSubjectInfo();
    m_guard = false;
    show();
    raise();

    ZUHdApi* api = device();
    if (!api || !api->isConnected()) {
        m_tipDlg->setButtons(2, 0);
        m_tipDlg->setText(tr("未检测到接收器，请检查"), tr("警告"));
        m_tipDlg->show();
    }
    __initThumbnail();
    if (!m_classMatched)
        __openBinding(tr("接收器没有匹配的班级!\n是否需要重新绑定？"));
}

void ZUToolBarDlg::__loadStatus()
{
    const QString picture = TAVMemInfo::getInstance()->onlineFlag ? "toolbar/tav_toolbar_webline_n.png"
                                                                  : "toolbar/tav_toolbar_offline_n.png";
    m_onlineLabel->setStyleSheet("QLabel{border-image: url(" + ZUFormFrame::imagePath(picture) + ");}");
}

void ZUToolBarDlg::__initTeacherName()
{
    qDebug() << "__initTeacherName";
    // However long the name the server sends, it keeps to its one line and leaves the buttons their room.
    m_teacherLabel->ensurePolished();
    const QFontMetrics metrics = m_teacherLabel->fontMetrics();
    const QString greeting = tr("欢迎您，");
    const QString title = tr("老师");
    const int room = width() - 24 - metrics.horizontalAdvance(greeting + title);
    const QString name = metrics.elidedText(TAVMemInfo::getInstance()->currentTeacher.name, Qt::ElideRight, room);
    m_teacherLabel->setText(greeting + name + title);
}

void ZUToolBarDlg::__initVersion()
{
    qDebug() << "__initVersion";
    m_versionLabel->setText("V" + TAVMemInfo::getInstance()->version);
}

void ZUToolBarDlg::setUseState()
{
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    QString text = tr("未使用");
    if (hasOpenRecord())
        text = mem->currentRecord.classStatus ? tr("课堂中") : tr("使用中");
    m_statusLabel->setText(text);
    m_statusLabel->setProperty("busy", hasOpenRecord());
    m_statusLabel->style()->unpolish(m_statusLabel);
    m_statusLabel->style()->polish(m_statusLabel);
}

void ZUToolBarDlg::__initClassInfo()
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    m_classBox->clear();
    const int recordClass = hasOpenRecord() ? mem->currentRecord.classID : -1;

    const QList<ClassInfoRow> classes = mem->sortedClasses();
    int recordIndex = -1;
    for (int i = 0; i < classes.size(); ++i) {
        m_classBox->addItem(classes.at(i).className, classes.at(i).classID);
        if (classes.at(i).classID == recordClass)
            recordIndex = i;
    }

    const QString sn = deviceSerial();
    qDebug().noquote() << "__initClassInfo, the current dev sn is :" + sn;
    const QString username = mem->currentTeacher.username;
    // The class of a login that has just happened comes ready from the login (a large school's students would hold
    // the interface while they are read); any other comes from the file.
    const auto loadClass = [&username](int classID) {
        if (!ZULoginSer::getInstance()->loadClassOfLogin(classID, username))
            ZUToolBarSer::getInstance()->loadClassInfo(classID, username);
    };

    if (recordIndex != -1) {
        m_classBox->setCurrentIndex(recordIndex);
        m_classIndex = recordIndex;
        loadClass(recordClass);
        m_classMatched = (sn == mem->currentClass.stationSn);
        return;
    }

    QList<int> candidates;
    for (int i = 0; i < classes.size(); ++i) {
        if (sn.isEmpty()) {
            candidates.append(i);
            continue;
        }
        qDebug().noquote() << "__initClassInfo, the class sn is :" + classes.at(i).stationSn;
        if (classes.at(i).stationSn == sn)
            candidates.append(i);
    }

    QList<int> scan = candidates;
    if (scan.isEmpty()) {
        for (int i = 0; i < classes.size(); ++i)
            scan.append(i);
    }
    int chosen = scan.isEmpty() ? 0 : scan.first();
    for (int i : scan) {
        if (classes.at(i).classID == mem->lastClass) {
            chosen = i;
            break;
        }
    }
    m_classMatched = !candidates.isEmpty();
    m_classBox->setCurrentIndex(chosen);
    m_classIndex = chosen;
    // Without classes, class 0 loads nothing and so clears the class and subjects of an earlier login.
    loadClass(classes.isEmpty() ? 0 : classes.at(chosen).classID);
}

void ZUToolBarDlg::__initSubjectInfo()
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    m_subjectBox->clear();
    for (const SubjectInfoRow& subject : mem->subjectList)
        m_subjectBox->addItem(subject.subjectName, subject.subjectID);
    if (!mem->subjectList.isEmpty()) {
        mem->currentSubjectID = mem->subjectList.first().subjectID;
        m_subjectIndex = 0;
    }
}

void ZUToolBarDlg::__initThumbnail()
{
    // A picture, never a style sheet: the file's path holds the program directory's name.
    m_thumbnail->setPixmap(defaultThumbnail());
    const TeacherInfoRow& teacher = TAVMemInfo::getInstance()->currentTeacher;
    if (teacher.avatar.isEmpty())
        return;

    const QString dir = CodeTool::ensureDir(QCoreApplication::applicationDirPath() + "/Thumbnails/");
    const QString file = QDir::fromNativeSeparators(dir + PlainFileName::make(teacher.username, "teacher") + ".jpg");
    if (TAVMemInfo::getInstance()->onlineFlag) {
        const QString tmp = dir + "tmp.png";
        if (HttpDownFile::getInstance()->downFile(tmp, teacher.avatar, kThumbnailMaxBytes, kThumbnailDeadlineMs)
            && isDrawablePicture(tmp)) {
            QFile::remove(file);
            QFile::rename(tmp, file);
            m_thumbnail->setPixmap(QPixmap(file));
        } else {
            QFile::remove(tmp);
        }
        return;
    }
    if (QFile::exists(file) && isDrawablePicture(file))
        m_thumbnail->setPixmap(QPixmap(file));
}

bool ZUToolBarDlg::__startRecordCheck(QString& sn, int& classID, int& subjectID)
{
    qDebug() << "enter __startRecordCheck";
    auto refuse = [this](const QString& text, const QString& title) {
        m_tipDlg->setButtons(2, 0);
        m_tipDlg->setText(text, title);
        m_tipDlg->exec();
        return false;
    };
    sn = deviceSerial();
    if (sn.isEmpty())
        return refuse(tr("无法获取接收器信息，\n请检查接收器"), tr("信息"));
    if (sn != TAVMemInfo::getInstance()->currentClass.stationSn)
        return refuse(tr("接收器信息与班级不匹配，\n请检查接收器"), tr("信息"));
    classID = m_classBox->currentData().toInt();
    if (classID == 0)
        return refuse(tr("请选择班级信息"), tr("错误"));
    subjectID = m_subjectBox->currentData().toInt();
    if (subjectID == 0)
        return refuse(tr("请选择信息"), tr("科目错误"));
    qDebug().noquote() << "the sn is: " + sn;
    qDebug().noquote() << "the CID is: " + QString::number(classID);
    qDebug().noquote() << "the SID is: " + QString::number(subjectID);
    return true;
}

bool ZUToolBarDlg::activityPreamble()
{
    QString sn;
    int classID = 0;
    int subjectID = 0;
    if (!__startRecordCheck(sn, classID, subjectID))
        return false;
    if (hasOpenRecord())
        return true;

    m_tipDlg->setButtons(6, 0);
    m_tipDlg->setButtonText(2, tr("是"));
    m_tipDlg->setButtonText(4, tr("否"));
    m_tipDlg->setText(tr("是否为课堂记录"), tr("信息"));
    const int answer = m_tipDlg->exec();
    bool classStatus = false;
    if (answer == 2) {
        m_statusLabel->setText(tr("课堂中"));
        classStatus = true;
    } else if (answer == 4) {
        m_statusLabel->setText(tr("使用中"));
    } else {
        return false;
    }

    TavWriteCause::Cause cause = TavWriteCause::None;
    if (!ZUToolBarSer::getInstance()->startClassRecord(sn, classID, subjectID, classStatus, &cause)) {
        qWarning() << "****start class record fail";
        setUseState();
        m_tipDlg->setButtons(2, 0);
        m_tipDlg->setText(
            tr("课堂记录创建失败：%1。\n%2，然后重试。").arg(TavWriteCause::text(cause), TavWriteCause::advice(cause)),
            tr("错误"));
        m_tipDlg->exec();
        return false;
    }
    setUseState();
    TAVMemInfo::getInstance()->currentSubjectName = m_subjectBox->currentText();
    return true;
}

void ZUToolBarDlg::on_freeAct_clicked()
{
    qDebug() << "freeAcr click";
    if (!hasScreenOpener(Screen::FreeInteraction) || !activityPreamble())
        return;
    hide();
    m_openers.value(Screen::FreeInteraction)(m_classBox->currentText());
    ZUSound::getInstance()->playStartInteraction();
}

void ZUToolBarDlg::on_TestAssisstantBtn_clicked()
{
    qDebug() << "exam click";
    if (!hasScreenOpener(Screen::Quiz) || !activityPreamble())
        return;
    hide();
    m_openers.value(Screen::Quiz)(m_classBox->currentText());
}

void ZUToolBarDlg::on_stuSignBtn_clicked()
{
    qDebug() << "stuSignBtn click";
    if (!hasScreenOpener(Screen::SignIn) || !activityPreamble())
        return;
    m_openers.value(Screen::SignIn)(m_classBox->currentText());
    hide();
}

void ZUToolBarDlg::on_setupBtn_clicked()
{
    if (hasScreenOpener(Screen::Settings))
        m_openers.value(Screen::Settings)(m_classBox->currentText());
}

void ZUToolBarDlg::on_PrepaLesBtn_clicked()
{
    hide();
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    const int classID = m_classBox->currentData().toInt();
    const int phase = mem->classMap.value(classID).phase;
    const int subjectID = m_subjectBox->currentData().toInt();
    ZUMakePaper::getInstance()->showPaper(phase, subjectID);
}

void ZUToolBarDlg::__closeClassRec(int localRecordID, bool classStatus, bool& done)
{
    qDebug() << "enter __closeClassRec";
    if (localRecordID == -1) {
        done = true;
        return;
    }
    m_tipDlg->setButtons(6, 0);
    m_tipDlg->setText(classStatus ? tr("是否退出本次课程?") : tr("是否退出本次使用?"), tr("消息"));
    if (m_tipDlg->exec() != 2) {
        done = false;
        return;
    }

    const QDateTime now = QDateTime::currentDateTime();
    ClassRecordRow record = TAVMemInfo::getInstance()->currentRecord;
    record.endTime = now.toString("yyyy-MM-dd HH:mm:ss");
    const QString proposed = ZUToolBarSer::getInstance()->makeRecordName(record);

    ZUInputDlg* input = ZUInputDlg::getInstance();
    input->setButtons(2);
    input->setInputText(proposed);
    input->setText(tr("请输入本次课堂名称:"), tr("消息"));
    if (classStatus && input->exec() != 2) {
        done = false;
        return;
    }
    const QString name = input->inputText();
    // Ended for the teacher at once; an end the file cannot take now is kept and goes in, and up, by itself.
    done = true;
    const bool inFile = ZUToolBarSer::getInstance()->closeClassRecord(localRecordID, name, now);
    setUseState();
    if (inFile)
        ZUToolBarSer::getInstance()->uploadClassRecord(localRecordID);
    else
        m_endsWaiting.insert(localRecordID, classStatus);
}

void ZUToolBarDlg::tellEndWaits(const QString& kind, int localRecordID, int cause)
{
    if (kind != TavWriteKinds::LessonEnd || !m_endsWaiting.contains(localRecordID))
        return;
    const bool classLesson = m_endsWaiting.take(localRecordID);
    const auto why = TavWriteCause::Cause(cause);
    const QString text = classLesson ? tr("本次课程已结束，但暂时无法存入数据库：%1。\n%2。课程记录已保留在本机，"
                                          "存入后自动上传。")
                                     : tr("本次使用已结束，但暂时无法存入数据库：%1。\n%2。使用记录已保留在本机，"
                                          "存入后自动上传。");
    ZUTAVAutoMsg::getInstance()->showMessage(tr("信息"), text.arg(TavWriteCause::text(why), TavWriteCause::advice(why)),
                                             kEndWaitsNoticeSeconds, false);
}

void ZUToolBarDlg::on_exitBtn_clicked()
{
    qDebug() << "enter exit";
    if (!hasOpenRecord()) {
        qDebug() << "no class record, exit";
        m_quit(0);
        return;
    }
    // An end still waiting for the file is in the writer's hands: the program's end records it, and the next start
    // writes it and sends the lesson.
    const ClassRecordRow& record = TAVMemInfo::getInstance()->currentRecord;
    bool done = false;
    __closeClassRec(record.localRecordID, record.classStatus, done);
    if (done)
        m_quit(0);
}

void ZUToolBarDlg::on_logoutBtn_clicked()
{
    if (hasOpenRecord()) {
        const ClassRecordRow& record = TAVMemInfo::getInstance()->currentRecord;
        bool done = false;
        __closeClassRec(record.localRecordID, record.classStatus, done);
        if (!done)
            return;
    }
    hide();
    ZULoginDlg* login = ZULoginDlg::getInstance();
    login->clearLoginStartInput();
    login->showInputPanel();
    login->show();
    const TavWriteCause::Cause waits = ZULoginSer::getInstance()->forgetWaits();
    if (waits != TavWriteCause::None)
        ZUTAVAutoMsg::getInstance()->showMessage(tr("信息"),
                                                 tr("自动登录暂未取消：%1。\n%2，之后将自动取消。")
                                                     .arg(TavWriteCause::text(waits), TavWriteCause::advice(waits)),
                                                 kEndWaitsNoticeSeconds, false);
}

void ZUToolBarDlg::on_ClassListComboBox_currentIndexChanged(int class_index)
{
    if (m_guard)
        return;
    m_guard = true;
    const QString sn = deviceSerial();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    if (hasOpenRecord()) {
        bool done = false;
        __closeClassRec(mem->currentRecord.localRecordID, mem->currentRecord.classStatus, done);
        if (!done) {
            m_classBox->setCurrentIndex(m_classIndex);
            m_guard = false;
            return;
        }
    }
    const int classID = m_classBox->currentData().toInt();
    TavWriteCause::Cause cause = TavWriteCause::None;
    if (!ZUToolBarSer::getInstance()->loadClassInfo(classID, mem->currentTeacher.username, &cause)) {
        // The class shown before stays, with its students and subjects.
        m_classBox->setCurrentIndex(m_classIndex);
        m_guard = false;
        m_tipDlg->setButtons(2, 0);
        m_tipDlg->setText(tr("班级信息读取失败：%1。\n%2，然后重新选择班级。")
                              .arg(TavWriteCause::text(cause), TavWriteCause::advice(cause)),
                          tr("错误"));
        m_tipDlg->exec();
        return;
    }
    __initSubjectInfo();
    m_guard = false;
    m_classIndex = class_index;
    if (sn != mem->currentClass.stationSn)
        __openBinding(tr("当前基站与班级基站不匹配!\n是否进入绑定界面?"));
}

void ZUToolBarDlg::on_subjectComboBox_currentIndexChanged(int sub_index)
{
    if (m_guard)
        return;
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    if (hasOpenRecord()) {
        bool done = false;
        __closeClassRec(mem->currentRecord.localRecordID, mem->currentRecord.classStatus, done);
        if (!done) {
            m_guard = true;
            m_subjectBox->setCurrentIndex(m_subjectIndex);
            m_guard = false;
            return;
        }
    }
    // Also after a closed record: the index is where a later refusal puts the box back.
    mem->currentSubjectID = m_subjectBox->currentData().toInt();
    m_subjectIndex = sub_index;
}

void ZUToolBarDlg::__openBinding(const QString& text)
{
    if (!hasScreenOpener(Screen::Binding)) {
        qDebug() << "no binding screen, binding question skipped";
        return;
    }
    m_tipDlg->setButtons(6, 0);
    m_tipDlg->setText(text, tr("消息"));
    if (m_tipDlg->exec() == 2)
        m_openers.value(Screen::Binding)(m_classBox->currentText());
}
