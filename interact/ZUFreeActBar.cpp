#include "ZUFreeActBar.h"

#include "CodeTool.h"
#include "TAVMemInfo.h"
#include "ZUFreeActBar_left.h"
#include "ZUFreeActBar_left_rush.h"
#include "ZUFreeActBar_right.h"
#include "ZUFreeFullWig.h"
#include "ZUHdManager.h"
#include "ZUTAVAnswerList.h"
#include "ZUTAVPushbtn.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>

namespace {
const int kExpanded = 110;
const int kCollapsed = 54;
const int kShift = 28;
const int kButton = 80;
} // namespace

ZUFreeActBar::ZUFreeActBar()
    : ZUTAVDialogBase(ZUFreeFullWig::getInstance())
    , m_anim(this, "geometry")
{
    setWindowFlags(Qt::Widget);
    setObjectName("ZUTAVFreeActBar");
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_StyledBackground);
    resize(kExpanded, kExpanded);
    m_background = new QLabel(this);
    m_background->setObjectName("actBarBg");
    m_background->setAttribute(Qt::WA_TransparentForMouseEvents);
    actCBtn = new ZUTAVPushbtn(this);
    actCBtn->setObjectName("actCBtn");
    actCBtn->setFocusPolicy(Qt::NoFocus);
    connect(actCBtn, &ZUTAVPushbtn::zurelease, this, &ZUFreeActBar::on_actCBtn_zurelease);
    connect(actCBtn, &ZUTAVPushbtn::zuenter, this, &ZUFreeActBar::on_actCBtn_zuenter);
    connect(actCBtn, &ZUTAVPushbtn::zuleave, this, &ZUFreeActBar::on_actCBtn_zuleave);

    const QRect area = CodeTool::centerOnDesktop(this);
    move(pos() + QPoint(qRound(area.width() * 0.12), -qRound(area.height() * 0.22)));
    setMouseTracking(true);
    connect(&m_anim, &QPropertyAnimation::finished, this, &ZUFreeActBar::__end_anim);
    connect(&m_ser, &ZUFreeActSer::collapseDue, this, [this] { onCenterButton(false); });
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendTeacherData, this, &ZUFreeActBar::__getTeacherData);

    m_startLabel = makeMovieLabel("Resources/gif/start.gif", &m_startMovie);
    m_actLabel = makeMovieLabel("Resources/gif/act.gif", &m_actMovie);
    m_endLabel = makeMovieLabel("Resources/gif/end.gif", &m_endMovie);
    connect(m_startMovie, &QMovie::finished, this, &ZUFreeActBar::__gifStartFinish);
    connect(m_endMovie, &QMovie::finished, this, &ZUFreeActBar::__gifEndFinish);
    connect(m_actMovie, &QMovie::frameChanged, this, &ZUFreeActBar::__actFrame);
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, this, &ZUFreeActBar::__actAgain);
    show();
}

QLabel* ZUFreeActBar::makeMovieLabel(const QString& file, QMovie** movie)
{
    auto* label = new QLabel(this);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setScaledContents(true);
    *movie = new QMovie(QCoreApplication::applicationDirPath() + "/" + file, QByteArray(), this);
    label->setMovie(*movie);
    label->hide();
    return label;
}

void ZUFreeActBar::resizeEvent(QResizeEvent* e)
{
    ZUTAVDialogBase::resizeEvent(e);
    m_background->setGeometry(rect());
    const int d = m_expanded ? qMin(kButton, width()) : width();
    actCBtn->setGeometry((width() - d) / 2, (height() - d) / 2, d, d);
    for (QLabel* label : { m_startLabel, m_actLabel, m_endLabel }) {
        if (label)
            label->setGeometry(rect());
    }
}

void ZUFreeActBar::showFreeBar()
{
    __freeMode(false);
    ZUFreeFullWig::getInstance()->show();
}

