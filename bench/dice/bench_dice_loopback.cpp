// Times a roll as a player meets it: a request to the real host program
// (tavernix-server, a process of its own) until the roll comes back
// announced, over loopback, from clients that join it as Tavernix players
// (in this process, each on its own connection). Requests go one at a
// time, each client at most once per 0.75 s so that the host's limit never
// refuses one. Prints the median and the 99th percentile.
//
// Usage: bench_dice_loopback [rolls] [clients]   (default 500 and 40)

#include "commitment.h"
#include "dicewire.h"
#include "rollservice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using dice::DiceWire;

namespace
{

struct Player
{
    QTcpSocket socket;
    QByteArray pending;
    qint64 lastAskMs = -1000000;

    void send(const QString &line) { socket.write(line.toLatin1() + "\r\n"); }
    /// Waits for a line starting with @p start; false after @p ms.
    bool waitFor(const QByteArray &start, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            qsizetype end;
            while ((end = pending.indexOf("\r\n")) >= 0) {
                const QByteArray line = pending.left(end);
                pending.remove(0, end + 2);
                if (line.startsWith(start))
                    return true;
            }
            if (socket.waitForReadyRead(ms))
                pending += socket.readAll();
        }
        return false;
    }
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rolls = argc > 1 ? qMax(1, atoi(argv[1])) : 500;
    const int clients = argc > 2 ? qMax(1, atoi(argv[2])) : 40;

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
    std::vector<std::unique_ptr<Player>> players;
    for (int i = 0; i < clients; ++i) {
        auto p = std::make_unique<Player>();
        for (int tries = 0; tries < 100; ++tries) {
            p->socket.connectToHost(QHostAddress::LocalHost, port);
            if (p->socket.waitForConnected(1000))
                break;
            p->socket.abort();
            QThread::msleep(50);
        }
        p->send(QStringLiteral("[Tavernix]1"));
        p->send(QStringLiteral("[Connessione]Giocatore%1").arg(i));
        if (!p->waitFor(DiceWire::Impegno.toLatin1(), 10000)) {
            std::fprintf(stderr, "player %d got no commitment\n", i);
            return 1;
        }
        players.push_back(std::move(p));
    }

    std::vector<double> ms;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < rolls; ++i) {
        Player &p = *players[size_t(i % clients)];
        const qint64 wait = p.lastAskMs + dice::RollService::kRefillMs + 5 - clock.elapsed();
        if (wait > 0)
            QThread::msleep(quint64(wait));
        // What came meanwhile (others' rolls) is not this roll's answer.
        while (p.socket.bytesAvailable() || p.socket.waitForReadyRead(0))
            p.pending += p.socket.readAll();
        p.pending.clear();
        const QByteArray nonce = dice::Commitment::freshNonce();
        const QByteArray mark = ' ' + nonce.toHex() + ' ';
        QElapsedTimer t;
        t.start();
        p.lastAskMs = clock.elapsed();
        p.send(DiceWire::Richiesta +
               DiceWire::encode(DiceWire::Request{dice::RollRecord::Kind::Public, false, nonce,
                                                  QStringLiteral("4d6kh3 forza")}));
        p.socket.flush();
        bool came = false;
        while (!came && t.elapsed() < 10000) {
            if (!p.socket.waitForReadyRead(10000))
                break;
            p.pending += p.socket.readAll();
            for (const QByteArray &line : p.pending.split('\n'))
                came = came || (line.startsWith(DiceWire::Tiro.toLatin1()) && line.contains(mark));
        }
        if (!came) {
            std::fprintf(stderr, "roll %d never came back\n", i);
            return 1;
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("roll request to announcement, %d rolls from %d players of tavernix-server over "
                "loopback: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                rolls, clients, ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)],
                ms.back());
    server.terminate();
    server.waitForFinished(5000);
    return 0;
}
