#include "ZUFreePanelParts.h"

#include "ZUHdManager.h"

#include <QPropertyAnimation>
#include <QPushButton>

namespace ZUFreePanelParts {

QString imageButtonStyle(const QString& normal, const QString& pressed)
{
    return QString("QPushButton{border-image: url(images:interactBar/%1.png);border:0;}"
                   "QPushButton:pressed{border-image: url(images:interactBar/%2.png);}")
        .arg(normal, pressed);
}

QPushButton* roundButton(QWidget* parent, const char* name, const QString& tip, const QString& normal,
                         const QString& pressed, int x, int frameHeight)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(imageButtonStyle(normal, pressed));
    button->setGeometry(x, (frameHeight - 48) / 2, 48, 48);
    return button;
}

void prepareSlide(QPropertyAnimation* show, QPropertyAnimation* hide, QWidget* target, const QRect& open,
                  const QRect& closed)
{
    for (QPropertyAnimation* anim : { show, hide }) {
        anim->setTargetObject(target);
        anim->setPropertyName("geometry");
        anim->setDuration(250);
    }
    show->setStartValue(closed);
    show->setEndValue(open);
    hide->setStartValue(open);
    hide->setEndValue(closed);
}

QString dialStyle(const char* image)
{
    return QString("border-image: url(images:interactBar/%1.png);").arg(image);
}

ZUHdApi* device()
{
    return ZUHdManager::getInstance()->currentApi();
}

} // namespace ZUFreePanelParts
