#include "ZUSubjectDlg.h"

#include "ZUBaseExamSer.h"
#include "ZUExamMem.h"
#include "ZUOptionChart.h"
#include "ZUStaffAnyItem.h"
#include "ZUStatsFigures.h"
#include "ZUStatsParts.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
enum Tab { Graph = 0, Persons = 1, Explanation = 2 };
const int kLineHeight = 1;

const char* const kTabIcons[] = { "graph", "staff", "explanation" };

QString tabStyle(bool chosen)
{
    return QStringLiteral("QToolButton{color: %1; font: bold 20px \"微软雅黑\"; border: none; background-color: %2;"
                          "border-top-right-radius: 4px; border-bottom-right-radius: 4px;"
                          "padding-top: 5px; padding-bottom: 5px;}")
        .arg(QLatin1String(chosen ? "#ffffff" : "#999999"), QLatin1String(chosen ? "#39ba60" : "#e8e8e8"));
}

QIcon tabIcon(int tab, bool chosen)
{
    return QIcon(QStringLiteral("./Resources/images/analyze/%1-%2.png")
                     .arg(QLatin1String(kTabIcons[tab]), QLatin1String(chosen ? "h" : "n")));
}

QPixmap scaledToWidth(const QPixmap& picture, int width)
{
    return picture.isNull() ? picture : picture.scaledToWidth(qMax(1, width), Qt::SmoothTransformation);
}

ZUBaseExamSer* service()
{
    return ZUExamMem::getInstance()->m_examSer;
}
} // namespace

ZUSubjectDlg::ZUSubjectDlg()
    : QDialog(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("ZUSubjectDlg");
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(tr("详情分析"));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->geometry().size());
    setWindowState(Qt::WindowFullScreen);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    QWidget* veil
        = ZUStatsParts::styledWidget("bgWidget", "QWidget#bgWidget{background-color: rgba(0, 0, 0, 150);}", this);
    outer->addWidget(veil);
    auto* centre = new QGridLayout(veil);
    centre->setRowStretch(0, 1);
    centre->setRowStretch(2, 1);
    centre->setColumnStretch(0, 1);
    centre->setColumnStretch(2, 1);
    QWidget* mid = new QWidget(veil);
    mid->setObjectName("MidWidget");
    centre->addWidget(mid, 1, 1);
    auto* midLayout = new QHBoxLayout(mid);
    midLayout->setContentsMargins(0, 0, 0, 0);
    midLayout->setSpacing(0);
    buildPanel(mid);
    midLayout->addWidget(m_scrollArea);

    QWidget* column = new QWidget(mid);
    column->setObjectName("BtnWidget");
    column->setFixedWidth(50);
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 20, 0, 0);
    QWidget* buttons = new QWidget(column);
    buttons->setObjectName("BtnListWidget");
    buttons->setMinimumHeight(478);
    columnLayout->addWidget(buttons);
    columnLayout->addStretch();
    m_tabs << addTabButton("AnyBtn", tr("图\n形\n分\n析"), 0, buttons)
           << addTabButton("DetBtn", tr("人\n员\n分\n析"), 156, buttons)
           << addTabButton("ExpBtn", tr("题\n目\n解\n析"), 312, buttons);
    midLayout->addWidget(column, 0, Qt::AlignTop);

    connect(m_tabs.at(Graph), &QToolButton::clicked, this, &ZUSubjectDlg::on_AnyBtn_clicked);
    connect(m_tabs.at(Persons), &QToolButton::clicked, this, &ZUSubjectDlg::on_DetBtn_clicked);
    connect(m_tabs.at(Explanation), &QToolButton::clicked, this, &ZUSubjectDlg::on_ExpBtn_clicked);
    for (QToolButton* tab : qAsConst(m_tabs))
        ZUStatsParts::addShadow(tab, QColor(170, 170, 170, 180));
    ZUStatsParts::addShadow(m_scrollArea, QColor(0, 0, 0, 180));
    m_scrollArea->raise();
    selectTab(Graph);
}

ZUSubjectDlg::~ZUSubjectDlg()
{
    delete m_chart;
}

