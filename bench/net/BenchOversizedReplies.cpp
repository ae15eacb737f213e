// What a reply far over its cap costs when it comes at loopback speed while the interface thread is held up for a
// second: the peak memory of the process above its size before, and the bytes written to disk, for a picture of the
// quiz (a download capped at 16 MiB) and for a web request (16 MiB), with the body's length announced and not; and
// the same for about a megabyte sent with Content-Encoding gzip that inflates to the body's size, with its length and
// chunked.
//   build/bench-bin/BenchOversizedReplies [--megabytes N]   (default: a body of 1024 MiB)

#include "BenchVerdict.h"
#include "BusyThread.h"
#include "HttpDownFile.h"
#include "NetTestSupport.h"
#include "PeakMemory.h"
#include "TAVNetEvent.h"
#include "TAVNetManager.h"
#include "TavWebService.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

namespace {

const qint64 kMiB = 1024 * 1024;
const qint64 kCap = 16 * kMiB;
const qint64 kMemoryGoal = 64 * kMiB; // above the size before
const qint64 kCompressedGoal = 100 * 1000 * 1000; // 100 MB above the size before, for any inflated size

struct Figures
{
    qint64 grown = 0;
    qint64 written = -1; // -1: nothing goes to disk
};

Figures measure(TavWebService& service, bool download, const QString& dir)
{
    QObject context;
    QObject::connect(&service, &TavWebService::requestReceived, &context,
                     [](const WebRequest&) { BusyThread::workFor(1000); });
    const QString target = dir + "/picture.png", seen = dir + "/picture.seen";
    if (download) {
        QFile::remove(target);
        QFile::remove(seen);
        QFile file(target);
        if (!file.open(QIODevice::WriteOnly) || ::link(QFile::encodeName(target), QFile::encodeName(seen)) != 0)
            return {};
    }
    const PeakMemory::Growth memory;
    if (download) {
        HttpDownFile::getInstance()->downFile(target, "http://" + service.hostPort() + "/huge", kCap);
    } else {
        QByteArray reply;
        TAVNetEvent::getInstance()->post("/huge", "x=1", 60000, reply);
    }
    Figures figures;
    figures.grown = memory.bytes();
    if (download)
        figures.written = QFileInfo(seen).size();
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qint64 megabytes = 1024;
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && args.at(1) == "--megabytes")
        megabytes = args.at(2).toLongLong();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    TavWebService service;
    QTemporaryDir dir;
    if (!service.start() || !dir.isValid() || !NetTestSupport::useServer("127.0.0.1", service.port())
        || !PeakMemory::reset()) {
        std::fprintf(stderr, "cannot set up the service or read the memory\n");
        return 1;
    }
    std::printf("A body of %lld MiB at loopback speed, the interface thread busy for 1 s once it is asked for\n",
                megabytes);
    BenchVerdict verdict;
    for (const bool download : { true, false }) {
        for (const bool announced : { true, false }) {
            service.setOversizedReply("/huge", megabytes * kMiB, announced);
            const Figures f = measure(service, download, dir.path());
            const QString reply = QStringLiteral("%1, %2 length")
                                      .arg(download ? QStringLiteral("picture") : QStringLiteral("web request"),
                                           announced ? QStringLiteral("announced") : QStringLiteral("unannounced"));
            verdict.atMost(reply + QStringLiteral(", peak memory +"), double(f.grown) / kMiB, QStringLiteral("MiB"),
                           double(kMemoryGoal) / kMiB, 1);
            if (download)
                verdict.atMost(reply + QStringLiteral(", written to disk"), double(f.written), QStringLiteral("bytes"),
                               double(announced ? 0 : kCap), 0);
        }
    }
    for (const bool download : { true, false }) {
        for (const bool chunked : { false, true }) {
            service.setCompressedReply("/huge", megabytes * kMiB, "gzip", chunked);
            const Figures f = measure(service, download, dir.path());
            const QString reply = QStringLiteral("gzip %1, %2")
                                      .arg(download ? QStringLiteral("picture") : QStringLiteral("web request"),
                                           chunked ? QStringLiteral("chunked") : QStringLiteral("with length"));
            verdict.atMost(reply + QStringLiteral(", peak memory +"), double(f.grown) / kMiB, QStringLiteral("MiB"),
                           double(kCompressedGoal) / kMiB, 1);
            if (download)
                verdict.atMost(reply + QStringLiteral(", written to disk"), double(f.written), QStringLiteral("bytes"),
                               0, 0);
        }
    }
    return verdict.finish();
}
