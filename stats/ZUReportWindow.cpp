#include "ZUReportWindow.h"

#include "ZUAnyLevitate.h"
#include "ZUStatsParts.h"
#include "ZUStyledItemDelegate.h"
#include "ZUViewTableWidget.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

ZUReportWindow::ZUReportWindow(const char* objectName, const QString& title, const QSize& closeSize)
    : QDialog(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(objectName);
    setWindowTitle(title);
    // Full screen from the start, so that the first fill already sees the table's real width.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->geometry().size());
    setWindowState(Qt::WindowFullScreen);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    QWidget* titleBar
        = ZUStatsParts::styledWidget("TitleWidget", "QWidget#TitleWidget{background-color: #39ba60;}", this);
    titleBar->setFixedHeight(33);
    auto* bar = new QHBoxLayout(titleBar);
    bar->setContentsMargins(0, 5, 5, 5);
    QLabel* logo
        = ZUStatsParts::label("ImageLbl", QString(), "border-image: url(images:interactData/logo.png);", titleBar);
    logo->setFixedSize(25, 25);
    bar->addWidget(logo);
    QLabel* titleLabel = ZUStatsParts::label("TitleLbl", title, "color: rgb(8, 98, 35);", titleBar);
    titleLabel->setFont(QFont(QStringLiteral("微软雅黑"), 12));
    titleLabel->setFixedHeight(20);
    bar->addWidget(titleLabel);
    bar->addSpacerItem(new QSpacerItem(40, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_closeButton = new QPushButton(titleBar);
    m_closeButton->setObjectName("closeButton");
    m_closeButton->setFixedSize(closeSize);
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    m_closeButton->setStyleSheet("QPushButton{border-image: url(images:interactBar/close.png); border: none;}"
                                 "QPushButton:hover{border-image: url(images:interactBar/close-h.png);}");
    bar->addWidget(m_closeButton);
    m_layout->addWidget(titleBar);
    connect(m_closeButton, &QPushButton::clicked, this, &ZUReportWindow::on_closeButton_clicked);
}

QTableWidget* ZUReportWindow::makeTable(const QStringList& headers, int headerHeight, const char* background)
{
    m_table = new ZUViewTableWidget(this);
    m_table->setObjectName("anyTabelWidget");
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setShowGrid(false);
    m_table->setSortingEnabled(false);
    m_table->setColumnCount(headers.size());
    m_table->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < headers.size(); ++c)
        m_table->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);
    QHeaderView* header = m_table->horizontalHeader();
    header->setVisible(true);
    header->setStretchLastSection(true);
    header->setFixedHeight(headerHeight);
    m_table->verticalHeader()->setDefaultSectionSize(30);
    m_table->verticalHeader()->setMinimumSectionSize(25);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setStyleSheet(QStringLiteral("QTableWidget{font: 16px \"微软雅黑\"; color: #555555; background-color: %1;}"
                                          "QTableWidget::item, QTableWidget::item:hover, QTableWidget::item:selected"
                                          "{color: #555555; background-color: %1;}"
                                          "QHeaderView::section{font: 16px \"微软雅黑\"; background-color: #e2e9ed;"
                                          "color: #999999; border: none; height: %2px;}")
                               .arg(QLatin1String(background))
                               .arg(headerHeight));
    m_table->setItemDelegate(new ZUStyledItemDelegate(m_table));
    m_table->installEventFilter(this);
    return m_table;
}

void ZUReportWindow::scrollDown()
{
    QScrollBar* bar = m_table->verticalScrollBar();
    bar->setValue(bar->value() + 1);
}

void ZUReportWindow::scrollUp()
{
    QScrollBar* bar = m_table->verticalScrollBar();
    bar->setValue(bar->value() - 1);
}

void ZUReportWindow::carryLevitate()
{
    ZUAnyLevitate* levitate = ZUAnyLevitate::getInstance();
    levitate->setParent(m_table);
    placeLevitate();
    levitate->show();
}

void ZUReportWindow::placeLevitate()
{
    ZUAnyLevitate* levitate = ZUAnyLevitate::getInstance();
    levitate->move(m_table->width() - levitate->width(), m_table->height() - levitate->height());
}

bool ZUReportWindow::eventFilter(QObject* watched, QEvent* e)
{
    // The screen may give the window its full size only after it was filled: the control keeps to the corner.
    if (watched == m_table && e->type() == QEvent::Resize && ZUAnyLevitate::getInstance()->parent() == m_table)
        placeLevitate();
    return QDialog::eventFilter(watched, e);
}

void ZUReportWindow::on_closeButton_clicked()
{
    hide();
}
