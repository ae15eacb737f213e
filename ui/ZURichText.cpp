#include "ZURichText.h"

#include <QLabel>

ZURichText::ZURichText(const QString& paragraphStyle)
    : m_style(paragraphStyle)
{
}

ZURichText& ZURichText::paragraph()
{
    m_paragraphs.append(QString());
    return *this;
}

ZURichText& ZURichText::text(const QString& text)
{
    if (m_paragraphs.isEmpty())
        paragraph();
    m_paragraphs.last() += text.toHtmlEscaped();
    return *this;
}

ZURichText& ZURichText::picture(const QString& path)
{
    if (m_paragraphs.isEmpty())
        paragraph();
    m_paragraphs.last() += "<img src=\"" + path.toHtmlEscaped() + "\" style=\"vertical-align: middle\"/>";
    return *this;
}

QString ZURichText::html() const
{
    const QString open = m_style.isEmpty() ? QStringLiteral("<p>") : "<p style=\"" + m_style.toHtmlEscaped() + "\">";
    QString html;
    for (const QString& paragraph : m_paragraphs)
        html += open + paragraph + "</p>";
    return html;
}

void ZURichText::showIn(QLabel* label) const
{
    label->setTextFormat(Qt::RichText);
    label->setText(html());
}
