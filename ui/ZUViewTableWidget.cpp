#include "ZUViewTableWidget.h"

#include "ZUTAVNoFocusDelegate.h"

#include <QHeaderView>

ZUViewTableWidget::ZUViewTableWidget(QWidget* parent)
    : QTableWidget(parent)
{
    setItemDelegate(new ZUTAVNoFocusDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setLineWidth(0);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setProperty("showDropIndicator", false);
    setDragDropOverwriteMode(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    horizontalHeader()->setVisible(false);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
}