void ZUFreeActBar::__freeMode(bool animate)
{
    m_background->setStyleSheet(QString());
    actCBtn->setStyleSheet("border-image: url(images:interactBar/certerBtn_min.png);");
    m_ser.setState(ZUFreeActSer::Collapsed);
    // Collapsing twice must not walk the bar across the screen.
    const QPoint shift = m_expanded ? QPoint(kShift, kShift) : QPoint();
    m_expanded = false;
    const QRect target(geometry().topLeft() + shift, QSize(kCollapsed, kCollapsed));
    if (animate) {
        m_anim.stop();
        m_anim.setDuration(80);
        m_anim.setStartValue(geometry());
        m_anim.setEndValue(target);
        m_anim.start();
    } else {
        setGeometry(target);
    }
}

void ZUFreeActBar::__nofreeMode()
{
    m_background->setStyleSheet("border-image: url(images:interactBar/actBtn.png);");
    actCBtn->setStyleSheet("border-image: url(images:interactBar/centerBtn.png);");
    const QPoint shift = m_expanded ? QPoint() : QPoint(kShift, kShift);
    m_expanded = true;
    m_anim.stop();
    m_anim.setDuration(80);
    m_anim.setStartValue(geometry());
    m_anim.setEndValue(QRect(geometry().topLeft() - shift, QSize(kExpanded, kExpanded)));
    m_anim.start();
    m_loop.exec();
}

void ZUFreeActBar::onCenterButton(bool remote)
{
    ZUFreeActBar_right* menu = ZUFreeActBar_right::getInstance();
    const int state = m_ser.state();
    switch (m_ser.centreAction()) {
    case ZUFreeActSer::Centre::OpenMenu:
        __nofreeMode();
        m_ser.setState(ZUFreeActSer::Menu);
        if (!remote)
            menu->setFocusIndex(0);
        menu->showMenu();
        break;
    case ZUFreeActSer::Centre::CloseMenu:
        menu->hideMenu(true);
        __freeMode(true);
        break;
    case ZUFreeActSer::Centre::CloseQuick:
        m_ser.setQuickStart(false);
        if (state == ZUFreeActSer::Ended)
            ZUFreeActBar_left::getInstance()->hidePanel(true);
        else
            ZUFreeActBar_left_rush::getInstance()->hidePanel(true);
        __freeMode(true);
        break;
    case ZUFreeActSer::Centre::CloseToMenu:
        ZUFreeActBar_left::getInstance()->hidePanel(false);
        ZUFreeActBar_left_rush::getInstance()->hidePanel(false);
        menu->showMenu();
        m_ser.setState(ZUFreeActSer::Menu);
        break;
    case ZUFreeActSer::Centre::Nothing:
        return;
    }
    if (state == ZUFreeActSer::Ended)
        ZUTAVAnswerList::getInstance()->insertAnswerIntoDatabase();
}

void ZUFreeActBar::showOnly(QLabel* label)
{
    actCBtn->setVisible(!label);
    for (QLabel* l : { m_startLabel, m_actLabel, m_endLabel })
        l->setVisible(l == label);
}

void ZUFreeActBar::showStartAnimation()
{
    showOnly(m_startLabel);
    m_startMovie->start();
}

void ZUFreeActBar::__gifStartFinish()
{
    // The interaction may already have ended during the start animation.
    if (m_endLabel->isVisible())
        return;
    showOnly(m_actLabel);
    m_actTurnDue = true;
    m_actMovie->start();
}

// The answering animation turns while answers come in and rests on its first frame when none came during a
// turn: a panel waiting for answers then wakes the program only for its clock.
void ZUFreeActBar::__actFrame(int frame)
{
    if (frame != 0)
        return;
    if (m_actTurnDue)
        m_actTurnDue = false;
    else
        m_actMovie->setPaused(true);
}

void ZUFreeActBar::__actAgain()
{
    // Resting on its first frame, it starts a turn now; turning, it takes one more.
    if (m_actMovie->state() == QMovie::Paused)
        m_actMovie->setPaused(false);
    else
        m_actTurnDue = true;
}

