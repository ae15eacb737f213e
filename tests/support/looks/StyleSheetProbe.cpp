#include "StyleSheetProbe.h"

#include <QFile>
#include <QMutex>
#include <QRegularExpression>
#include <QWidget>

namespace {

QMutex g_mutex;
QStringList g_unparsed;
QtMessageHandler g_previous = nullptr;

void collect(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("Could not parse"))) {
        QMutexLocker locker(&g_mutex);
        g_unparsed << message;
    }
    if (g_previous)
        g_previous(type, context, message);
}

} // namespace

StyleSheetProbe::StyleSheetProbe()
{
    QMutexLocker locker(&g_mutex);
    g_unparsed.clear();
    g_previous = qInstallMessageHandler(collect);
}

StyleSheetProbe::~StyleSheetProbe()
{
    qInstallMessageHandler(g_previous);
}

void StyleSheetProbe::look(QWidget* form)
{
    QList<QWidget*> widgets = form->findChildren<QWidget*>();
    widgets.prepend(form);
    for (QWidget* widget : qAsConst(widgets)) {
        widget->ensurePolished();
        read(widget->styleSheet());
    }
}

void StyleSheetProbe::read(const QString& sheet)
{
    static const QRegularExpression url(QStringLiteral(R"(url\(\s*["']?([^"')]*)["']?\s*\))"));
    for (auto match = url.globalMatch(sheet); match.hasNext();) {
        const QString picture = match.next().captured(1);
        if (m_pictures.contains(picture))
            continue;
        m_pictures << picture;
        if (!picture.startsWith(QLatin1String("images:")))
            m_problems << "named by a path: " + picture;
        else if (!QFile::exists(picture))
            m_problems << "not found: " + picture;
    }
}

QStringList StyleSheetProbe::problems() const
{
    QMutexLocker locker(&g_mutex);
    return g_unparsed + m_problems;
}

QStringList StyleSheetProbe::pictures() const
{
    return m_pictures;
}
