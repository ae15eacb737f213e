#include "ZUFreeCard.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

ZUFreeCard::ZUFreeCard(const QString& formName, const QString& frameName, const QSize& size, const QString& title,
                       const QStringList& lines)
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(formName);
    setWindowIcon(QIcon(QCoreApplication::applicationDirPath() + "/Resources/images/TAV.ico"));
    setWindowTitle(tr("澄语堂"));
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setFixedSize(size);
    move(0, 150);

    auto* frame = new QWidget(this);
    frame->setObjectName(frameName);
    frame->setAttribute(Qt::WA_StyledBackground);
    frame->setStyleSheet(QString("QWidget#%1{border-image: url(images:interactBar/AnswerBg.png);}").arg(frameName));
    frame->setGeometry(rect());
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(46, 14, 30, 20);
    layout->setSpacing(12);
    auto* titleLabel = new QLabel(title, frame);
    titleLabel->setObjectName("titleLabel");
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setFixedHeight(58);
    titleLabel->setStyleSheet("color: rgb(255, 255, 255); font: bold 30px \"微软雅黑\";");
    layout->addWidget(titleLabel);
    layout->addSpacing(14);
    for (const QString& line : lines) {
        auto* option = new QLabel(line, frame);
        option->setStyleSheet("color: rgb(85, 85, 85); font: 30px \"微软雅黑\";");
        option->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        // Clear of the mascot in the lower left corner.
        option->setIndent(60);
        layout->addWidget(option);
    }
    layout->addStretch();
    auto* mascot = new QLabel(frame);
    mascot->setObjectName("label_5");
    mascot->setStyleSheet("border-image: url(images:interactBar/tobrin1.png);");
    mascot->setGeometry(14, size.height() - 96, 80, 80);
    mascot->lower();
}

ZUFreeWhether::ZUFreeWhether()
    : ZUFreeCard("ZUTAVAWhether", "whetherWidget", QSize(438, 330), tr("是否"), { tr("A : 是"), tr("B : 否") })
{
}

ZUFreeDecide::ZUFreeDecide()
    : ZUFreeCard("ZUTAVADecide", "ZUTAVAdecideWidget", QSize(438, 375), tr("表  决"),
                 { tr("A : 同意（赞成）"), tr("B : 不同意（反对）"), tr("C : 弃权") })
{
}

ZUFreeEvaluate::ZUFreeEvaluate()
    : ZUFreeCard("ZUXTAVAEvaluate", "actBarWidget", QSize(450, 437), tr("评  价"),
                 { tr("A : 优秀"), tr("B : 好"), tr("C : 一般"), tr("D : 较差"), tr("E : 差") })
{
}