void ZUFreeActBar::showEndAnimation()
{
    m_startMovie->stop();
    m_actMovie->stop();
    showOnly(m_endLabel);
    m_endMovie->start();
}

void ZUFreeActBar::__gifEndFinish()
{
    showOnly(nullptr);
}

void ZUFreeActBar::__getTeacherData(TeacherInfo tdata)
{
    if (!isVisible())
        return;
    const int state = m_ser.state();
    if (tdata.data == QLatin1String("power") && (state == ZUFreeActSer::Collapsed || state == ZUFreeActSer::Menu))
        onCenterButton(false);
    if (m_ser.state() != ZUFreeActSer::Collapsed)
        return;
    if (tdata.data == QLatin1String("mode"))
        quickStartAnswer();
    else if (tdata.data == QLatin1String("question"))
        quickStartFeedback();
}

void ZUFreeActBar::quickStartAnswer()
{
    runQuick(ZUFreeActSer::quickAnswer(TAVMemInfo::getInstance()->configMap.value("AnswerMethod")), 1);
}

void ZUFreeActBar::quickStartFeedback()
{
    runQuick(ZUFreeActSer::quickFeedback(TAVMemInfo::getInstance()->configMap.value("FeedbackType")), 6);
}

void ZUFreeActBar::runQuick(ZUFreeActSer::Quick quick, int menuFocus)
{
    using Quick = ZUFreeActSer::Quick;
    if (quick == Quick::OpenMenu) {
        ZUFreeActBar_right::getInstance()->setFocusIndex(menuFocus);
        onCenterButton(true);
        return;
    }
    __nofreeMode();
    m_ser.setQuickStart(true);
    if (quick == Quick::Nothing)
        return;
    if (quick == Quick::Random) {
        ZUFreeActBar_right::getInstance()->randomA_clicked();
        window()->setWindowOpacity(0.85);
        return;
    }
    m_ser.stopCollapseTimer();
    if (quick == Quick::Rush) {
        m_ser.setState(ZUFreeActSer::RushRunning);
        showStartAnimation();
        ZUFreeActBar_left_rush::getInstance()->launchRush();
        return;
    }
    m_ser.setState(ZUFreeActSer::Running);
    showStartAnimation();
    ZUFreeActBar_left::getInstance()->startType(quick == Quick::Single         ? ZUFreeAnswerSer::Single
                                                    : quick == Quick::Multiple ? ZUFreeAnswerSer::Multiple
                                                    : quick == Quick::Digit    ? ZUFreeAnswerSer::Digit
                                                    : quick == Quick::Vote     ? ZUFreeAnswerSer::Vote
                                                    : quick == Quick::YesNo    ? ZUFreeAnswerSer::YesNo
                                                                               : ZUFreeAnswerSer::Evaluate);
}

void ZUFreeActBar::mousePressEvent(QMouseEvent* e)
{
    ZUTAVDialogBase::mousePressEvent(e);
    m_lastGlobal = e->globalPos();
}

void ZUFreeActBar::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint delta = e->globalPos() - m_lastGlobal;
    m_lastGlobal = e->globalPos();
    if (!m_dragging)
        return;
    int left = x();
    int right = x() + width();
    const ZUFreeActBar_right* menu = ZUFreeActBar_right::getInstance();
    if (menu->isVisible())
        right += menu->width() - width() / 2;
    const QWidget* rush = ZUFreeActBar_left_rush::getInstance();
    const QWidget* panel = ZUFreeActBar_left::getInstance();
    if (rush->isVisible())
        left -= rush->width() - width() / 2;
    else if (panel->isVisible())
        left -= panel->width() - width() / 2;
    const QWidget* host = ZUFreeFullWig::getInstance();
    if ((delta.x() < 0 && left + delta.x() < 0) || (delta.x() > 0 && right + delta.x() > host->width())
        || (delta.y() < 0 && y() + delta.y() < 0) || (delta.y() > 0 && y() + height() + delta.y() > host->height()))
        return;
    move(pos() + delta);
    emit dlgMove();
}
