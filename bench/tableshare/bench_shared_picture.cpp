// A map shared with the table: the host (the session library and a real
// board, in this process) shares a picture file of about 5 MiB with ten
// clients, each a process of its own with a real board, over loopback.
// Prints the time from the share until every board shows the picture, the
// delay of conversation lines one client sends every 20 ms to the others
// through the host meanwhile, and the resident memory of host and clients.
// Then a newcomer joins: the time until its board shows the picture, sent in
// its board after the drawings before it, and the delay of the conversation
// lines said meanwhile as they reach it.
// Then the host shares a PNG whose header claims 60000 x 60000 pixels:
// the time until every client has refused it, and their memory after.
//
//   bench_shared_picture [clients] [side in pixels of the noise picture]
//
// A side of 0 leaves the map out, so the refusal is measured on fresh clients.
//
// A client is this same program started as "client PORT INDEX".

#include "benchkit.h"
#include "boardimages.h"
#include "boardsurface.h"
#include "bruvela.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "palette.h"
#include "sinks.h"
#include "tableboard.h"
#include "tableshare.h"
#include "trafficlog.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace
{

/// Monotonic nanoseconds, comparable between processes of one machine.
qint64 nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000LL + t.tv_nsec;
}


using benchkit::peakRssMiB;
using benchkit::rssMiB;

/// Runs the event loop until @p done holds, sleeping between events: eleven
/// processes on a few cores must not spin, or the spinning is what is measured.
template <typename F> bool sleepUntil(F done, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick; // wakes the loop to look again
    tick.start(5);
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}


struct Seat {
    session::ChatSession session;
    board::BoardSurface surface;
    board::Palette palette;
    fill::Bruvela bruvela;
    board::DrawingTools tools{&surface, &palette, &bruvela, &session};
    board::BoardImages images{&surface};
    board::TableShare share{&images, &tools, &session};
    Seat()
    {
        session.setBoardSink(share.boardSink());
        session.tableBoard()->setSink(&share);
    }
};

/// Conversation lines "P <sent ns>" become "PING <sent> <delay>" on stdout.
struct Ears : session::ConversationSink {
    void UpdateDialog(const QString &line) override
    {
        if (!line.startsWith(QLatin1String("P ")))
            return;
        const qint64 sent = line.mid(2).toLongLong();
        std::printf("PING %lld %lld\n", static_cast<long long>(sent),
                    static_cast<long long>(nowNs() - sent));
    }
    void UpdateStatus(const QString &) override {}
    void clearDialog() override {}
};

int client(const QStringList &args)
{
    const quint16 port = quint16(args.value(2).toUInt());
    const int index = args.value(3).toInt();
    Seat seat;
    Ears ears;
    seat.session.setConversationSink(&ears);
    const QString name = QStringLiteral("Giocatore%1").arg(index);
    seat.session.setName(name);
    seat.session.setPort(port);
    seat.session.setConnectWait(20);
    QObject::connect(&seat.share, &board::TableShare::pictureShown, [&] {
        std::printf("SHOWN %lld %.1f %.1f\n", static_cast<long long>(nowNs()), rssMiB(),
                    peakRssMiB());
        std::fflush(stdout);
    });
    QObject::connect(&seat.share, &board::TableShare::pictureRefused, [&] {
        std::printf("REFUSED %lld %.1f\n", static_cast<long long>(nowNs()), rssMiB());
        std::fflush(stdout);
    });
    seat.session.cmdConnect_Click(QStringLiteral("127.0.0.1"));
    const QString mine = QStringLiteral("sckConnect: [Aggiorna NeoConnesso]") + name +
                         QStringLiteral(" - ");
    qsizetype scanned = 0;
    if (!sleepUntil(
            [&] {
                const auto *log = seat.session.receivedLog();
                for (; scanned < log->size(); ++scanned)
                    if (log->at(scanned).startsWith(mine))
                        return true;
                return false;
            },
            30000))
        return 1;
    std::printf("READY %.1f\n", rssMiB());
    std::fflush(stdout);
    // Client 0 speaks every 20 ms; the others listen.
    QTimer ping;
    if (index == 0) {
        QObject::connect(&ping, &QTimer::timeout, [&] {
            seat.session.SendToServer(QStringLiteral("[Messaggio]P ") + QString::number(nowNs()));
        });
        ping.start(20);
    }
    // Until the host closes the session.
    sleepUntil([&] { return !seat.session.isClientConnected(); }, 600000);
    return 0;
}

