// From "Connetti" to seated, between Tavernix programs, as a player meets it.
//
// The real server hosts; the real desktop program joins with --connect, each
// run a fresh process of its own (in a PID namespace of its own, so another
// copy of the program on the machine does not stop it: needs root). The
// player reaches the host through a relay in this process, which notes when
// the player's connection arrives (the program presses "Connetti" as it
// starts, and connects at once) and when the host's confirmation of the name
// passes back ("[Rename di Connessione]": the player is seated), and, where
// the host says so, when the whole welcome is over ("[Tavernix Seduto]").
//
//   bench_session_seated [runs (10)] [folder with tavernix and tavernix-server]
//
// Prints every run and the median. Give the folder of another build (the
// programs before a change) to compare.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace
{

template <typename F> bool waitUntil(F done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

/// Passes one player's bytes to the host and back, noting the moments.
struct Relay {
    QTcpServer server;
    quint16 upstream = 0;
    QElapsedTimer clock;
    qint64 arrivedNs = -1;
    qint64 seatedNs = -1;
    qint64 welcomedNs = -1;
    QByteArray fromHost;
    std::vector<QTcpSocket *> sockets;

    void start()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *down = server.nextPendingConnection()) {
                if (arrivedNs < 0)
                    arrivedNs = clock.nsecsElapsed();
                down->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                auto *up = new QTcpSocket;
                up->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                sockets.push_back(down);
                sockets.push_back(up);
                up->connectToHost(QHostAddress::LocalHost, upstream);
                QObject::connect(down, &QTcpSocket::readyRead, [=] { up->write(down->readAll()); });
                QObject::connect(up, &QTcpSocket::readyRead, [=] {
                    const QByteArray bytes = up->readAll();
                    down->write(bytes);
                    fromHost += bytes;
                    const qint64 now = clock.nsecsElapsed();
                    if (seatedNs < 0 && fromHost.contains("\r\n[Rename di Connessione]"))
                        seatedNs = now;
                    if (welcomedNs < 0 && fromHost.contains("\r\n[Tavernix Seduto]"))
                        welcomedNs = now;
                });
                QObject::connect(down, &QTcpSocket::disconnected, [=] { up->disconnectFromHost(); });
                QObject::connect(up, &QTcpSocket::disconnected, [=] { down->disconnectFromHost(); });
            }
        });
    }
    void reset()
    {
        for (QTcpSocket *s : sockets) {
            s->abort();
            s->deleteLater();
        }
        sockets.clear();
        fromHost = "\r\n";
        arrivedNs = seatedNs = welcomedNs = -1;
        clock.start();
    }
};

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 ? qMax(1, args[1].toInt()) : 10;
    const QString bin = args.size() > 2 ? args[2] : QStringLiteral(TAVERNIX_BIN_DIR);
    const QString program = QDir(bin).absoluteFilePath(QStringLiteral("tavernix"));
    const QString server = QDir(bin).absoluteFilePath(QStringLiteral("tavernix-server"));

    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
    QDir(home.path()).mkpath(QStringLiteral("run"));
    QFile::setPermissions(home.filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const quint16 port = freePort();
    QProcess host;
    host.setProcessEnvironment(env);
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start(server, {QStringLiteral("--port"), QString::number(port),
                        QStringLiteral("--state-dir"), home.filePath(QStringLiteral("server")),
                        QStringLiteral("--no-port-mapping")});
    {
        QTcpSocket probe;
        if (!waitUntil(
                [&] {
                    if (probe.state() == QAbstractSocket::ConnectedState)
                        return true;
                    if (probe.state() == QAbstractSocket::UnconnectedState)
                        probe.connectToHost(QHostAddress::LocalHost, port);
                    return false;
                },
                10000)) {
            std::fprintf(stderr, "the server did not start: %s\n", qPrintable(server));
            return 1;
        }
        probe.abort();
    }

    Relay relay;
    relay.upstream = port;
    relay.start();
    std::printf("host %s, player %s, %d runs\n", qPrintable(server), qPrintable(program), runs);
    std::vector<double> seated;
    std::vector<double> welcomed;
    for (int run = 0; run < runs; ++run) {
        relay.reset();
        QProcess player;
        player.setProcessEnvironment(env);
        player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Its own process namespace: the program refuses to start while
        // another copy of it runs for the same user.
        player.start(QStringLiteral("unshare"),
                     {QStringLiteral("--pid"), QStringLiteral("--fork"),
                      QStringLiteral("--mount-proc"), QStringLiteral("--kill-child=SIGTERM"), program,
                      QStringLiteral("--name"), QStringLiteral("Ada%1").arg(run),
                      QStringLiteral("--port"), QString::number(relay.server.serverPort()),
                      QStringLiteral("--no-port-mapping"), QStringLiteral("--connect"),
                      QStringLiteral("127.0.0.1")});
        const bool ok = waitUntil([&] { return relay.seatedNs >= 0; }, 20000);
        // The whole welcome, where the host says when it is over.
        waitUntil([&] { return relay.welcomedNs >= 0; }, 300);
        if (!ok) {
            std::printf("run %d: not seated within 20 s\n", run + 1);
        } else {
            const double ms = double(relay.seatedNs - relay.arrivedNs) / 1e6;
            seated.push_back(ms);
            QString line = QStringLiteral("run %1: seated %2 ms after \"Connetti\"")
                               .arg(run + 1)
                               .arg(ms, 0, 'f', 1);
            if (relay.welcomedNs >= 0) {
                const double all = double(relay.welcomedNs - relay.arrivedNs) / 1e6;
                welcomed.push_back(all);
                line += QStringLiteral(", welcome over after %1 ms").arg(all, 0, 'f', 1);
            }
            std::printf("%s\n", qPrintable(line));
        }
        std::fflush(stdout);
        player.terminate();
        if (!player.waitForFinished(5000))
            player.kill();
        player.waitForFinished(2000);
        // The host sees the player leave before the next one comes.
        waitUntil([] { return false; }, 200);
    }
    std::printf("median from \"Connetti\" to seated: %.1f ms (%zu of %d runs)\n", median(seated),
                seated.size(), runs);
    if (!welcomed.empty())
        std::printf("median from \"Connetti\" to the welcome's end: %.1f ms\n", median(welcomed));
    host.terminate();
    host.waitForFinished(5000);
    return seated.empty() ? 1 : 0;
}
