#pragma once

#include "ZUTAVNoFocusDelegate.h"

#include <QFont>
#include <QHash>
#include <QStaticText>

// Draws a cell's plain text centred, in the view's font and text colour, as the styled delegate would for a short
// name, but lays each text out only once, and draws nothing at all for an empty cell: the name grids repaint
// dozens of names for every keypad answer, and the seat grids' empty cells lie under their seats. Cells with more
// than a plain text (selection, icons, other roles) are left to the styled delegate.
class ZUPlainTextDelegate : public ZUTAVNoFocusDelegate
{
    Q_OBJECT
public:
    explicit ZUPlainTextDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QStaticText& laidOut(const QString& text, const QStyleOptionViewItem& option) const;

    mutable QHash<QString, QStaticText> m_texts;
    mutable QFont m_font;
    mutable int m_width = -1;
};
