#include "ZUExamMItemBase.h"

#include "ZUStatsParts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

ZUExamMItemBase::ZUExamMItemBase(int width, int spacing, int rightMargin)
    : QDialog(nullptr, Qt::FramelessWindowHint)
{
    setObjectName("ZUTAVStatisticalTableItemDialog");
    setStyleSheet("QDialog#ZUTAVStatisticalTableItemDialog{background: transparent;}");
    resize(width, 61);
    setFixedHeight(61);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    QWidget* body = ZUStatsParts::styledWidget("widgetItem", QString(), this);
    outer->addWidget(body, 1);
    m_content = new QHBoxLayout(body);
    m_content->setContentsMargins(0, 0, rightMargin, 0);
    m_content->setSpacing(spacing);

    QWidget* numberBlock = ZUStatsParts::styledWidget("widget", QString(), body);
    numberBlock->setFixedWidth(150);
    auto* numberLayout = new QHBoxLayout(numberBlock);
    numberLayout->setContentsMargins(5, 0, 0, 0);
    numberLayout->setSpacing(5);
    m_number
        = ZUStatsParts::label("AnswerTitleLbl", QString(), "font: 24px \"微软雅黑\";\ncolor: #c0c0c0;", numberBlock);
    m_answer = ZUStatsParts::label("AnswerLbl", QString(), "font: 34px \"微软雅黑\";\ncolor: #39ba60;", numberBlock);
    for (QLabel* label : { m_number, m_answer }) {
        label->setEnabled(false);
        label->setWordWrap(true);
    }
    numberLayout->addWidget(m_number);
    numberLayout->addWidget(m_answer, 1);
    m_content->addWidget(numberBlock);

    auto* line = new QFrame(this);
    line->setObjectName("line");
    line->setFixedHeight(1);
    line->setStyleSheet("background-color: #d8deea;");
    outer->addWidget(line);
}

void ZUExamMItemBase::setNumber(int number, const QString& answer)
{
    m_number->setText(QString::number(number) + QStringLiteral("."));
    m_answer->setText(answer);
}

QString ZUExamMItemBase::numberText() const
{
    return m_number->text();
}

QString ZUExamMItemBase::answerText() const
{
    return m_answer->text();
}
