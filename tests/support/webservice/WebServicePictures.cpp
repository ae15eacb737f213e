#include "WebServicePictures.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

namespace {

// Fonts need a GUI application object; a plain core application gets pictures without text.
bool canDrawText()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

QByteArray toPng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

QByteArray WebServicePictures::avatar(const QString& name)
{
    QImage image(120, 120, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x3b, 0x82, 0xc4));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(0, 0, 120, 120);
    if (canDrawText() && !name.isEmpty()) {
        QFont font = painter.font();
        font.setPixelSize(56);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 0, 120, 120), Qt::AlignCenter, name.left(1));
    }
    painter.end();
    return toPng(image);
}
