// Times a roll as a table meets it: the real host program (tavernix-server),
// a roller and a watcher, each a process of its own, over loopback. The
// roller joins as a Tavernix player with a few seats (connections) and asks
// for rolls one at a time, each seat at most once per refill so that the
// host's limit never refuses one; the watcher is one more player who only
// reads. Each notes when it asked, or saw the roll, on the machine's
// monotonic clock (std::chrono::steady_clock, shared by every process), and
// this program, which starts the other three, pairs the notes by nonce and
// prints the median and the 99th percentile from request to announcement,
// at the roller and at the watcher.
//
// Usage: bench_dice_loopback [rolls (400)] [roller seats (8)]
// (--roller and --watcher are the two roles it starts itself in.)

#include "commitment.h"
#include "dicewire.h"
#include "rollrecord.h"
#include "rollservice.h"

#include <QCoreApplication>
#include <QHash>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using dice::DiceWire;

namespace
{

constexpr int kWaitMs = 10000;
constexpr auto kRoll = "4d6kh3 forza";

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

/// One connection to the host as a Tavernix player.
struct Seat {
    QTcpSocket socket;
    QByteArray pending;
    qint64 lastAskNs = 0;

    void send(const QString &line)
    {
        socket.write(line.toUtf8() + "\r\n");
        socket.flush();
    }
    /// The next whole line, waiting up to @p ms for it; empty when none came.
    QByteArray nextLine(int ms)
    {
        for (;;) {
            const qsizetype end = pending.indexOf("\r\n");
            if (end >= 0) {
                const QByteArray line = pending.left(end);
                pending.remove(0, end + 2);
                return line;
            }
            if (!socket.waitForReadyRead(ms))
                return {};
            pending += socket.readAll();
        }
    }
    /// The nonce of the roll announced by @p line, if it is one.
    static QByteArray rollNonce(const QByteArray &line)
    {
        if (!line.startsWith(DiceWire::Tiro.toLatin1()))
            return {};
        const auto record =
            dice::RollRecord::decode(QString::fromUtf8(line.mid(DiceWire::Tiro.size())));
        return record ? record->nonce.toHex() : QByteArray();
    }
    bool join(quint16 port, const QString &name)
    {
        for (int tries = 0; tries < 100; ++tries) {
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (socket.waitForConnected(1000))
                break;
            socket.abort();
            QThread::msleep(50);
        }
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        send(QStringLiteral("[Tavernix]1"));
        send(QStringLiteral("[Connessione]") + name);
        for (QByteArray line = nextLine(kWaitMs); !line.isNull(); line = nextLine(kWaitMs))
            if (line.startsWith(DiceWire::Impegno.toLatin1()))
                return true;
        return false;
    }
};

int roller(quint16 port, int rolls, int seats)
{
    std::vector<std::unique_ptr<Seat>> table;
    for (int i = 0; i < seats; ++i) {
        table.push_back(std::make_unique<Seat>());
        if (!table.back()->join(port, QStringLiteral("Ada%1").arg(i)))
            return 1;
    }
    const qint64 refillNs = (dice::RollService::kRefillMs + 5) * 1000000LL;
    for (int i = 0; i < rolls; ++i) {
        Seat &seat = *table[size_t(i % seats)];
        const qint64 wait = seat.lastAskNs + refillNs - nowNs();
        if (wait > 0)
            QThread::usleep(quint64(wait / 1000));
        const QByteArray nonce = dice::Commitment::freshNonce();
        seat.lastAskNs = nowNs();
        std::printf("ASK %s %lld\n", nonce.toHex().constData(), seat.lastAskNs);
        seat.send(DiceWire::Richiesta + DiceWire::encode(DiceWire::Request{
                                            dice::RollRecord::Kind::Public, false, nonce,
                                            QString::fromLatin1(kRoll)}));
        QByteArray line;
        do
            line = seat.nextLine(kWaitMs);
        while (!line.isNull() && Seat::rollNonce(line) != nonce.toHex());
        if (line.isNull()) {
            std::fprintf(stderr, "roll %d never came back\n", i);
            return 1;
        }
        std::printf("BACK %s %lld\n", nonce.toHex().constData(), nowNs());
    }
    return 0;
}

int watcher(quint16 port, int rolls)
{
    Seat seat;
    if (!seat.join(port, QStringLiteral("Bruno")))
        return 1;
    std::printf("READY\n");
    std::fflush(stdout);
    for (int seen = 0; seen < rolls;) {
        const QByteArray line = seat.nextLine(kWaitMs);
        if (line.isNull())
            return 1;
        const QByteArray nonce = Seat::rollNonce(line);
        if (nonce.isEmpty())
            continue;
        std::printf("SEEN %s %lld\n", nonce.constData(), nowNs());
        ++seen;
    }
    return 0;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

/// "WORD NONCE NS" lines of @p out, by nonce.
QHash<QByteArray, qint64> notes(const QByteArray &out, const QByteArray &word)
{
    QHash<QByteArray, qint64> at;
    for (const QByteArray &line : out.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 3 && f[0] == word)
            at.insert(f[1], f[2].toLongLong());
    }
    return at;
}

void print(const char *where, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("  at the %s: %zu rolls, median %.3f ms, p99 %.3f ms, max %.3f ms\n", where,
                ms.size(), ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)],
                ms.back());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--roller"))
        return roller(quint16(args[2].toUInt()), args[3].toInt(), args[4].toInt());
    if (args.size() == 4 && args[1] == QLatin1String("--watcher"))
        return watcher(quint16(args[2].toUInt()), args[3].toInt());
    const int rolls = args.size() > 1 ? qMax(1, args[1].toInt()) : 400;
    const int seats = args.size() > 2 ? qMax(1, args[2].toInt()) : 8;

    QTemporaryDir state;
    const quint16 port = freePort();
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral(TAVERNIX_SERVER_BINARY),
                 {QStringLiteral("--port"), QString::number(port), QStringLiteral("--state-dir"),
                  state.path(), QStringLiteral("--no-port-mapping")});
    if (!server.waitForStarted()) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    const auto finish = [&server](int status) {
        server.terminate();
        server.waitForFinished(5000);
        return status;
    };
    QProcess watching, rolling;
    watching.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    rolling.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    watching.start(app.applicationFilePath(),
                   {QStringLiteral("--watcher"), QString::number(port), QString::number(rolls)});
    QByteArray watched;
    while (!watched.contains("READY\n") && watching.waitForReadyRead(kWaitMs))
        watched += watching.readAllStandardOutput();
    if (!watched.contains("READY\n")) {
        std::fprintf(stderr, "the watcher did not join\n");
        return finish(1);
    }
    rolling.start(app.applicationFilePath(), {QStringLiteral("--roller"), QString::number(port),
                                              QString::number(rolls), QString::number(seats)});
    const int deadline = rolls * dice::RollService::kRefillMs / seats + 60000;
    if (!rolling.waitForFinished(deadline) || rolling.exitCode() != 0 ||
        !watching.waitForFinished(kWaitMs) || watching.exitCode() != 0) {
        std::fprintf(stderr, "the roller or the watcher failed\n");
        return finish(1);
    }
    watched += watching.readAllStandardOutput();
    const QByteArray rolled = rolling.readAllStandardOutput();
    const QHash<QByteArray, qint64> asked = notes(rolled, "ASK");
    const QHash<QByteArray, qint64> back = notes(rolled, "BACK");
    const QHash<QByteArray, qint64> seen = notes(watched, "SEEN");
    std::vector<double> atRoller, atWatcher;
    for (auto it = asked.cbegin(); it != asked.cend(); ++it) {
        if (back.contains(it.key()))
            atRoller.push_back((back[it.key()] - it.value()) / 1e6);
        if (seen.contains(it.key()))
            atWatcher.push_back((seen[it.key()] - it.value()) / 1e6);
    }
    if (atRoller.size() != size_t(rolls) || atWatcher.size() != size_t(rolls)) {
        std::fprintf(stderr, "rolls missing: %zu back, %zu seen of %d\n", atRoller.size(),
                     atWatcher.size(), rolls);
        return finish(1);
    }
    std::printf("roll request (\"%s\") to announcement, tavernix-server, a roller with %d seats "
                "and a watcher, three processes over loopback:\n",
                kRoll, seats);
    print("roller", atRoller);
    print("watcher", atWatcher);
    return finish(0);
}
