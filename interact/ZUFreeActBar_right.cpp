#include "ZUFreeActBar_right.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_Config.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActBar_left.h"
#include "ZUFreeActBar_left_rush.h"
#include "ZUFreeActStore.h"
#include "ZUFreeFullWig.h"
#include "ZUFreePanelParts.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUSound.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTAVInteractSData.h"
#include "ZUTAVLPPushbtn.h"
#include "ZUTAVRandomStu.h"
#include "ZUTipDlg.h"
#include "ZUToolBarReturn.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLabel>
#include <QPushButton>

namespace {

const int kWidth = 700;
const int kHeight = 110;
const int kButton = 58;
const int kFirstX = 60;
const int kStep = 63;
const int kTop = 19;

struct TypeButton
{
    const char* name;
    const char* tip;
    const char* key;
    const char* value;
};

const TypeButton kTypes[] = {
    { "simpleSelA", "单选", "AnswerMethod", "1" },  { "mulSelA", "多选", "AnswerMethod", "2" },
    { "digA", "数字作答", "AnswerMethod", "3" },    { "rushA", "抢答", "AnswerMethod", "4" },
    { "randomA", "随机选人", "AnswerMethod", "5" }, { "decideA", "表决", "FeedbackType", "1" },
    { "whetherA", "是否", "FeedbackType", "2" },    { "evaluateA", "评价", "FeedbackType", "3" },
};

} // namespace

ZUFreeActBar_right::ZUFreeActBar_right()
    : QDialog(ZUFreeFullWig::getInstance())
    , m_tip(ZUTipDlg::getInstance())
{
    setWindowFlags(Qt::Widget);
    setObjectName("ZUTAVFreeActBar_right");
    setAttribute(Qt::WA_TranslucentBackground);
    resize(kWidth, kHeight);

    rihtg_frame = new QWidget(this);
    rihtg_frame->setObjectName("rihtg_frame");
    rihtg_frame->setAttribute(Qt::WA_StyledBackground);
    rihtg_frame->setStyleSheet("#rihtg_frame{border-image: url(images:interactBar/menubg.png);}");
    rihtg_frame->setGeometry(0, (kHeight - 96) / 2, kWidth, 96);

    focus_widget = new QWidget(rihtg_frame);
    focus_widget->setObjectName("focus_widget");
    focus_widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    focus_widget->setAttribute(Qt::WA_StyledBackground);
    focus_widget->hide();

    for (int i = 0; i < 8; ++i) {
        auto* button = new ZUTAVLPPushbtn(rihtg_frame);
        button->setObjectName(kTypes[i].name);
        button->setToolTip(tr(kTypes[i].tip));
        button->setProperty("btnType", kTypes[i].key);
        button->setProperty("btnValue", kTypes[i].value);
        button->setStyleSheet(ZUFreePanelParts::imageButtonStyle(kTypes[i].name, QString(kTypes[i].name) + "-press"));
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(kFirstX + i * kStep, kTop, kButton, kButton);
        m_buttons.append(button);
        if (i < 5)
            connect(button, &ZUTAVLPPushbtn::zulpress, this, &ZUFreeActBar_right::answer_longPress);
        else
            connect(button, &ZUTAVLPPushbtn::zulpress, this, &ZUFreeActBar_right::feed_longPress);
    }
    const QList<void (ZUFreeActBar_right::*)()> handlers
        = { &ZUFreeActBar_right::simpleSelA_clicked, &ZUFreeActBar_right::mulSelA_clicked,
            &ZUFreeActBar_right::digA_clicked,       &ZUFreeActBar_right::rushA_clicked,
            &ZUFreeActBar_right::randomA_clicked,    &ZUFreeActBar_right::decideA_clicked,
            &ZUFreeActBar_right::whetherA_clicked,   &ZUFreeActBar_right::evaluateA_clicked };
    for (int i = 0; i < 8; ++i)
        connect(m_buttons.at(i), &ZUTAVLPPushbtn::zupress, this, handlers.at(i));

    interactS = new QPushButton(rihtg_frame);
    interactS->setObjectName("interactS");
    interactS->setToolTip(tr("分析报表"));
    interactS->setStyleSheet(ZUFreePanelParts::imageButtonStyle("interactS", "interactS-press"));
    interactS->setFocusPolicy(Qt::NoFocus);
    interactS->setGeometry(kFirstX + 8 * kStep, kTop, kButton, kButton);
    closeBtn = new QPushButton(rihtg_frame);
    closeBtn->setObjectName("closeBtn");
    closeBtn->setToolTip(tr("关闭"));
    closeBtn->setFocusPolicy(Qt::NoFocus);
    // The title-bar close pictures are white; on the white menu the cross is drawn in grey.
    closeBtn->setText(QStringLiteral("✕"));
    closeBtn->setStyleSheet("QPushButton{border:0;background:transparent;color:#9a9a9a;font: bold 18px;padding:0;}"
                            "QPushButton:hover{color:#e05a4f;}");
    closeBtn->setGeometry(kFirstX + 9 * kStep + 2, (96 - 23) / 2, 26, 23);
    connect(interactS, &QPushButton::clicked, this, &ZUFreeActBar_right::interactS_clicked);
    connect(closeBtn, &QPushButton::clicked, this, &ZUFreeActBar_right::closeBtn_clicked);

    for (QLabel** mark : { &start_t_label, &start_b_label }) {
        *mark = new QLabel(rihtg_frame);
        (*mark)->setAttribute(Qt::WA_TransparentForMouseEvents);
        (*mark)->setStyleSheet("border-image: url(images:interactBar/star.png);");
        (*mark)->resize(20, 20);
        (*mark)->hide();
    }
    start_t_label->setObjectName("start_t_label");
    start_b_label->setObjectName("start_b_label");

    m_open = rihtg_frame->geometry();
    m_closed = m_open.translated(-m_open.width(), 0);
    for (QPropertyAnimation* anim : { &m_show, &m_hide }) {
        anim->setTargetObject(rihtg_frame);
        anim->setPropertyName("geometry");
        anim->setDuration(250);
    }
    m_show.setStartValue(m_closed);
    m_show.setEndValue(m_open);
    m_hide.setStartValue(m_open);
    m_hide.setEndValue(m_closed);
    connect(&m_hide, &QPropertyAnimation::finished, this, &ZUFreeActBar_right::__end_finish);
    connect(ZUFreeActBar::getInstance(), &ZUFreeActBar::dlgMove, this, &ZUFreeActBar_right::__dlgMove);
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendTeacherData, this, &ZUFreeActBar_right::__getTeacherData);
    hide();
}

