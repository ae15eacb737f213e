// Runs the updater's install or its recovery in a process of its own, so that a test can kill it for real:
//   tav-install-helper install <archive> <program folder> <version> [stop]
//   tav-install-helper recover <program folder> [stop]
// stop is "file:N" (after the Nth file is placed), "restored:N" (after the Nth file is put back), "commit" (the
// install is whole, its version not yet recorded) or "settled" (recorded, nothing cleared away yet). There it
// prints "stopped" and waits for its standard input to close. At the end it prints "done", whether it succeeded
// and the milliseconds the work took.
#include "TAVPackageInstaller.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <iostream>
#include <string>

namespace {

class StoppingInstaller : public TAVPackageInstaller
{
public:
    explicit StoppingInstaller(const QString& stop)
        : m_stop(stop)
    {
    }

    void fileInstalled(const QString& relativePath) override
    {
        TAVPackageInstaller::fileInstalled(relativePath);
        stopAt(QStringLiteral("file:%1").arg(++m_installed));
    }
    void fileRestored(const QString& relativePath) override
    {
        TAVPackageInstaller::fileRestored(relativePath);
        stopAt(QStringLiteral("restored:%1").arg(++m_restored));
    }
    bool settled(const QString& note, bool installed) override
    {
        stopAt(QStringLiteral("commit"));
        const bool followed = TAVPackageInstaller::settled(note, installed);
        stopAt(QStringLiteral("settled"));
        return followed;
    }

private:
    void stopAt(const QString& point) const
    {
        if (point != m_stop)
            return;
        std::cout << "stopped" << std::endl;
        for (std::string line; std::getline(std::cin, line);) { }
    }

    QString m_stop;
    int m_installed = 0;
    int m_restored = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const bool install = args.value(1) == QLatin1String("install");
    StoppingInstaller installer(args.value(install ? 5 : 3));
    QString error;
    QElapsedTimer clock;
    clock.start();
    bool done = false;
    if (install) {
        Lib7z::init();
        installer.setVersion(args.value(4));
        done = installer.install(args.value(2), args.value(3), &error);
    } else {
        done = installer.recover(args.value(2), &error);
    }
    std::cout << "done " << done << ' ' << clock.elapsed() << ' ' << error.toStdString() << std::endl;
    return done ? 0 : 1;
}
