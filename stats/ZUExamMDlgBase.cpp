#include "ZUExamMDlgBase.h"

#include "ZUExamMItemBase.h"
#include "ZUStatsParts.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
const QSize kDesignSize(836, 432);
}

ZUExamMDlgBase::ZUExamMDlgBase(const char* objectName)
    : QDialog(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(objectName);
    setWindowTitle(QString());
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kDesignSize);
    setStyleSheet("*{border: none;}" + ZUExamMItemBase::styleRules());
    setSizeGripEnabled(false);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    QWidget* card = ZUStatsParts::styledWidget("verticalWidget", QString(), this);
    outer->addWidget(card);
    auto* cardLayout = new QVBoxLayout(card);
    m_cardLayout = cardLayout;
    cardLayout->setContentsMargins(13, 12, 14, 14);
    QWidget* body = ZUStatsParts::styledWidget(
        "bodyWig",
        "QWidget#bodyWig{\nbackground-color: qlineargradient(spread:pad, x1:0, y1:0, x2:1, y2:0, stop:0 #505050, "
        "stop:0.1875 #505050, stop:0.1876 rgba(255, 255, 255, 255), stop:1 rgba(255, 255, 255, 255));\n"
        "border-radius: 10px;\n}",
        card);
    cardLayout->addWidget(body);
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);

    m_scrollArea = new QScrollArea(body);
    m_scrollArea->setObjectName("scrollArea");
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_scrollArea->setStyleSheet("QScrollArea, QWidget#scrollAreaWidgetContents{background-color: #00000000;}");
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidgetResizable(true);
    m_contents = new QWidget;
    m_contents->setObjectName("scrollAreaWidgetContents");
    m_contents->resize(806, 403);
    m_side = new QHBoxLayout(m_contents);
    m_side->setObjectName("horizontalLayout_5");
    m_side->setContentsMargins(0, 0, 10, 0);
    m_scrollVLay = new QVBoxLayout;
    m_scrollVLay->setObjectName("scrollVLay");
    m_scrollVLay->setContentsMargins(7, 9, 7, 0);
    m_scrollVLay->setSpacing(0);
    // Rows keep their height; the room below them stays empty.
    m_scrollVLay->addStretch();
    m_side->addLayout(m_scrollVLay, 1);
    m_scrollArea->setWidget(m_contents);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    m_contents->setAutoFillBackground(false);
    bodyLayout->addWidget(m_scrollArea);

    ZUStatsParts::placeAtBottomCentre(this);
    ZUStatsParts::addShadow(body, QColor(170, 170, 170, 180));
}

void ZUExamMDlgBase::keepRows(int count)
{
    ZUStatsParts::keepFirst(m_rows, count);
    // The rows are laid out and shown together when the fill ends, not one at a time.
    m_contents->hide();
}

void ZUExamMDlgBase::showRows()
{
    m_contents->show();
    // Every item in view as far as the screen allows, none of them behind a scroll bar.
    m_side->invalidate();
    m_scrollArea->ensurePolished();
    const int chrome = layout()->contentsMargins().top() + m_cardLayout->contentsMargins().top()
        + 2 * m_scrollArea->frameWidth() + m_cardLayout->contentsMargins().bottom()
        + layout()->contentsMargins().bottom();
    ZUStatsParts::fitHeight(this, chrome, m_contents->minimumSizeHint().height(), kDesignSize.height());
}

void ZUExamMDlgBase::appendRow(ZUExamMItemBase* row)
{
    m_scrollVLay->insertWidget(m_scrollVLay->count() - 1, row);
    row->show();
    m_rows.append(row);
}