void ZUFreeActBar_right::showMenu()
{
    qDebug() << "enter ZUTAVFreeActBar_right onShow";
    refreshDefaultMarks();
    __dlgMove();
    m_hide.stop();
    rihtg_frame->setGeometry(m_closed);
    show();
    m_show.start();
    ZUFreeActBar::getInstance()->raise();
}

void ZUFreeActBar_right::hideMenu(bool wait)
{
    m_show.stop();
    m_hide.start();
    if (wait && m_hide.state() == QAbstractAnimation::Running)
        m_loop.exec();
}

void ZUFreeActBar_right::__end_finish()
{
    hide();
    m_loop.quit();
}

void ZUFreeActBar_right::__dlgMove()
{
    const ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    move(bar->x() + qRound(bar->width() / 2.0), bar->y());
}

void ZUFreeActBar_right::setFocusIndex(int n)
{
    m_focus = n;
    if (n <= 0 || n > 8) {
        focus_widget->hide();
        return;
    }
    const bool answer = n <= 5;
    focus_widget->setStyleSheet(answer ? "border-image: url(images:interactBar/highLight.png);"
                                       : "border-image: url(images:interactBar/highLight-w.png);");
    const QRect button = m_buttons.at(n - 1)->geometry();
    const QSize size = button.size() + (answer ? QSize(15, 14) : QSize(14, 12));
    QRect mark(QPoint(), size);
    mark.moveCenter(button.center());
    focus_widget->setGeometry(mark);
    focus_widget->show();
    focus_widget->raise();
}

void ZUFreeActBar_right::clickFocused()
{
    if (m_focus >= 1 && m_focus <= 8)
        emit m_buttons.at(m_focus - 1)->zupress();
}

bool ZUFreeActBar_right::checkReceiver()
{
    ZUHdApi* device = ZUHdManager::getInstance()->currentApi();
    if (device && !device->serialNumber().isEmpty())
        return true;
    m_tip->setButtons(2, 0);
    m_tip->setText(tr("无法获接收器信息，请检查接收器"), tr("消息"));
    m_tip->exec();
    return false;
}

void ZUFreeActBar_right::startType(int answerType)
{
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    if (bar->freeState() != ZUFreeActSer::Menu || !checkReceiver())
        return;
    hideMenu(false);
    bar->showStartAnimation();
    if (answerType == ZUFreeAnswerSer::Rush) {
        bar->setFreeState(ZUFreeActSer::RushRunning);
        ZUFreeActBar_left_rush::getInstance()->launchRush();
        return;
    }
    bar->setFreeState(ZUFreeActSer::Running);
    ZUFreeActBar_left::getInstance()->startType(answerType);
}