void ZUSubjectDlg::buildPanel(QWidget* parent)
{
    m_scrollArea = new QScrollArea(parent);
    m_scrollArea->setObjectName("scrollArea");
    m_scrollArea->setFixedSize(836, 718);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidgetResizable(true);
    m_showWidget = ZUStatsParts::styledWidget("showWidget", "QWidget#showWidget{background-color: #ffffff;}", nullptr);
    auto* panel = new QVBoxLayout(m_showWidget);
    panel->setContentsMargins(0, 0, 0, 10);
    panel->setSpacing(0);

    QWidget* title = ZUStatsParts::styledWidget(
        "TitleWidget", "QWidget#TitleWidget{border-top-left-radius: 4px; border-top-right-radius: 4px;}", m_showWidget);
    auto* titleLayout = new QVBoxLayout(title);
    titleLayout->setContentsMargins(8, 8, 8, 0);
    titleLayout->setSpacing(0);
    m_topScrollArea = new QScrollArea(title);
    m_topScrollArea->setObjectName("TopScrollArea");
    m_topScrollArea->setFrameShape(QFrame::NoFrame);
    m_topScrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A long question scrolls here, under the answer and the chart, which stay in view.
    m_topScrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_topScrollArea->setWidgetResizable(true);
    m_topScrollArea->setStyleSheet("QScrollArea{background: transparent;}");
    QWidget* area = ZUStatsParts::styledWidget("AreaWidg", "QWidget#AreaWidg{background: transparent;}", nullptr);
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    m_questionLbl = ZUStatsParts::label(
        "QuestionLbl", QString(), "font: bold 36px \"微软雅黑\"; color: #39ba60; background-color: #ffffff;", area);
    m_questionLbl->setFixedWidth(800);
    m_questionLbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    areaLayout->addWidget(m_questionLbl);
    m_topScrollArea->setWidget(area);
    m_topScrollArea->viewport()->setAutoFillBackground(false);
    titleLayout->addWidget(m_topScrollArea);

    auto* answerRow = new QHBoxLayout;
    m_answerRow = answerRow;
    answerRow->setContentsMargins(10, 12, 10, 12);
    answerRow->setSpacing(16);
    QLabel* answerTitle = ZUStatsParts::label(
        "AnswerTitLbl", tr("正确答案"),
        "color: #ffffff; font: 18px \"微软雅黑\"; background-color: #39ba60; border: 1px solid #28a34e;"
        "border-radius: 4px;",
        title);
    answerTitle->setFixedSize(120, 40);
    answerTitle->setAlignment(Qt::AlignCenter);
    answerRow->addWidget(answerTitle);
    m_answerLbl = ZUStatsParts::label("AnswerLbl", QString(), "font: bold 30px \"微软雅黑\"; color: #39ba60;", title);
    answerRow->addWidget(m_answerLbl, 1);
    titleLayout->addLayout(answerRow);
    auto* line = new QFrame(title);
    line->setObjectName("line");
    line->setFixedHeight(kLineHeight);
    line->setStyleSheet("background-color: #d8deea;");
    titleLayout->addWidget(line);
    panel->addWidget(title);

    m_graphAny = new QWidget(m_showWidget);
    m_graphAny->setObjectName("GraphAny");
    m_graphAny->setFixedSize(820, 350);
    auto* graphLayout = new QHBoxLayout(m_graphAny);
    graphLayout->setObjectName("graphLayout");
    graphLayout->setContentsMargins(0, 10, 10, 0);
    m_chart = new ZUOptionChart(this, graphLayout, 0);
    panel->addWidget(m_graphAny);

    m_staffDetails = new QWidget(m_showWidget);
    m_staffDetails->setObjectName("StaffDetails");
    m_staffDetails->setFixedWidth(820);
    m_scrollVLay = new QVBoxLayout(m_staffDetails);
    m_scrollVLay->setObjectName("scrollVLay");
    m_scrollVLay->setContentsMargins(10, 0, 0, 0);
    m_scrollVLay->setSpacing(0);
    panel->addWidget(m_staffDetails);

    m_explWidget = new QWidget(m_showWidget);
    m_explWidget->setObjectName("ExplWidget");
    auto* explLayout = new QVBoxLayout(m_explWidget);
    explLayout->setContentsMargins(8, 10, 8, 0);
    m_expLbl = ZUStatsParts::label("ExpLbl", QString(), "background-color: #ffffff;", m_explWidget);
    m_expLbl->setFixedWidth(800);
    m_expLbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    explLayout->addWidget(m_expLbl);
    panel->addWidget(m_explWidget);
    panel->addStretch();

    m_scrollArea->setWidget(m_showWidget);
}

QToolButton* ZUSubjectDlg::addTabButton(const char* name, const QString& text, int y, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setGeometry(0, y, 50, 161);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(30, 30));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QString ZUSubjectDlg::answerText() const
{
    return m_answerLbl->text();
}

QWidget* ZUSubjectDlg::panel() const
{
    return m_showWidget;
}

int ZUSubjectDlg::currentTab() const
{
    return !m_graphAny->isHidden() ? Graph : !m_staffDetails->isHidden() ? Persons : Explanation;
}

