#include "ZUHelpDlg.h"

#include "ZUFormFrame.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

ZUHelpDlg::ZUHelpDlg()
    : QDialog(nullptr)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::Dialog);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(ZUFormFrame::styleSheet("#mainFrame { background-color: #ffffff; border: 1px solid #d6d6d6; }"));

    auto* layout = ZUFormFrame::addMainFrame(this);
    ZUFormFrame::addTitleBar(layout, tr("快速安装使用指导"), { { "closeBtn", tr("关闭") } });

    // The guide is taller than most screens: it scrolls inside the dialog's fixed height.
    auto* scroll = new QScrollArea(layout->parentWidget());
    scroll->setObjectName("pictureArea");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll->viewport()->setStyleSheet("background-color: #ffffff;");
    m_picture = new QLabel();
    m_picture->setObjectName("pictureLabel");
    scroll->setWidget(m_picture);
    layout->addWidget(scroll);
    resize(640, 480);

    QMetaObject::connectSlotsByName(this);

    QPixmap picture;
    if (!picture.load(ZUFormFrame::imagePath("Login/help.png")))
        return;
    m_picture->setPixmap(picture);
    m_picture->setFixedSize(picture.width(), picture.height());
    const QRect available = QApplication::primaryScreen()->availableGeometry();
    setFixedWidth(picture.width() + 15);
    setFixedHeight(available.bottom() - available.top() + 1);
    move(int(available.width() / 2.0 - picture.width() / 2.0), 0);
}

void ZUHelpDlg::on_closeBtn_clicked()
{
    hide();
}
