#include "ZUTAVRandomStu.h"

#include "CodeTool.h"
#include "TAVMemInfo.h"
#include "ZUSound.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QTime>

namespace {
const char* const kRolling = "font: 58px \"微软雅黑\";color: rgb(85, 85, 85);";
const char* const kResult = "font: 58px \"微软雅黑\";color: rgb(57, 186, 96);";
} // namespace

ZUTAVRandomStu::ZUTAVRandomStu()
    : m_random(quint32(QTime(0, 0).secsTo(QTime::currentTime())))
{
    setWindowIcon(QIcon(QCoreApplication::applicationDirPath() + "/Resources/images/TAV.ico"));
    setWindowTitle("TAV");
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_MouseTracking);
    setObjectName("ZUTAVRandomStuBar");
    setFixedSize(620, 280);
    auto* frame = new QWidget(this);
    frame->setObjectName("randomStuWidget");
    frame->setAttribute(Qt::WA_StyledBackground);
    frame->setStyleSheet("#randomStuWidget{border-image: url(images:interactBar/randombg.png);}");
    frame->setGeometry(rect());
    m_name = new QLabel(tr("学生名称"), frame);
    m_name->setObjectName("stuNameLabel");
    m_name->setAlignment(Qt::AlignCenter);
    m_name->setTextFormat(Qt::PlainText);
    m_name->setGeometry(90, 40, 440, 190);
    CodeTool::centerOnDesktop(this);
    connect(&m_rollTimer, &QTimer::timeout, this, &ZUTAVRandomStu::timeout);
    connect(&m_closeTimer, &QTimer::timeout, this, &ZUTAVRandomStu::close_timeout);
}

void ZUTAVRandomStu::setIntervals(int rollMs, int closeMs)
{
    m_rollMs = rollMs;
    m_closeMs = closeMs;
}

QString ZUTAVRandomStu::shownName() const
{
    return m_name->text();
}

QString ZUTAVRandomStu::pick()
{
    m_pool = TAVMemInfo::getInstance()->studentMap.values().toVector();
    m_poolSize = m_pool.size();
    m_pickedId.clear();
    if (m_poolSize == 0)
        return QString();
    m_rollTicks = 20;
    m_rollTimer.start(m_rollMs);
    m_name->setStyleSheet(kRolling);
    show();
    m_loop.exec(QEventLoop::ExcludeUserInputEvents);
    return m_pickedId;
}

void ZUTAVRandomStu::timeout()
{
    const int index = int(m_random.bounded(quint32(m_poolSize)));
    if (m_rollTicks > 0) {
        --m_rollTicks;
        m_name->setText(m_pool.at(index).name);
        ZUSound::getInstance()->playRandomSelection();
        return;
    }
    ZUSound::getInstance()->playBindingSuc();
    m_rollTimer.stop();
    m_pickedId = m_pool.at(index).dovaneID;
    m_name->setText(m_pool.at(index).name);
    m_name->setStyleSheet(kResult);
    startClosing();
}

void ZUTAVRandomStu::startClosing()
{
    m_closeTicks = 2;
    m_closeTimer.start(m_closeMs);
}

void ZUTAVRandomStu::close_timeout()
{
    if (m_closeTicks > 0) {
        --m_closeTicks;
        return;
    }
    m_closeTimer.stop();
    hide();
    m_loop.exit(0);
}

void ZUTAVRandomStu::showName(const QString& name)
{
    m_name->setText(name);
    m_name->setStyleSheet(kResult);
    startClosing();
    show();
}
