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

QByteArray WebServicePictures::card(const QString& heading, const QString& text, const QColor& accent)
{
    QImage image(640, 240, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(0, 0, 640, 48, accent);
    painter.setPen(QPen(accent, 3));
    painter.drawRect(1, 1, 637, 237);
    if (canDrawText()) {
        QFont font = painter.font();
        font.setPixelSize(24);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(16, 0, 608, 48), Qt::AlignVCenter | Qt::AlignLeft, heading);
        font.setBold(false);
        font.setPixelSize(22);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(16, 64, 608, 160), Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap, text);
    }
    painter.end();
    return toPng(image);
}

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
