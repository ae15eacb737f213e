#include "ZUESAnswerListDlg.h"

#include "ZUESAnswerItem.h"
#include "ZUStatsParts.h"

#include <QDebug>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
const int kTopMargin = 9;
}

ZUESAnswerListDlg::ZUESAnswerListDlg()
    : ZUESAnswerWindow("ZUExamSTableDlg",
                       "background-color: qlineargradient(spread:pad, x1:0, y1:0, x2:1, y2:0, stop:0 #39ba60, "
                       "stop:0.184 #39ba60, stop:0.1841 rgba(255, 255, 255, 255), stop:1 rgba(255, 255, 255, 255));")
{
    auto* bodyLayout = new QVBoxLayout(body());
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    m_scrollArea = new QScrollArea(body());
    m_scrollArea->setObjectName("scrollArea");
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_scrollArea->setStyleSheet("QScrollArea, QWidget#scrollAreaWidgetContents{background-color: #00000000;}");
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidgetResizable(true);
    auto* contents = new QWidget;
    contents->setObjectName("scrollAreaWidgetContents");
    contents->resize(814, 403);
    m_scrollVLay = new QVBoxLayout(contents);
    m_scrollVLay->setObjectName("scrollVLay");
    m_scrollVLay->setContentsMargins(7, kTopMargin, 0, 0);
    m_scrollVLay->setSpacing(0);
    m_scrollArea->setWidget(contents);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    contents->setAutoFillBackground(false);
    bodyLayout->addWidget(m_scrollArea);
}

QWidget* ZUESAnswerListDlg::contents() const
{
    return m_scrollArea->widget();
}

void ZUESAnswerListDlg::setAnswerNames(const QVector<QString>& options, const QVector<QStringList>& names)
{
    qDebug() << "enter ZUESAnswerDlg setAnswerNames";
    ZUStatsParts::keepFirst(m_rows, options.size());

    int y = 0;
    for (int i = options.size() - 1; i >= 0; --i) {
        // The rows of the last fill are filled again, top first; the list only grows when it needs more.
        const int k = options.size() - 1 - i;
        ZUESAnswerItem* row = m_rows.value(k);
        if (!row) {
            row = new ZUESAnswerItem;
            m_scrollVLay->addWidget(row);
            row->show();
            m_rows.append(row);
        }
        QFont font(QStringLiteral("微软雅黑"));
        font.setPixelSize(options.at(i).size() < 2 ? 60 : 28);
        row->setTitleFont(font);
        y += row->setData(options.at(i), names.value(i));
    }
    // The layout's top margin is part of the height, or the last row would lose its foot.
    contents()->setFixedHeight(y > 0 ? y + kTopMargin : 0);
    // Every option in view as far as the screen allows, none of them behind a scroll bar.
    m_scrollArea->ensurePolished();
    fitBodyTo(m_scrollArea, contents()->height());
    m_scrollArea->verticalScrollBar()->setValue(0);
}
