#include "InterfaceWatch.h"

#include "ZUTAVAutoMsg.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>

InterfaceWatch::InterfaceWatch(const std::function<void()>& eachTick, const std::function<bool()>& closeModalsWhen)
    : m_eachTick(eachTick)
    , m_closeModalsWhen(closeModalsWhen)
{
    connect(&m_tick, &QTimer::timeout, this, &InterfaceWatch::tick);
    m_sinceTick.start();
    m_tick.start(kTickMs);
}

void InterfaceWatch::tick()
{
    m_longestGapMs = qMax(m_longestGapMs, m_sinceTick.restart());
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != m_lastModal) {
        QString seen = QString::fromLatin1(modal->metaObject()->className());
        if (const auto* text = modal->findChild<QLabel*>(QStringLiteral("textLabel")))
            seen += QStringLiteral(" \"") + text->text() + QLatin1Char('"');
        m_modals << seen;
    }
    m_lastModal = modal;
    if (modal && (!m_closeModalsWhen || m_closeModalsWhen())) {
        modal->close();
        m_lastModal = nullptr;
    }
    if (m_eachTick)
        m_eachTick();
}

NoticeWatch::NoticeWatch(const QString& text)
    : m_text(text)
{
    ZUTAVAutoMsg::getInstance()->installEventFilter(this);
}

NoticeWatch::~NoticeWatch()
{
    ZUTAVAutoMsg::getInstance()->removeEventFilter(this);
}

bool NoticeWatch::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Show) {
        const QLabel* label = watched->findChild<QLabel*>(QStringLiteral("textLabel"));
        if (label && label->text().contains(m_text)) {
            ++m_count;
            if (static_cast<QWidget*>(watched)->isModal())
                ++m_modalCount;
            QMetaObject::invokeMethod(ZUTAVAutoMsg::getInstance(), "hide", Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, e);
}