void ZUFreeActBar_right::simpleSelA_clicked()
{
    startType(ZUFreeAnswerSer::Single);
}

void ZUFreeActBar_right::mulSelA_clicked()
{
    startType(ZUFreeAnswerSer::Multiple);
}

void ZUFreeActBar_right::digA_clicked()
{
    startType(ZUFreeAnswerSer::Digit);
}

void ZUFreeActBar_right::rushA_clicked()
{
    startType(ZUFreeAnswerSer::Rush);
}

void ZUFreeActBar_right::decideA_clicked()
{
    startType(ZUFreeAnswerSer::Vote);
}

void ZUFreeActBar_right::whetherA_clicked()
{
    startType(ZUFreeAnswerSer::YesNo);
}

void ZUFreeActBar_right::evaluateA_clicked()
{
    startType(ZUFreeAnswerSer::Evaluate);
}

void ZUFreeActBar_right::randomA_clicked()
{
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    if (bar->freeState() != ZUFreeActSer::Menu || !checkReceiver())
        return;
    // An empty class has nobody to draw from.
    if (TAVMemInfo::getInstance()->studentMap.isEmpty()) {
        ZUTAVAutoMsg::getInstance()->showMessage(tr("信息提示"), tr("本班没有学生，无法随机选人"), 2, true);
        return;
    }
    const int saved = bar->freeState();
    bar->setFreeState(ZUFreeActSer::Picking);
    const QString picked = ZUTAVRandomStu::getInstance()->pick();
    InteractInfoRow row = ZUFreeActStore::newRow(ZUFreeAnswerSer::Random, QString());
    ZUFreeActStore::storePick(&row, picked);
    bar->setFreeState(saved);
}

void ZUFreeActBar_right::longPress(ZUTAVLPPushbtn* button, QLabel* mark)
{
    const QString key = button->property("btnType").toString();
    const QString value = button->property("btnValue").toString();
    const bool isDefault = TAVMemInfo::getInstance()->configMap.value(key) == value;
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    TAV_Config::getInstance()->setValue(db, key, isDefault ? QStringLiteral("0") : value);
    database->closeDbCon(db);
    if (isDefault) {
        mark->hide();
        return;
    }
    mark->move(button->geometry().right() + 1 - mark->width(), button->y());
    mark->show();
    mark->raise();
}

void ZUFreeActBar_right::answer_longPress(ZUTAVLPPushbtn* button)
{
    longPress(button, start_t_label);
}

void ZUFreeActBar_right::feed_longPress(ZUTAVLPPushbtn* button)
{
    longPress(button, start_b_label);
}

void ZUFreeActBar_right::placeMark(QLabel* mark, const QString& value, int firstButton, int count)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    // Values the menu has no button for leave the mark hidden.
    if (!ok || n < 1 || n > count) {
        mark->hide();
        return;
    }
    const QRect button = m_buttons.at(firstButton + n - 2)->geometry();
    mark->move(button.right() + 1 - mark->width(), button.y());
    mark->show();
    mark->raise();
}

void ZUFreeActBar_right::refreshDefaultMarks()
{
    const QMap<QString, QString>& config = TAVMemInfo::getInstance()->configMap;
    placeMark(start_t_label, config.value("AnswerMethod", "0"), 1, 5);
    placeMark(start_b_label, config.value("FeedbackType", "0"), 6, 3);
}

void ZUFreeActBar_right::interactS_clicked()
{
    ZUFreeFullWig::getInstance()->hide();
    ZUTAVInteractSData::getInstance()->showReport();
}

void ZUFreeActBar_right::closeBtn_clicked()
{
    rihtg_frame->move(-rihtg_frame->width(), 0);
    QCoreApplication::processEvents();
    ZUFreeFullWig::getInstance()->hide();
    ZUToolBarReturn::bringBack();
}

void ZUFreeActBar_right::__getTeacherData(TeacherInfo tdata)
{
    const ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    if (!bar->isVisible() || bar->freeState() != ZUFreeActSer::Menu)
        return;
    const QString& key = tdata.data;
    if (key == QLatin1String("up")) {
        setFocusIndex(m_focus - 1 < 1 ? 8 : m_focus - 1);
        ZUSound::getInstance()->playSelectFunc();
    } else if (key == QLatin1String("down")) {
        setFocusIndex(m_focus + 1 > 8 ? 1 : m_focus + 1);
        ZUSound::getInstance()->playSelectFunc();
    } else if (key == QLatin1String("mode")) {
        setFocusIndex(1);
    } else if (key == QLatin1String("question")) {
        setFocusIndex(6);
    } else if (key == QLatin1String("ok")) {
        clickFocused();
    }
}
