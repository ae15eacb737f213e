#include "ZUTAVInteractSData.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_StuResult.h"
#include "ZUFreeFullWig.h"
#include "ZUInteractReportSer.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const char* const kUnselected = "color: #555555;background-color: #d6d6d6;font: 18px \"微软雅黑\";border:0";
const char* const kSelected = "color: #36ba60;background-color: rgb(255, 255, 255);font: 18px \"微软雅黑\";border:0";

QLabel* whiteLabel(const QString& text, QWidget* parent, int px = 18)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setStyleSheet(QString("color: white; font: %1px \"微软雅黑\"; background: transparent;").arg(px));
    return label;
}

} // namespace

ZUTAVInteractSData::ZUTAVInteractSData()
{
    setObjectName("ZUTAVInteractSData");
    setWindowTitle(tr("分析报表"));
    setWindowFlags(Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* titleWidget = new QWidget(this);
    titleWidget->setObjectName("titleWidget");
    titleWidget->setAttribute(Qt::WA_StyledBackground);
    titleWidget->setStyleSheet("#titleWidget{background: #39ba60;}");
    titleWidget->setFixedHeight(64);
    auto* title = new QHBoxLayout(titleWidget);
    title->setContentsMargins(24, 0, 18, 0);
    title->setSpacing(8);
    auto* logo = new QLabel(titleWidget);
    logo->setPixmap(QPixmap("Resources/images/interactData/logo.png"));
    title->addWidget(logo);
    title->addWidget(whiteLabel(tr("分析报表"), titleWidget, 20));
    title->addSpacing(40);
    m_classValue = whiteLabel(tr("初中八年级2班"), titleWidget);
    m_subjectValue = whiteLabel(tr("数学"), titleWidget);
    m_timeValue = whiteLabel("2014", titleWidget);
    const QList<QPair<QString, QLabel*>> values
        = { { tr("班级："), m_classValue }, { tr("科目："), m_subjectValue }, { tr("时间："), m_timeValue } };
    for (const auto& value : values) {
        title->addWidget(whiteLabel(value.first, titleWidget));
        title->addWidget(value.second);
        title->addSpacing(30);
    }
    title->addStretch();
    auto* closeButton = new QPushButton(titleWidget);
    closeButton->setObjectName("closeButton");
    closeButton->setFixedSize(26, 23);
    closeButton->setStyleSheet("QPushButton{border-image: url(images:interactBar/close.png);border:0;}"
                               "QPushButton:hover{border-image: url(images:interactBar/close-h.png);}");
    title->addWidget(closeButton);
    layout->addWidget(titleWidget);

    auto* dataWidget = new QWidget(this);
    dataWidget->setObjectName("dataWidget");
    dataWidget->setAttribute(Qt::WA_StyledBackground);
    dataWidget->setStyleSheet("#dataWidget{background: white;}");
    auto* data = new QVBoxLayout(dataWidget);
    data->setContentsMargins(30, 20, 30, 20);
    stutable = makeTable("stutable", { tr("排名"), tr("姓名"), tr("获赞数量"), tr("参与答题数") });
    m_answerTable
        = makeTable("answerTable", { tr("序号"), tr("互动模式"), tr("参与人数"), tr("获赞人数"), tr("未做答") });
    m_feedbackTable
        = makeTable("feedbackTable",
                    { tr("序号"), tr("互动模式"), tr("参与人数"), "A", "B", "C", "D", "E", tr("其他"), tr("未作答") });
    for (QTableWidget* table : { stutable, m_answerTable, m_feedbackTable })
        data->addWidget(table);
    layout->addWidget(dataWidget, 1);

    auto* bottomWidget = new QWidget(this);
    bottomWidget->setObjectName("bottomWidget");
    bottomWidget->setAttribute(Qt::WA_StyledBackground);
    bottomWidget->setStyleSheet("#bottomWidget{background: #d6d6d6;}");
    bottomWidget->setFixedHeight(64);
    auto* bottom = new QHBoxLayout(bottomWidget);
    bottom->setContentsMargins(0, 0, 24, 0);
    bottom->setSpacing(0);
    stuBtn = makeTab("stuBtn", tr("人员排行统计"));
    answerBtn = makeTab("answerBtn", tr("问答数据统计"));
    feedbackBtn = makeTab("feedbackBtn", tr("反馈数据统计"));
    for (QPushButton* tab : { stuBtn, answerBtn, feedbackBtn }) {
        tab->setParent(bottomWidget);
        bottom->addWidget(tab);
    }
    bottom->addStretch();
    auto* b_closeButton = new QPushButton(tr("退出"), bottomWidget);
    b_closeButton->setObjectName("b_closeButton");
    b_closeButton->setProperty("tavRole", "primary");
    b_closeButton->setFixedSize(120, 40);
    bottom->addWidget(b_closeButton);
    layout->addWidget(bottomWidget);

    connect(stuBtn, &QPushButton::clicked, this, &ZUTAVInteractSData::stuBtn_clicked);
    connect(answerBtn, &QPushButton::clicked, this, &ZUTAVInteractSData::answerBtn_clicked);
    connect(feedbackBtn, &QPushButton::clicked, this, &ZUTAVInteractSData::feedbackBtn_clicked);
    connect(closeButton, &QPushButton::clicked, this, &ZUTAVInteractSData::on_closeButton_clicked);
    connect(b_closeButton, &QPushButton::clicked, this, &ZUTAVInteractSData::on_b_closeButton_clicked);
}

QTableWidget* ZUTAVInteractSData::makeTable(const char* name, const QStringList& headers)
{
    auto* table = new QTableWidget(this);
    table->setObjectName(name);
    table->setColumnCount(headers.size());
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->setSortingEnabled(false);
    table->verticalHeader()->hide();
    table->setShowGrid(false);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table->horizontalHeader()->setFixedHeight(48);
    table->verticalHeader()->setDefaultSectionSize(44);
    table->setStyleSheet("QTableWidget{border: none;}"
                         "QHeaderView::section{background: white; color: #888888; font: 20px \"微软雅黑\";"
                         "border: none; border-bottom: 1px solid #d6d6d6;}");
    return table;
}

QPushButton* ZUTAVInteractSData::makeTab(const char* name, const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setFixedSize(220, 64);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QString ZUTAVInteractSData::classText() const
{
    return m_classValue->text();
}

QString ZUTAVInteractSData::__getInteractName(int mode)
{
    return ZUInteractReportSer::interactName(mode);
}

InteractReport ZUTAVInteractSData::reportOf(QSqlDatabase db) const
{
    QMap<int, QList<StuResultRow>> results;
    for (const InteractInfoRow& row : interactionList)
        results.insert(row.interactID, TAV_StuResult::getInstance()->selectByInteract(db, row.interactID));
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    return ZUInteractReportSer::build(interactionList, results, mem->studentMap, mem->studentList.size());
}

void ZUTAVInteractSData::fillTable(QTableWidget* table, const QVector<QStringList>& rows)
{
    table->clearContents();
    table->setRowCount(rows.size());
    QFont font("微软雅黑");
    font.setPixelSize(18);
    for (int r = 0; r < rows.size(); ++r) {
        const QColor background = r % 2 == 0 ? QColor("#f0f0f0") : QColor(Qt::white);
        for (int c = 0; c < rows.at(r).size(); ++c) {
            auto* item = new QTableWidgetItem(rows.at(r).at(c));
            item->setFont(font);
            item->setBackground(background);
            table->setItem(r, c, item);
        }
    }
}

void ZUTAVInteractSData::__answerData(QSqlDatabase dbCon)
{
    fillTable(m_answerTable, reportOf(dbCon).answers);
}

void ZUTAVInteractSData::__feedbackData(QSqlDatabase dbCon)
{
    fillTable(m_feedbackTable, reportOf(dbCon).feedback);
}

void ZUTAVInteractSData::__initStuAnswerSta(QSqlDatabase dbCon)
{
    fillTable(stutable, reportOf(dbCon).ranking);
}

void ZUTAVInteractSData::showReport()
{
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    m_classValue->setText(TAV_ClassInfo::getInstance()->selectClassName(db, mem->currentClass.classID));
    m_subjectValue->setText(mem->currentSubjectName);
    m_timeValue->setText(mem->currentRecord.startTime);
    interactionList = TAV_InteractInfo::getInstance()->selectByRecord(db, mem->currentRecord.localRecordID);
    __answerData(db);
    __feedbackData(db);
    __initStuAnswerSta(db);
    // Without a window manager full screen means nothing: the geometry is set as well.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    stuBtn_clicked();
    showFullScreen();
    database->closeDbCon(db);
}

void ZUTAVInteractSData::__noneSelectBtn()
{
    const QList<QPair<QPushButton*, const char*>> tabs
        = { { stuBtn, "stu" }, { answerBtn, "answer" }, { feedbackBtn, "feedback" } };
    for (const auto& tab : tabs) {
        tab.first->setStyleSheet(kUnselected);
        tab.first->setIcon(QIcon(QString("Resources/images/interactData/%1-n.png").arg(tab.second)));
        tab.first->setIconSize(QSize(30, 30));
    }
    for (QTableWidget* table : { stutable, m_answerTable, m_feedbackTable })
        table->hide();
}

void ZUTAVInteractSData::selectTab(QPushButton* button, QTableWidget* table, const char* icon, int columns, int parts)
{
    __noneSelectBtn();
    table->show();
    button->setStyleSheet(kSelected);
    button->setIcon(QIcon(QString("Resources/images/interactData/%1-a.png").arg(icon)));
    button->setIconSize(QSize(30, 30));
    // Before the first showing the layout has not sized the table yet: the report fills the screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int width = (isVisible() || !screen ? this->width() : screen->geometry().width()) - 60;
    for (int c = 0; c < columns; ++c)
        table->setColumnWidth(c, width / parts);
}

void ZUTAVInteractSData::stuBtn_clicked()
{
    selectTab(stuBtn, stutable, "stu", 3, 4);
}

void ZUTAVInteractSData::answerBtn_clicked()
{
    selectTab(answerBtn, m_answerTable, "answer", 4, 5);
}

void ZUTAVInteractSData::feedbackBtn_clicked()
{
    selectTab(feedbackBtn, m_feedbackTable, "feedback", 9, 10);
}

void ZUTAVInteractSData::on_closeButton_clicked()
{
    ZUFreeFullWig::getInstance()->show();
    hide();
}

void ZUTAVInteractSData::on_b_closeButton_clicked()
{
    on_closeButton_clicked();
}
