#pragma once

#include <QRect>
#include <QString>

class QPropertyAnimation;
class QPushButton;
class QWidget;
class ZUHdApi;

// What the answering and rush panels and the menu build alike: picture buttons, the slide of their inner frame,
// the clock dial and the current keypad device.
namespace ZUFreePanelParts {

// Style of a button drawn by a picture of the interaction bar's folder, with another picture while pressed.
QString imageButtonStyle(const QString& normal, const QString& pressed);
// A 48 px round picture button centred in a frame of the given height.
QPushButton* roundButton(QWidget* parent, const char* name, const QString& tip, const QString& normal,
                         const QString& pressed, int x, int frameHeight);
// 250 ms slides of target between the open and the closed rectangle.
void prepareSlide(QPropertyAnimation* show, QPropertyAnimation* hide, QWidget* target, const QRect& open,
                  const QRect& closed);
QString dialStyle(const char* image);
ZUHdApi* device();

} // namespace ZUFreePanelParts
