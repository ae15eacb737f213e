#pragma once

#include <QByteArray>
#include <QString>

// Small PNG pictures drawn at run time: teacher avatars. (Paper pictures are drawn at build time.)
class WebServicePictures
{
public:
    static QByteArray avatar(const QString& name);
};
