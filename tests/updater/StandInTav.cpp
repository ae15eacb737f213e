// Stands in for TAV in the updater tests. Without arguments it writes its working folder into "started.txt"
// beside itself; with "--wait", or "--hold" (which also takes the single-instance segment like TAV), it
// prints "ready" and runs until its standard input closes.
#include "TavSingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <iostream>
#include <string>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString mode = QCoreApplication::arguments().value(1);
    if (mode.isEmpty()) {
        QFile marker(QCoreApplication::applicationDirPath() + "/started.txt");
        return marker.open(QIODevice::WriteOnly) && marker.write(QDir::currentPath().toUtf8()) > 0 ? 0 : 1;
    }
    TavSingleInstance instance;
    const bool ready = mode != "--hold" || instance.acquire();
    std::cout << (ready ? "ready" : "refused") << std::endl;
    for (std::string line; std::getline(std::cin, line);) { }
    return ready ? 0 : 1;
}
