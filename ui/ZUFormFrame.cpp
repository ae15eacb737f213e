#include "ZUFormFrame.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

void ZUFormFrame::usePictureFolder(const QString& programDir)
{
    QDir::setSearchPaths(QStringLiteral("images"), { programDir + QStringLiteral("/Resources/images") });
}

QString ZUFormFrame::imagePath(const QString& relative)
{
    return QStringLiteral("images:") + relative;
}

QString ZUFormFrame::styleSheet(const QString& formRules)
{
    QString style = R"(
#headerFrame { background-color: #39ba60; }
#titleLabel { color: #ffffff; font-size: 15px; font-weight: bold; }
#minBtn { border: none; border-image: url(@toolbar/tav-min-n.png); }
#minBtn:hover { border-image: url(@toolbar/tav-min-h.png); }
#closeBtn { border: none; border-image: url(@Login/close.png); }
#closeBtn:hover { border-image: url(@Login/close-h.png); }
QComboBox { combobox-popup: 0; }
QComboBox QAbstractItemView { background-color: #ffffff; border: 1px solid #39ba60; outline: 0px; padding: 2px 0px; }
QComboBox QAbstractItemView::item { color: #333333; min-height: 28px; padding-left: 8px; border: none; }
QComboBox QAbstractItemView::item:hover { color: #086223; background-color: #e8f6ec; }
QComboBox QAbstractItemView::item:selected { color: #ffffff; background-color: #39ba60; }
)";
    style += formRules;
    return style.replace("@", imagePath(QString()));
}

void ZUFormFrame::stylePopupList(QComboBox* box)
{
    // The list's frame is laid out when the list is made, here, before the form's rules reach the box: the
    // box must ask for a plain list already, or the list keeps a menu's margins it is not sized for and cuts
    // off a line.
    box->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    box->setItemDelegate(new QStyledItemDelegate(box));
}

QVBoxLayout* ZUFormFrame::addMainFrame(QWidget* dialog, const QMargins& margins, bool shadow)
{
    auto* outer = new QVBoxLayout(dialog);
    outer->setContentsMargins(margins);
    auto* mainFrame = new QFrame(dialog);
    mainFrame->setObjectName("mainFrame");
    if (shadow) {
        auto* effect = new QGraphicsDropShadowEffect(dialog);
        effect->setBlurRadius(13);
        effect->setColor(QColor(190, 190, 190, 190));
        effect->setOffset(0, 2);
        mainFrame->setGraphicsEffect(effect);
    }
    outer->addWidget(mainFrame);

    auto* layout = new QVBoxLayout(mainFrame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

QVector<QPushButton*> ZUFormFrame::addTitleBar(QBoxLayout* layout, const QString& title, const QVector<Button>& buttons,
                                               int height, const QMargins& margins, int spacing)
{
    auto* header = new QFrame(layout->parentWidget());
    header->setObjectName("headerFrame");
    header->setFixedHeight(height);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(margins);
    if (spacing >= 0)
        headerLayout->setSpacing(spacing);
    auto* titleLabel = new QLabel(title, header);
    titleLabel->setObjectName("titleLabel");
    titleLabel->setTextFormat(Qt::PlainText);
    headerLayout->addWidget(titleLabel);
    headerLayout->addStretch();

    QVector<QPushButton*> created;
    for (const Button& button : buttons) {
        auto* b = new QPushButton(header);
        b->setObjectName(button.name);
        b->setToolTip(button.toolTip);
        b->setFixedSize(26, 23);
        headerLayout->addWidget(b);
        created.append(b);
    }
    layout->addWidget(header);
    return created;
}
