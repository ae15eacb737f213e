#include "LogHandler.h"
#include "ZUTAVUpdate.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installLogHandler();
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath() + "/plugins");
    return ZUTAVUpdate::run(argc, argv, QCoreApplication::applicationDirPath());
}