QByteArray noisePng(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    QRandomGenerator random(11);
    for (int y = 0; y < side; ++y) {
        auto *row = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < side; ++x)
            row[x] = random.generate() | 0xFF000000u;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(1);
    writer.write(image);
    return bytes;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

/// A PNG whose well-formed header claims @p side x @p side pixels.
QByteArray claimingPng(quint32 side)
{
    auto chunk = [](const QByteArray &type, const QByteArray &data) {
        QByteArray field(4, '\0');
        qToBigEndian<quint32>(quint32(data.size()), field.data());
        QByteArray out = field + type + data;
        qToBigEndian<quint32>(crc32(type + data), field.data());
        return out + field;
    };
    QByteArray header(8, '\0');
    qToBigEndian<quint32>(side, header.data());
    qToBigEndian<quint32>(side, header.data() + 4);
    header += QByteArray::fromHex("0802000000");
    return QByteArray::fromHex("89504e470d0a1a0a") + chunk("IHDR", header) +
           chunk("IDAT", QByteArray(4096, '\0')) + chunk("IEND", QByteArray());
}

struct Child {
    std::unique_ptr<QProcess> process;
    QByteArray pending;
    bool ready = false;
    double readyRss = 0;
    qint64 shownNs = 0;
    double shownRss = 0;
    double shownPeak = 0;
    qint64 refusedNs = 0;
    double refusedRss = 0;
    std::vector<std::pair<qint64, qint64>> pings; ///< sent, delay
    void read()
    {
        pending += process->readAllStandardOutput();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QList<QByteArray> f = pending.left(end).split(' ');
            pending.remove(0, end + 1);
            if (f.value(0) == "READY") {
                ready = true;
                readyRss = f.value(1).toDouble();
            } else if (f.value(0) == "SHOWN") {
                shownNs = f.value(1).toLongLong();
                shownRss = f.value(2).toDouble();
                shownPeak = f.value(3).toDouble();
            } else if (f.value(0) == "REFUSED") {
                refusedNs = f.value(1).toLongLong();
                refusedRss = f.value(2).toDouble();
            } else if (f.value(0) == "PING") {
                pings.emplace_back(f.value(1).toLongLong(), f.value(2).toLongLong());
            }
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("client"))
        return client(args);
    const int count = args.size() > 1 ? args[1].toInt() : 10;
    const int side = args.size() > 2 ? args[2].toInt() : 1320;

    const QByteArray map = side > 0 ? noisePng(side) : QByteArray();
    Seat host;
    host.session.setName(QStringLiteral("Oste"));
    host.session.setPort(0);
    host.session.cmdHost_Click();
    const quint16 port = host.session.listeningPort();

    std::vector<Child> children(static_cast<size_t>(count));
    children.reserve(size_t(count) + 1); // the newcomer's; the others' handlers hold their places
    for (int i = 0; i < count; ++i) {
        Child &c = children[size_t(i)];
        c.process = std::make_unique<QProcess>();
        c.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(c.process.get(), &QProcess::readyReadStandardOutput, [&c] { c.read(); });
        c.process->start(QCoreApplication::applicationFilePath(),
                         {QStringLiteral("client"), QString::number(port), QString::number(i)});
    }
    if (!sleepUntil([&] {
            return std::all_of(children.begin(), children.end(), [](const Child &c) { return c.ready; });
        }, 120000)) {
        std::printf("the clients did not all join\n");
        return 1;
    }
    sleepUntil([] { return false; }, 1500); // the conversation runs a while first

    double clientReady = 0;
    for (const Child &c : children)
        clientReady = std::max(clientReady, c.readyRss);
    bool allShown = true;
    if (side > 0) {
        // The map on the host's board, then shared.
        const QImage picture = board::BoardImages::decodeShared(map);
        host.images.loadShared(picture, map);
        const double hostRssBefore = rssMiB();
        const qint64 shareNs = nowNs();
        if (!host.share.shareBoardPicture()) {
            std::printf("share refused: %s\n", qPrintable(host.share.why()));
            return 1;
        }
        allShown = sleepUntil([&] {
            return std::all_of(children.begin(), children.end(), [](const Child &c) { return c.shownNs; });
        }, 300000);
        qint64 lastShown = shareNs;
        for (const Child &c : children)
            lastShown = std::max(lastShown, c.shownNs);
        const double hostRssShared = rssMiB();
        sleepUntil([] { return false; }, 500);

        // Delays of the lines sent while the picture travelled.
        std::vector<double> during, before;
        for (const Child &c : children) {
            for (const auto &[sent, delay] : c.pings) {
                if (sent >= shareNs && sent <= lastShown)
                    during.push_back(delay / 1e6);
                else if (sent < shareNs && sent >= shareNs - 1000000000LL)
                    before.push_back(delay / 1e6); // the last second, everyone joined
            }
        }
        std::sort(during.begin(), during.end());
        std::sort(before.begin(), before.end());
        auto show = [](const char *label, const std::vector<double> &v) {
            if (v.empty()) {
                std::printf("  %-44s no lines\n", label);
                return;
            }
            std::printf("  %-44s %5zu deliveries  median %6.2f ms  max %7.2f ms\n", label, v.size(),
                        v[v.size() / 2], v.back());
        };
        double clientRssMax = 0, clientRssSum = 0, clientRssReady = 0, clientPeak = 0;
        for (const Child &c : children) {
            clientRssMax = std::max(clientRssMax, c.shownRss);
            clientPeak = std::max(clientPeak, c.shownPeak);
            clientRssSum += c.shownRss;
            clientRssReady = std::max(clientRssReady, c.readyRss);
        }
        std::printf("shared picture: %d x %d noise PNG, %.2f MiB, to %d clients (processes of their "
                    "own, loopback)\n",
                    side, side, map.size() / 1048576.0, count);
        std::printf("  every board shows it after                 %8.0f ms%s\n",
                    (lastShown - shareNs) / 1e6, allShown ? "" : "  (NOT ALL SHOWN)");
        show("conversation lines in the second before it", before);
        show("conversation lines while it travels", during);
        std::printf("  host resident: %.0f MiB before the share, %.0f MiB when all show it, peak "
                    "%.0f MiB\n",
                    hostRssBefore, hostRssShared, peakRssMiB());
        std::printf("  client resident: %.0f MiB joined (largest); showing it %.0f MiB mean, %.0f MiB "
                    "largest; peak %.0f MiB largest\n",
                    clientRssReady, clientRssSum / count, clientRssMax, clientPeak);
    }

    // A newcomer: the picture comes in its board, and lines said meanwhile
    // reach it only after that board.
    bool newcomerShown = true;
    if (side > 0) {
        Child &late = children.emplace_back();
        late.process = std::make_unique<QProcess>();
        late.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const qint64 lateNs = nowNs();
        late.process->start(QCoreApplication::applicationFilePath(),
                            {QStringLiteral("client"), QString::number(port), QString::number(count)});
        QObject::connect(late.process.get(), &QProcess::readyReadStandardOutput, [&late] { late.read(); });
        newcomerShown = sleepUntil([&] { return late.shownNs != 0; }, 300000);
        sleepUntil([] { return false; }, 1000); // lines said until then arrive
        std::vector<double> waits;
        for (const auto &[sent, delay] : late.pings) {
            if (sent >= lateNs && sent <= late.shownNs)
                waits.push_back(delay / 1e6);
        }
        std::sort(waits.begin(), waits.end());
        std::printf("newcomer: its board shows the picture %.0f ms after it started%s\n",
                    (late.shownNs - lateNs) / 1e6, newcomerShown ? "" : "  (NOT SHOWN)");
        if (waits.empty())
            std::printf("  conversation lines said while it joined: none reached it\n");
        else
            std::printf("  conversation lines said while it joined: %zu, median wait %.2f ms, max "
                        "%.2f ms\n",
                        waits.size(), waits[waits.size() / 2], waits.back());
    }

    // A picture that lies about its size.
    const QByteArray liar = claimingPng(60000);
    const qint64 liarNs = nowNs();
    if (!host.session.tableBoard()->sharePicture(liar)) {
        std::printf("lying picture not sent: %s\n", qPrintable(host.session.tableBoard()->why()));
        return 1;
    }
    const bool allRefused = sleepUntil([&] {
        return std::all_of(children.begin(), children.end(), [](const Child &c) { return c.refusedNs; });
    }, 60000);
    qint64 lastRefused = liarNs;
    double refusedRssMax = 0;
    for (const Child &c : children) {
        lastRefused = std::max(lastRefused, c.refusedNs);
        refusedRssMax = std::max(refusedRssMax, c.refusedRss);
    }
    std::printf("picture claiming 60000 x 60000 (%lld bytes): every client refused it after "
                "%.1f ms%s; client resident then %.0f MiB largest (%.0f MiB when joined)\n",
                static_cast<long long>(liar.size()), (lastRefused - liarNs) / 1e6,
                allRefused ? "" : " (NOT ALL REFUSED)", refusedRssMax, clientReady);

    host.session.cmdDisconnect_Click();
    for (Child &c : children)
        c.process->waitForFinished(10000);
    return allShown && allRefused && newcomerShown ? 0 : 1;
}
