#pragma once

#include <QString>
#include <QStringList>

class QLabel;

// A formatted text of the program's own (a prompt with the key pictures inline, an instruction): paragraphs in
// one look, made of text runs and pictures. Every run is taken as text, never as markup, so a text of the server
// or the keypads that ends up in it still shows as it is. Labels and the notice take it in place of markup.
class ZURichText
{
public:
    // The paragraphs' look as CSS declarations of the program's own ("font-size:14pt; color:#000000;").
    explicit ZURichText(const QString& paragraphStyle = QString());

    // Starts the next paragraph; the first run starts the first one by itself.
    ZURichText& paragraph();
    ZURichText& text(const QString& text);
    // A picture file, drawn in the line at its own size.
    ZURichText& picture(const QString& path);

    QString html() const;
    // Puts the text into the label as rich text.
    void showIn(QLabel* label) const;
    bool isEmpty() const { return m_paragraphs.isEmpty(); }

private:
    QString m_style;
    QStringList m_paragraphs;
};
