#include "ZUHelpDlg.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
QString formStyle()
{
    QString style = R"(
#mainFrame { background-color: #ffffff; border: 1px solid #d6d6d6; }
#headerFrame { background-color: #39ba60; }
#titleLabel { color: #ffffff; font-size: 15px; font-weight: bold; }
#closeBtn { border: none; border-image: url(@Login/close.png); }
#closeBtn:hover { border-image: url(@Login/close-h.png); }
)";
    return style.replace("@", QCoreApplication::applicationDirPath() + "/Resources/images/");
}
} // namespace

ZUHelpDlg::ZUHelpDlg()
    : QDialog(nullptr)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::Dialog);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(formStyle());

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* mainFrame = new QFrame(this);
    mainFrame->setObjectName("mainFrame");
    outer->addWidget(mainFrame);
    auto* layout = new QVBoxLayout(mainFrame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QFrame(mainFrame);
    header->setObjectName("headerFrame");
    header->setFixedHeight(38);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(14, 0, 8, 0);
    auto* title = new QLabel(tr("快速安装使用指导"), header);
    title->setObjectName("titleLabel");
    auto* closeBtn = new QPushButton(header);
    closeBtn->setObjectName("closeBtn");
    closeBtn->setToolTip(tr("关闭"));
    closeBtn->setFixedSize(26, 23);
    headerLayout->addWidget(title);
    headerLayout->addStretch();
    headerLayout->addWidget(closeBtn);
    layout->addWidget(header);

    // The guide is taller than most screens: it scrolls inside the dialog's fixed height.
    auto* scroll = new QScrollArea(mainFrame);
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
    if (!picture.load(QCoreApplication::applicationDirPath() + "/Resources/images/Login/help.png"))
        return;
    m_picture->setPixmap(picture);
    m_picture->setFixedSize(picture.width(), picture.height());
    const QRect available = QApplication::primaryScreen()->availableGeometry();
    setFixedWidth(picture.width() + 15);
    setFixedHeight(available.bottom() - available.top() + 1);
    move(available.width() / 2 - picture.width() / 2, 0);
}

void ZUHelpDlg::on_closeBtn_clicked()
{
    hide();
}
