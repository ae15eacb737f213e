#include "ZUPlainTextDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

ZUPlainTextDelegate::ZUPlainTextDelegate(QObject* parent)
    : ZUTAVNoFocusDelegate(parent)
{
}

const QStaticText& ZUPlainTextDelegate::laidOut(const QString& text, const QStyleOptionViewItem& option) const
{
    // The styled delegate keeps a margin on either side and elides what does not fit.
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
    const int width = option.rect.width() - 2 * margin;
    if (option.font != m_font || width != m_width) {
        m_texts.clear();
        m_font = option.font;
        m_width = width;
    }
    auto it = m_texts.find(text);
    if (it == m_texts.end()) {
        QStaticText laid(QFontMetrics(option.font).elidedText(text, Qt::ElideRight, width));
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), option.font);
        it = m_texts.insert(text, laid);
    }
    return it.value();
}

void ZUPlainTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant display = index.data(Qt::DisplayRole);
    const bool plain = !(option.state & QStyle::State_Selected) && !index.data(Qt::DecorationRole).isValid()
        && !index.data(Qt::BackgroundRole).isValid() && !index.data(Qt::ForegroundRole).isValid()
        && !index.data(Qt::FontRole).isValid();
    if (!plain) {
        ZUTAVNoFocusDelegate::paint(painter, option, index);
        return;
    }
    const QString text = display.toString();
    if (text.isEmpty())
        return;
    const QStaticText& laid = laidOut(text, option);
    const QSizeF size = laid.size();
    const QPointF topLeft(option.rect.x() + (option.rect.width() - size.width()) / 2,
                          option.rect.y() + (option.rect.height() - size.height()) / 2);
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
        : (option.state & QStyle::State_Active)                                ? QPalette::Active
                                                                               : QPalette::Inactive;
    painter->save();
    painter->setFont(option.font);
    painter->setPen(option.palette.color(group, QPalette::Text));
    painter->drawStaticText(topLeft, laid);
    painter->restore();
}
