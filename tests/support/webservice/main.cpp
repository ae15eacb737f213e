// tav-web-service: the local stand-in for the school's web service, used by ./run.sh and by hand.
#include "TavWebService.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QSaveFile>
#include <QTextStream>

int main(int argc, char** argv)
{
    // Pictures are drawn with fonts, which need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tav-web-service"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local web service for TAV"));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Loopback port (0: a free one)."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption portFileOption(
        QStringLiteral("port-file"), QStringLiteral("Write the chosen port into this file."), QStringLiteral("file"));
    const QCommandLineOption dataOption(QStringLiteral("data"), QStringLiteral("Data file (JSON)."),
                                        QStringLiteral("file"), TavWebService::defaultDataFile());
    const QCommandLineOption bindingsOption(
        QStringLiteral("bindings"),
        QStringLiteral(
            "Keep the receiver and keypad bindings made through the service in this file (empty: not kept)."),
        QStringLiteral("file"), QCoreApplication::applicationDirPath() + QStringLiteral("/webservice/bindings.json"));
    const QCommandLineOption servedKeyOption(
        QStringLiteral("served-key"),
        QStringLiteral("Write the answer key of each paper served into this file, for the simulated keypads of a "
                       "TAV in the same folder (empty: not written)."),
        QStringLiteral("file"), QCoreApplication::applicationDirPath() + QStringLiteral("/webservice/served-key.json"));
    const QCommandLineOption trickleOption(
        QStringLiteral("trickle"),
        QStringLiteral("Send the reply of this path a byte every %1 ms, or every ms given (may be given more than "
                       "once).")
            .arg(TavWebService::kTrickleMs),
        QStringLiteral("path[=ms]"));
    const QCommandLineOption oversizedOption(
        QStringLiteral("oversized"),
        QStringLiteral("Answer this path with so many filler bytes, as fast as they are taken, its length announced "
                       "(may be given more than once)."),
        QStringLiteral("path=bytes"));
    parser.addOption(portOption);
    parser.addOption(trickleOption);
    parser.addOption(oversizedOption);
    parser.addOption(bindingsOption);
    parser.addOption(servedKeyOption);
    parser.addOption(portFileOption);
    parser.addOption(dataOption);
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    TavWebService service;
    if (!service.loadDataFile(parser.value(dataOption))) {
        err << "cannot read the data file " << parser.value(dataOption) << Qt::endl;
        return 1;
    }
    const QString bindings = parser.value(bindingsOption);
    if (!bindings.isEmpty() && !service.setBindingsFile(bindings)) {
        err << "cannot read the bindings file " << bindings << Qt::endl;
        return 1;
    }
    service.setServedKeyFile(parser.value(servedKeyOption));
    for (const QString& value : parser.values(trickleOption)) {
        const int at = value.lastIndexOf('=');
        bool number = at > 0;
        const int ms = number ? value.mid(at + 1).toInt(&number) : TavWebService::kTrickleMs;
        if (at > 0 && (!number || ms <= 0)) {
            err << "not path=ms: " << value << Qt::endl;
            return 1;
        }
        service.setTrickledReply(at > 0 ? value.left(at) : value, ms);
    }
    for (const QString& value : parser.values(oversizedOption)) {
        const int at = value.lastIndexOf('=');
        bool number = false;
        const qint64 bytes = value.mid(at + 1).toLongLong(&number);
        if (at <= 0 || !number || bytes < 0) {
            err << "not path=bytes: " << value << Qt::endl;
            return 1;
        }
        service.setOversizedReply(value.left(at), bytes, true);
    }
    if (!service.start(static_cast<quint16>(parser.value(portOption).toUInt()))) {
        err << "cannot listen on 127.0.0.1:" << parser.value(portOption) << Qt::endl;
        return 1;
    }
    if (parser.isSet(portFileOption)) {
        QSaveFile file(parser.value(portFileOption));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray::number(service.port()) + "\n") < 0
            || !file.commit()) {
            err << "cannot write the port file " << parser.value(portFileOption) << Qt::endl;
            return 1;
        }
    }
    out << "listening on " << service.hostPort() << Qt::endl;
    QObject::connect(&service, &TavWebService::requestReceived, [&out](const WebRequest& request) {
        out << request.time.toString(QStringLiteral("HH:mm:ss")) << ' ' << request.method << ' ' << request.host << ' '
            << request.path << " -> " << request.status << (request.signOk ? "" : " (bad sign)") << Qt::endl;
    });
    return app.exec();
}
