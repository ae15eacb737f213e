#include "ZUESAnswerWindow.h"

#include "ZUStatsParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
const QSize kDesignSize(827, 476);
}

ZUESAnswerWindow::ZUESAnswerWindow(const char* objectName, const QString& bodyStyle)
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(objectName);
    setWindowTitle(tr("表格页面"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kDesignSize);
    setStyleSheet("border:none");
    setSizeGripEnabled(false);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(5, 5, 5, 5);
    QWidget* card = ZUStatsParts::styledWidget("verticalWidget", QString(), this);
    outer->addWidget(card);
    auto* cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(0, 0, 0, 0);
    cardLayout->setSpacing(0);

    QWidget* header = ZUStatsParts::styledWidget("headerWig", "QWidget#headerWig{background-color:#505050;}", card);
    m_header = header;
    header->setMinimumHeight(60);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(20, 0, 0, 0);
    headerLayout->addWidget(
        ZUStatsParts::label("label", tr("正确答案："), "color: rgb(255, 255, 255);\nfont: 26px \"微软雅黑\";", header));
    // A light green: the answer must read on the dark strip from the back of a classroom.
    m_rightAnswer = ZUStatsParts::label("rightAnswerL", QString(), "color: #7ee08f;\nfont: 26px \"微软雅黑\";", header);
    headerLayout->addWidget(m_rightAnswer, 1);
    cardLayout->addWidget(header);

    m_body = ZUStatsParts::styledWidget("bodyWig", "QWidget#bodyWig{" + bodyStyle + "}", card);
    cardLayout->addWidget(m_body, 1);

    ZUStatsParts::placeAtBottomCentre(this);
    ZUStatsParts::addShadow(card, QColor(190, 190, 190, 190));
}

void ZUESAnswerWindow::fitBodyTo(const QScrollArea* area, int listHeight)
{
    const QMargins outer = layout()->contentsMargins();
    const QMargins inBody = m_body->layout() ? m_body->layout()->contentsMargins() : QMargins();
    const int header = qMax(m_header->minimumHeight(), m_header->sizeHint().height());
    const int chrome = outer.top() + header + inBody.top() + 2 * area->frameWidth() + inBody.bottom() + outer.bottom();
    ZUStatsParts::fitHeight(this, chrome, listHeight, kDesignSize.height());
}

void ZUESAnswerWindow::setRightAnswer(const QString& answer)
{
    m_rightAnswer->setText(answer);
}

QString ZUESAnswerWindow::rightAnswer() const
{
    return m_rightAnswer->text();
}
