// Sends one file between two transfer endpoints in two processes on
// loopback and times it; then copies the same file with netcat for
// comparison. Each side reports its own peak resident memory.
//
//   bench_transfer [--mib N] [--packet N] [--dir FOLDER]
//
// The receiving side is this program started again with --receive FOLDER.

#include "filereceiver.h"
#include "filesender.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

double peakRssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// Processor time this process has used, in seconds.
double cpuSeconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return use.ru_utime.tv_sec + use.ru_stime.tv_sec +
           (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

QByteArray sha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

bool makeFile(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(2543);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 left = size; left > 0;) {
        const qint64 n = qMin<qint64>(left, block.size());
        random.fillRange(reinterpret_cast<quint32 *>(block.data()), int(block.size() / 4));
        if (file.write(block.constData(), n) != n)
            return false;
        left -= n;
    }
    return true;
}

// The receiving process: listens on a free port, says which, and reports
// once one file has been written.
int receive(const QString &folder)
{
    transfer::FileReceiver receiver;
    receiver.setSaveFolder(folder);
    receiver.setPacketSize(2500);
    if (!receiver.listen(0)) {
        std::printf("ERROR listen\n");
        return 1;
    }
    QElapsedTimer clock;
    double cpuAtStart = 0;
    QObject::connect(&receiver, &transfer::FileReceiver::fileOpened, [&] {
        clock.start();
        cpuAtStart = cpuSeconds();
    });
    QObject::connect(&receiver, &transfer::FileReceiver::fileClosed,
                     [&](const QString &path, bool complete) {
                         std::printf("DONE %d %lld %lld %.1f %.3f\n", complete ? 1 : 0,
                                     static_cast<long long>(QFileInfo(path).size()),
                                     static_cast<long long>(clock.elapsed()), peakRssMiB(),
                                     cpuSeconds() - cpuAtStart);
                         std::fflush(stdout);
                         QCoreApplication::quit();
                     });
    std::printf("PORT %u\n", receiver.port());
    std::fflush(stdout);
    return QCoreApplication::exec();
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// Copies @p source over loopback with netcat into @p target; seconds, or -1.
double netcat(const QString &source, const QString &target)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const quint16 port = freePort();
        QProcess listener;
        listener.setStandardOutputFile(target);
        listener.start(QStringLiteral("nc"), {QStringLiteral("-l"), QStringLiteral("127.0.0.1"),
                                              QString::number(port)});
        if (!listener.waitForStarted())
            return -1;
        QThread::msleep(300); // until it listens
        QProcess client;
        client.setStandardInputFile(source);
        QElapsedTimer clock;
        clock.start();
        client.start(QStringLiteral("nc"), {QStringLiteral("-N"), QStringLiteral("127.0.0.1"),
                                            QString::number(port)});
        client.waitForFinished(-1);
        if (client.exitCode() != 0) {
            listener.kill();
            listener.waitForFinished();
            continue; // not listening yet: again on another port
        }
        listener.waitForFinished(-1);
        return clock.nsecsElapsed() / 1e9;
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args.at(1) == QLatin1String("--receive"))
        return receive(args.at(2));

    qint64 mib = 256;
    int packet = 2500;
    QString base = QDir::tempPath();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--mib"))
            mib = args.at(i + 1).toLongLong();
        else if (args.at(i) == QLatin1String("--packet"))
            packet = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--dir"))
            base = args.at(i + 1);
    }
    const qint64 size = mib << 20;

    QTemporaryDir dir(base + QStringLiteral("/bench_transfer-XXXXXX"));
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    const QString received = dir.filePath(QStringLiteral("received/"));
    if (!dir.isValid() || !makeFile(source, size) || !QDir().mkpath(received)) {
        std::printf("cannot prepare %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("file: %lld MiB, packet size %d bytes, folder %s\n", static_cast<long long>(mib),
                packet, qPrintable(dir.path()));

    // Our two endpoints, one process each.
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--receive"), received});
    if (!child.waitForStarted() || !child.waitForReadyRead(10000)) {
        std::printf("receiver did not start\n");
        return 1;
    }
    const QByteArray portLine = child.readLine().trimmed();
    const quint16 port = portLine.mid(5).toUShort();

    transfer::FileSender sender;
    QElapsedTimer clock;
    QByteArray doneLine;
    double senderSeconds = -1;
    double senderCpu = -1;
    bool failed = false;
    double cpuAtStart = 0;
    QObject::connect(&sender, &transfer::FileSender::accepted, [&] {
        clock.start();
        cpuAtStart = cpuSeconds();
        if (!sender.offer(source, packet)) {
            failed = true;
            app.quit();
        }
    });
    QObject::connect(&sender, &transfer::FileSender::transferEnded,
                     [&](transfer::FileSender::Outcome outcome) {
                         senderSeconds = clock.nsecsElapsed() / 1e9;
                         senderCpu = cpuSeconds() - cpuAtStart;
                         failed = outcome != transfer::FileSender::Outcome::Completed;
                         if (failed || !doneLine.isEmpty())
                             app.quit();
                     });
    QObject::connect(&sender, &transfer::FileSender::connectFailed, [&] {
        failed = true;
        app.quit();
    });
    QObject::connect(&child, &QProcess::readyReadStandardOutput, [&] {
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            if (line.startsWith("DONE")) {
                doneLine = line;
                if (senderSeconds >= 0)
                    app.quit();
            }
        }
    });
    QObject::connect(&child, &QProcess::finished, [&] {
        if (doneLine.isEmpty()) {
            failed = true;
            app.quit();
        }
    });
    sender.connectTo(QStringLiteral("127.0.0.1"), QString::number(port), QStringLiteral("bench"));
    app.exec();
    const double seconds = senderSeconds; // offer to the receiver hanging up
    child.waitForFinished();
    if (failed || doneLine.isEmpty()) {
        std::printf("transfer failed\n");
        return 1;
    }
    const QList<QByteArray> done = doneLine.split(' ');
    const double receiverRss = done.value(4).toDouble();
    const QString target = received + QStringLiteral("source.bin");
    const bool same = done.value(1) == "1" && QFileInfo(target).size() == size &&
                      sha256(target) == sha256(source);
    const double ours = double(mib) / seconds;
    std::printf("transfer: %.3f s (receiver done after %.3f s), %.1f MiB/s, file %s\n", seconds,
                done.value(3).toDouble() / 1000.0, ours, same ? "identical (SHA-256)" : "DIFFERENT");
    std::printf("peak RSS: sender %.1f MiB, receiver %.1f MiB\n", peakRssMiB(), receiverRss);
    std::printf("processor time: sender %.3f s, receiver %.3f s\n", senderCpu,
                done.value(5).toDouble());
    QFile::remove(target);

    const QString copy = dir.filePath(QStringLiteral("nc.bin"));
    const double ncSeconds = netcat(source, copy);
    if (ncSeconds > 0) {
        const bool ncSame = QFileInfo(copy).size() == size;
        const double nc = double(mib) / ncSeconds;
        std::printf("nc: %.3f s, %.1f MiB/s%s\n", ncSeconds, nc, ncSame ? "" : " (short copy)");
        std::printf("ratio transfer/nc: %.2f\n", ours / nc);
    } else {
        std::printf("nc: could not run\n");
    }
    return same ? 0 : 1;
}
