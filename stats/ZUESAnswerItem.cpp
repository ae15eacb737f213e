#include "ZUESAnswerItem.h"

#include "ZUStatsFigures.h"

#include <QLabel>
#include <QTableWidget>

ZUESAnswerItem::ZUESAnswerItem(QWidget* parent)
    : ZUOptionNamesBlock(parent)
{
    setObjectName("ZUTAVStatisticalTableItemDialog");
    setStyleSheet("QDialog#ZUTAVStatisticalTableItemDialog{background: transparent;}");
    resize(800, 142);
    // The fill gives the option its size (60 or 28 pixels); the style sheet only colours it.
    titleLabel()->setStyleSheet("color: rgb(255, 255, 255);");
    titleLabel()->setFixedWidth(143);
    QFont count(QStringLiteral("微软雅黑"), 14);
    countLabel()->setFont(count);
    countLabel()->setStyleSheet(
        "background-color: rgb(255, 137, 10);\ncolor: rgb(255, 255, 255);\nborder-radius:10px;");
    namesTable()->setFixedWidth(590);
    namesTable()->setFont(QFont(QStringLiteral("微软雅黑"), 16));
    namesTable()->setStyleSheet("background-color: transparent;\ncolor: rgb(85, 85, 85);");
}

void ZUESAnswerItem::setTitleFont(const QFont& font)
{
    titleLabel()->setFont(font);
}

int ZUESAnswerItem::nameColumns() const
{
    return ZUStatsFigures::columnsFor(namesTable()->width());
}
