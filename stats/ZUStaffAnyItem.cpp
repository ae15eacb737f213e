#include "ZUStaffAnyItem.h"

#include "ZUStatsFigures.h"

#include <QLabel>
#include <QTableWidget>

ZUStaffAnyItem::ZUStaffAnyItem(int width, QWidget* parent)
    : ZUOptionNamesBlock(parent)
    , m_width(width)
    , m_columns(ZUStatsFigures::columnsFor(width - 157))
{
    setObjectName("ZUStaffAnyItem");
    setStyleSheet("QDialog#ZUStaffAnyItem{background: transparent;}");
    resize(742, 100);
    titleLabel()->setFixedWidth(130);
    titleLabel()->setStyleSheet("color: #35c8ff;\nfont: 26px \"微软雅黑\";");
    countLabel()->setStyleSheet(
        "color: #ffffff;\nfont: 16px \"微软雅黑\";\nbackground-color: #ced4e0;\nborder-radius: 8px;");
    namesTable()->setFixedWidth(qMax(550, m_columns * ZUStatsFigures::kNameColumnWidth));
    namesTable()->setStyleSheet("background-color: transparent;\ncolor: #555555;\nfont: 18px \"微软雅黑\";");
}
