// Stands in for TAV in the updater tests. Without arguments it takes the single-instance segment like TAV and
// writes its working folder, or "refused" when the segment is held, into "started.txt" beside itself; with
// "--wait", or "--hold" (which also takes the segment), it prints "ready" and runs until its standard
// input closes.
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
    TavSingleInstance instance;
    if (mode.isEmpty()) {
        const QByteArray text = instance.acquire() ? QDir::currentPath().toUtf8() : QByteArray("refused");
        QFile marker(QCoreApplication::applicationDirPath() + "/started.txt");
        return marker.open(QIODevice::WriteOnly) && marker.write(text) > 0 ? 0 : 1;
    }
    const bool ready = mode != "--hold" || instance.acquire();
    std::cout << (ready ? "ready" : "refused") << std::endl;
    for (std::string line; std::getline(std::cin, line);) { }
    return ready ? 0 : 1;
}
