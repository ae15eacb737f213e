#include "ZUWebView.h"

ZUWebView::ZUWebView(QWidget* parent)
    : QWebView(parent)
    , m_focusHolder(parent)
{
}

void ZUWebView::keyPressEvent(QKeyEvent* e)
{
    if (m_focusHolder)
        m_focusHolder->clearFocus();
    setFocusPolicy(Qt::StrongFocus);
    QWebView::keyPressEvent(e);
}
