// Stands in for the main program TAV in the updater tests.
//   (no argument)  records that it was started: "started.txt" beside itself holds its working folder
//   --hold         takes the single-instance segment like TAV, prints "held" (or "refused") and keeps it
//                  until its standard input closes
//   --wait         only waits for its standard input to close (a running program file)
#include "TavSingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    std::string line;
    if (args.value(0) == "--hold") {
        TavSingleInstance instance;
        const bool held = instance.acquire();
        std::fputs(held ? "held\n" : "refused\n", stdout);
        std::fflush(stdout);
        while (std::getline(std::cin, line)) { }
        return held ? 0 : 1;
    }
    if (args.value(0) == "--wait") {
        std::fputs("waiting\n", stdout);
        std::fflush(stdout);
        while (std::getline(std::cin, line)) { }
        return 0;
    }
    QFile marker(QCoreApplication::applicationDirPath() + "/started.txt");
    if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    marker.write(QDir::currentPath().toUtf8());
    return 0;
}
