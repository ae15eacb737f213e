#pragma once

#include <QStringList>

class QWidget;

// What the style sheets of forms make of the program's pictures. While it lives it collects Qt's complaints
// about sheets it cannot parse, which Qt makes when it polishes a widget, also while a form is being built.
class StyleSheetProbe
{
public:
    StyleSheetProbe();
    ~StyleSheetProbe();

    StyleSheetProbe(const StyleSheetProbe&) = delete;
    StyleSheetProbe& operator=(const StyleSheetProbe&) = delete;

    // Polishes the form and every widget in it, as showing them would, and reads the pictures their sheets name.
    void look(QWidget* form);
    // Reads the pictures the sheet names.
    void read(const QString& sheet);
    // Each sheet Qt dropped, each picture named by a path rather than as "images:..." and each one that
    // cannot be read; empty when the forms look as they should.
    QStringList problems() const;
    // The pictures the sheets named, each once.
    QStringList pictures() const;

private:
    QStringList m_pictures;
    QStringList m_problems;
};
