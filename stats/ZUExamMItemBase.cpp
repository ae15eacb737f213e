#include "ZUExamMItemBase.h"

#include "ZUStatsParts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

ZUExamMItemBase::ZUExamMItemBase(QWidget* parent, int width, int spacing, int rightMargin)
    : ZUDialogPart(parent)
{
    setObjectName("ZUTAVStatisticalTableItemDialog");
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
    m_number = ZUStatsParts::label("AnswerTitleLbl", QString(), QString(), numberBlock);
    m_answer = ZUStatsParts::label("AnswerLbl", QString(), QString(), numberBlock);
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
    outer->addWidget(line);
}

QString ZUExamMItemBase::styleRules()
{
    return QStringLiteral(
        "QDialog#ZUTAVStatisticalTableItemDialog{background: transparent;}"
        "QLabel#AnswerTitleLbl{font: 24px \"微软雅黑\"; color: #c0c0c0;}"
        "QLabel#AnswerLbl{font: 34px \"微软雅黑\"; color: #39ba60;}"
        "QFrame#line{background-color: #d8deea;}"
        "QTableWidget#AnswerNamesTableWidget{background-color: transparent; color: rgb(85, 85, 85);}");
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
