#include "ZUTAVPieHeader.h"

#include "ui_PieHeader.h"

ZUTAVPieHeader::ZUTAVPieHeader(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::PieHeader)
{
    ui->setupUi(this);
}

ZUTAVPieHeader::~ZUTAVPieHeader()
{
    delete ui;
}

void ZUTAVPieHeader::setColor(const QColor& color)
{
    ui->colorLabel->setStyleSheet(
        QStringLiteral("background-color: rgb(%1, %2, %3);").arg(color.red()).arg(color.green()).arg(color.blue()));
}

void ZUTAVPieHeader::setName(const QString& name)
{
    ui->nameLabel->setText(name);
}

void ZUTAVPieHeader::setPercent(const QString& percent)
{
    ui->percentLabel->setText(percent);
}
