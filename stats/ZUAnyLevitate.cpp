#include "ZUAnyLevitate.h"

#include "ZUPaperAnalyDlg.h"
#include "ZUStuRankingDlg.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The paper analysis first, then the ranking; a hidden window, or one never built, is left alone.
void onShownReports(void (ZUReportWindow::*operation)())
{
    for (ZUReportWindow* report : { static_cast<ZUReportWindow*>(TavSingleton<ZUPaperAnalyDlg>::existing()),
                                    static_cast<ZUReportWindow*>(TavSingleton<ZUStuRankingDlg>::existing()) }) {
        if (report && !report->isHidden())
            (report->*operation)();
    }
}
} // namespace

ZUAnyLevitate::ZUAnyLevitate()
    : QDialog(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("ZUAnyLevitate");
    setFixedSize(62, 182);
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->setContentsMargins(0, 0, 22, 42);
    m_up = addButton("upBtn", "up.png");
    m_down = addButton("downBtn", "down.png");
    m_close = addButton("closeBtn", "close.png");
    connect(m_up, &QPushButton::clicked, this, &ZUAnyLevitate::on_upBtn_clicked);
    connect(m_down, &QPushButton::clicked, this, &ZUAnyLevitate::on_downBtn_clicked);
    connect(m_close, &QPushButton::clicked, this, &ZUAnyLevitate::on_closeBtn_clicked);
}

QPushButton* ZUAnyLevitate::addButton(const char* name, const char* picture)
{
    auto* button = new QPushButton(this);
    button->setObjectName(name);
    button->setFixedSize(40, 40);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral("QPushButton{\n\tborder-image: url(images:analyze/bg-nomal.png);\n"
                                         "\timage: url(images:analyze/%1);\n\tborder: none;\n}\n"
                                         "QPushButton:hover{\n\tborder-image: url(images:analyze/"
                                         "bg-active.png);\n}")
                              .arg(QLatin1String(picture)));
    layout()->addWidget(button);
    return button;
}

void ZUAnyLevitate::on_upBtn_clicked()
{
    onShownReports(&ZUReportWindow::scrollUp);
}

void ZUAnyLevitate::on_downBtn_clicked()
{
    onShownReports(&ZUReportWindow::scrollDown);
}

void ZUAnyLevitate::on_closeBtn_clicked()
{
    onShownReports(&ZUReportWindow::hide);
}