void ZUSubjectDlg::showQuestion(int n)
{
    m_qIndex = n - 1;
    ZUBaseExamSer* ser = service();
    if (ser) {
        const QPixmap picture = scaledToWidth(ser->getQuestionPixmapByQIndex(m_qIndex), m_questionLbl->width() - 10);
        m_questionLbl->setPixmap(picture);
        QString prefix;
        const QuestionRecord item = ser->getQuestionByQIndex(m_qIndex);
        QMap<int, int> items;
        if (ser->optionCountFor(item.sn - 1, items) > 1)
            prefix = QStringLiteral("[%1] ").arg(item.subQuestionID);
        m_answerLbl->setText(prefix + ser->getRightAnswerByQIndex(m_qIndex));
        m_topScrollArea->setFixedHeight(qMin(picture.height(), questionRoom()));
        m_topScrollArea->verticalScrollBar()->setValue(0);
    }
    on_AnyBtn_clicked();
    m_scrollArea->verticalScrollBar()->setValue(0);
}

int ZUSubjectDlg::questionRoom() const
{
    // The panel less what stands in it besides the picture with the graph tab chosen, as buildPanel lays it out.
    m_answerRow->invalidate();
    const QMargins panel = m_showWidget->layout()->contentsMargins();
    const QMargins title = m_topScrollArea->parentWidget()->layout()->contentsMargins();
    const int others = panel.top() + title.top() + m_answerRow->sizeHint().height() + kLineHeight + title.bottom()
        + m_graphAny->height() + panel.bottom();
    return m_scrollArea->height() - 2 * m_scrollArea->frameWidth() - others;
}

void ZUSubjectDlg::selectTab(int tab)
{
    for (int i = 0; i < m_tabs.size(); ++i) {
        m_tabs.at(i)->setIcon(tabIcon(i, i == tab));
        m_tabs.at(i)->setStyleSheet(tabStyle(i == tab));
    }
    // The chosen button lies over its neighbour's shared edge.
    m_tabs.at(tab == Persons ? Explanation : Persons)->raise();
    m_tabs.at(tab)->raise();
    m_graphAny->setVisible(tab == Graph);
    m_staffDetails->setVisible(tab == Persons);
    m_explWidget->setVisible(tab == Explanation);
}

void ZUSubjectDlg::on_AnyBtn_clicked()
{
    selectTab(Graph);
    graphAnalysis();
}

void ZUSubjectDlg::on_DetBtn_clicked()
{
    selectTab(Persons);
    personAnalysis();
}

void ZUSubjectDlg::on_ExpBtn_clicked()
{
    selectTab(Explanation);
    showExplanation();
}

void ZUSubjectDlg::graphAnalysis()
{
    const QList<OptionNamesInfo> list
        = service() ? service()->getAnswerNamesByQIndex(m_qIndex, 5) : QList<OptionNamesInfo>();
    QVector<double> values;
    QStringList labels;
    for (const OptionNamesInfo& entry : list) {
        values.append(entry.names.size());
        labels.append(entry.option);
    }
    const QSize page = m_graphAny->size();
    m_chart->fill(values, ZUStatsFigures::optionColors(labels), labels, QSize(int(page.width() * 0.37), page.height()),
                  QSize(int((page.width() - 60) * 0.33), page.height() - 58));
}

void ZUSubjectDlg::personAnalysis()
{
    const QList<OptionNamesInfo> list
        = service() ? service()->getAnswerNamesByQIndex(m_qIndex, -1) : QList<OptionNamesInfo>();
    // Blocks made for another width have other columns.
    if (!m_staffItems.isEmpty() && m_staffItems.first()->madeForWidth() != m_staffDetails->width())
        ZUStatsParts::keepFirst(m_staffItems, 0);
    ZUStatsParts::keepFirst(m_staffItems, list.size());
    for (int i = list.size() - 1; i >= 0; --i) {
        // The blocks of the last build are filled again, top first; more are made when needed.
        const int k = list.size() - 1 - i;
        ZUStaffAnyItem* block = m_staffItems.value(k);
        if (!block) {
            block = new ZUStaffAnyItem(m_staffDetails->width(), nullptr);
            m_staffItems.append(block);
            m_scrollVLay->addWidget(block);
        }
        block->setData(list.at(i).option, list.at(i).names);
    }
    m_scrollArea->verticalScrollBar()->setValue(0);
}

void ZUSubjectDlg::showExplanation()
{
    const QPixmap picture = service() ? service()->getResolvePixmapByQIndex(m_qIndex) : QPixmap();
    m_expLbl->setPixmap(scaledToWidth(picture, m_expLbl->width() - 10));
}

void ZUSubjectDlg::mousePressEvent(QMouseEvent* e)
{
    // The panel as the teacher sees it: the part of the white page inside the scroll area.
    const QRect visible(m_scrollArea->viewport()->mapTo(this, QPoint(0, 0)), m_scrollArea->viewport()->size());
    const QRect page(m_showWidget->mapTo(this, QPoint(0, 0)), m_showWidget->size());
    if (!visible.intersected(page).contains(e->pos()))
        hide();
    QDialog::mousePressEvent(e);
}
