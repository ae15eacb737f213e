#include "ZUExplanationDlg.h"

#include "ZUStatsParts.h"

#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>

namespace {
const char* const kTitleStyle = "font: 20px \"微软雅黑\"; color: #555555;";
}

ZUExplanationDlg::ZUExplanationDlg()
    : QDialog(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("ZUExplanationDlg");
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(tr("解析页面"));
    setFixedSize(836, 432);
    auto* outer = new QGridLayout(this);
    outer->setSpacing(0);
    outer->setContentsMargins(13, 12, 14, 14);
    QWidget* panel = ZUStatsParts::styledWidget("bgWidget", "QWidget#bgWidget{background-color: #ffffff;}", this);
    outer->addWidget(panel);
    auto* layout = new QGridLayout(panel);
    layout->setContentsMargins(45, 30, 10, 10);
    layout->setHorizontalSpacing(16);
    layout->setVerticalSpacing(16);
    layout->addWidget(ZUStatsParts::label("AnTitLbl", tr("答案"), kTitleStyle, panel), 0, 0);
    m_answerLbl
        = ZUStatsParts::label("AnswerLbl", QStringLiteral("C"), "font: 22px \"微软雅黑\"; color: #555555;", panel);
    layout->addWidget(m_answerLbl, 0, 1);
    QLabel* explTitle = ZUStatsParts::label("ExplTitLbl", tr("解析"), kTitleStyle, panel);
    explTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(explTitle, 1, 0, Qt::AlignTop);
    m_scrollArea = new QScrollArea(panel);
    m_scrollArea->setObjectName("scrollArea");
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* contents = new QWidget;
    contents->setObjectName("scrollAreaWidgetContents");
    auto* contentsLayout = new QGridLayout(contents);
    contentsLayout->setContentsMargins(0, 0, 0, 0);
    m_explLbl = ZUStatsParts::label("ExplLbl", QString(), "background-color: #ffffff;", contents);
    m_explLbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    contentsLayout->addWidget(m_explLbl);
    m_scrollArea->setWidget(contents);
    layout->addWidget(m_scrollArea, 1, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);

    ZUStatsParts::placeAtBottomCentre(this);
    ZUStatsParts::addShadow(panel, QColor(170, 170, 170, 180));
}

void ZUExplanationDlg::setData(QPixmap picture, QString answer)
{
    if (!picture.isNull())
        picture = picture.scaledToWidth(qMax(1, m_explLbl->width() - 10), Qt::SmoothTransformation);
    m_explLbl->setPixmap(picture);
    m_answerLbl->setText(answer);
}

QString ZUExplanationDlg::answerText() const
{
    return m_answerLbl->text();
}
