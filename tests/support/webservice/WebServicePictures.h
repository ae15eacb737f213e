#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

// Small PNG pictures drawn at run time: question and explanation cards, teacher avatars.
class WebServicePictures
{
public:
    static QByteArray card(const QString& heading, const QString& text, const QColor& accent);
    static QByteArray avatar(const QString& name);
};
