// The private table, measured as players meet it.
//
// The real tavernix-server runs in a process of its own; every player is
// this program started again as "player ..." (a process, a real socket).
//   1. Join time, TLS and plain text: 20 players each, one after another;
//      the median and worst time from opening the connection to holding the
//      name the host confirmed ("[Rename di Connessione]").
//   2. Relay throughput: 20 TLS and 20 plain receivers in one run, one
//      sender; lines a second each receiver got, TLS beside plain.
//   3. Line latency between two seated players (p50, p99), alone and while
//      strangers open 200 TLS handshakes a second; mid-flood, how long a
//      player from an address the host never seated takes to join.
//   4. The host's resident memory per idle seated connection, TLS and plain.
//
//   bench_private_table [lines for 2 (20000)] [seconds for 3 (15)]
//
// TAVERNIX_BENCH_SERVER names another build's tavernix-server to measure
// instead of this build's. Strangers come from 127.0.0.10 and up, one
// address per process, as a flood from elsewhere would; players from
// 127.0.0.1.
//
// Players need no 3.2 s wait: they introduce themselves at once, so the
// figures are the connection's, not the design's pause.

#include "connector.h"
#include "tlssettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace
{

qint64 monotonicNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

long rssKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// --- a player ----------------------------------------------------------------------------

/// One seat: joins, then reports what it is asked to on standard output.
struct Seat
{
    QSslSocket *socket = nullptr;
    QByteArray buffer;
    bool joined = false;
    qint64 started = 0;
    qint64 joinedNs = 0;
    qint64 lines = 0, firstNs = 0, lastNs = 0;
    std::vector<double> latenciesMs;

    void onData()
    {
        buffer += socket->readAll();
        qsizetype at;
        while ((at = buffer.indexOf("\r\n")) >= 0) {
            const QByteArray line = buffer.left(at);
            buffer.remove(0, at + 2);
            if (!joined && line.startsWith("[Rename di Connessione]")) {
                joined = true;
                joinedNs = monotonicNs() - started;
            } else if (line.startsWith("[Messaggio]L")) {
                const qint64 now = monotonicNs();
                if (lines++ == 0)
                    firstNs = now;
                lastNs = now;
            } else if (line.startsWith("[Messaggio]T")) {
                latenciesMs.push_back((monotonicNs() - line.mid(12).toLongLong()) / 1e6);
            }
        }
    }
};

int runPlayer(const QStringList &args)
{
    // player PORT NAME tls|plain COUNT [FROM]: COUNT seats in this process,
    // from the local address FROM if given.
    const quint16 port = quint16(args.value(0).toUInt());
    const QString name = args.value(1);
    const bool tls = args.value(2) == QLatin1String("tls");
    const int count = qMax(1, args.value(3).toInt());
    const QString from = args.value(4);
    std::vector<std::unique_ptr<Seat>> seats;
    std::vector<std::unique_ptr<secure::Connector>> connectors;
    for (int i = 0; i < count; ++i) {
        auto seat = std::make_unique<Seat>();
        Seat *s = seat.get();
        s->started = monotonicNs();
        auto introduce = [s, name, i, count](QSslSocket *socket) {
            s->socket = socket;
            QObject::connect(socket, &QSslSocket::readyRead, [s] { s->onData(); });
            const QString who = count > 1 ? name + QString::number(i) : name;
            socket->write("[Tavernix]1\r\n[Connessione]" + who.toUtf8() + "\r\n");
            s->onData();
        };
        if (tls && !from.isEmpty()) {
            // A newcomer from an address the host has never seated: its
            // handshake waits its turn among the strangers'.
            auto *so = new QSslSocket;
            so->setSslConfiguration(secure::TlsSettings::client());
            so->bind(QHostAddress(from));
            QObject::connect(so, &QSslSocket::encrypted, [introduce, so] { introduce(so); });
            so->connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        } else if (tls) {
            auto c = std::make_unique<secure::Connector>(nullptr);
            QObject::connect(c.get(), &secure::Connector::opened, [introduce](QSslSocket *so, bool) { introduce(so); });
            c->open(QStringLiteral("127.0.0.1"), port, std::nullopt);
            connectors.push_back(std::move(c));
        } else {
            auto *so = new QSslSocket;
            QObject::connect(so, &QSslSocket::connected, [introduce, so] { introduce(so); });
            so->connectToHost(QStringLiteral("127.0.0.1"), port);
        }
        seats.push_back(std::move(seat));
    }
    const bool all = waitFor([&] { return std::all_of(seats.begin(), seats.end(), [](auto &s) { return s->joined; }); }, 60000);
    std::printf("JOINED %d %.3f\n", all ? 1 : 0, seats.front()->joinedNs / 1e6);
    std::fflush(stdout);
    // Orders on standard input, one a line: SEND n, TICK ms seconds, REPORT [n], QUIT.
    // Read as they come, so the seats go on reading their sockets meanwhile.
    QFile in;
    in.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered);
    QSocketNotifier orders(0, QSocketNotifier::Read);
    int code = -1;
    QObject::connect(&orders, &QSocketNotifier::activated, [&] {
        const QByteArray order = in.readLine().trimmed();
        if (order.isEmpty() || order == "QUIT") {
            code = 0;
            return;
        }
        const QList<QByteArray> w = order.split(' ');
        Seat &s = *seats.front();
        if (w[0] == "SEND") {
            const int n = w.value(1).toInt();
            for (int i = 0; i < n; ++i) {
                s.socket->write("[Messaggio]L" + QByteArray::number(i) + " la compagnia entra nella taverna e ordina\r\n");
                if (s.socket->bytesToWrite() > 256 * 1024)
                    waitFor([&] { return s.socket->bytesToWrite() < 64 * 1024; }, 10000);
            }
            waitFor([&] { return s.socket->bytesToWrite() == 0; }, 30000);
            std::printf("SENT\n");
        } else if (w[0] == "TICK") {
            const int every = w.value(1).toInt();
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < w.value(2).toInt() * 1000) {
                s.socket->write("[Messaggio]T" + QByteArray::number(monotonicNs()) + "\r\n");
                waitFor([] { return false; }, every);
            }
            std::printf("TICKED\n");
        } else if (w[0] == "REPORT") {
            // With n: once all n lines are in (or a minute has passed), so a
            // slow receiver is measured, not asked too soon.
            const qint64 expected = w.value(1).toLongLong();
            waitFor([&] { return expected > 0 && s.lines >= expected; }, expected > 0 ? 60000 : 300);
            const double seconds = (s.lastNs - s.firstNs) / 1e9;
            std::printf("GOT %lld %.3f %.1f %.2f %.2f\n", static_cast<long long>(s.lines), seconds,
                        seconds > 0 ? s.lines / seconds : 0.0, percentile(s.latenciesMs, 0.5),
                        percentile(s.latenciesMs, 0.99));
            s.latenciesMs.clear();
            s.lines = 0;
        }
        std::fflush(stdout);
    });
    waitFor([&] { return code >= 0; }, 3600 * 1000);
    return 0;
}

constexpr int kStrangerProcesses = 4;
constexpr int kStrangerRate = 200; ///< hellos a second, all processes together

/// A real TLS client's first flight, recorded once: a stranger replays it so
/// the host does a handshake's whole work for it while the stranger does none
/// (a flood is cheap to send and dear to answer).
QByteArray recordedClientHello()
{
    QTcpServer trap;
    trap.listen(QHostAddress::LocalHost);
    QSslSocket client;
    client.setSslConfiguration(secure::TlsSettings::client());
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), trap.serverPort());
    QByteArray hello;
    waitFor([&] {
        if (QTcpSocket *in = trap.nextPendingConnection())
            in->setParent(&trap);
        for (QTcpSocket *in : trap.findChildren<QTcpSocket *>())
            hello += in->readAll();
        return hello.size() >= 5 && hello.size() >= 5 + ((uchar(hello[3]) << 8) | uchar(hello[4]));
    }, 5000);
    return hello;
}

int runStrangers(const QStringList &args)
{
    // strangers PORT RATE SECONDS FROM: TLS hellos from nobody, gone once answered.
    const quint16 port = quint16(args.value(0).toUInt());
    const int rate = args.value(1).toInt();
    const int seconds = args.value(2).toInt();
    const QHostAddress from(args.value(3));
    const QByteArray hello = recordedClientHello();
    if (hello.isEmpty()) {
        std::printf("STRANGERS 0 0\n");
        return 1;
    }
    int opened = 0, answered = 0;
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    // Paced by the clock, not by the ticks: a late tick opens what is due.
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 due = qint64(rate) * clock.elapsed() / 1000;
        for (; opened < due; ++opened) {
            auto *s = new QTcpSocket;
            QObject::connect(s, &QTcpSocket::connected, s, [s, hello] { s->write(hello); });
            QObject::connect(s, &QTcpSocket::readyRead, s, [s, &answered] {
                ++answered;
                s->abort();
                s->deleteLater();
            });
            QTimer::singleShot(2000, s, [s] { s->abort(); s->deleteLater(); });
            s->bind(from);
            s->connectToHost(QStringLiteral("127.0.0.1"), port);
        }
    });
    tick.start(10);
    waitFor([&] { return clock.elapsed() >= seconds * 1000; }, seconds * 1000 + 1000);
    std::printf("STRANGERS %d %d\n", opened, answered);
    return 0;
}

// --- the conductor -----------------------------------------------------------------------

struct Process
{
    std::unique_ptr<QProcess> p = std::make_unique<QProcess>();
    QByteArray out;
    QByteArray expect(const QByteArray &word, int ms = 60000)
    {
        waitFor([&] { out += p->readAllStandardOutput(); return out.contains(word + ' ') || out.contains(word + '\n'); }, ms);
        const qsizetype at = out.indexOf(word);
        if (at < 0)
            return {};
        const qsizetype end = out.indexOf('\n', at);
        const QByteArray line = out.mid(at, end - at);
        out.remove(0, end + 1);
        return line;
    }
    void say(const QByteArray &order) { p->write(order + '\n'); }
};

std::unique_ptr<Process> player(quint16 port, const QString &name, bool tls, int count = 1,
                                const QString &from = {})
{
    auto pr = std::make_unique<Process>();
    pr->p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pr->p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("player"), QString::number(port), name, tls ? QStringLiteral("tls") : QStringLiteral("plain"),
                  QString::number(count), from});
    return pr;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("player"))
        return runPlayer(args.mid(1));
    if (args.value(0) == QLatin1String("strangers"))
        return runStrangers(args.mid(1));
    const int lines = args.value(0, QStringLiteral("20000")).toInt();
    const int seconds = args.value(1, QStringLiteral("15")).toInt();

    QTemporaryDir state;
    const quint16 port = 26000 + quint16(QCoreApplication::applicationPid() % 3000);
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString serverBinary = qEnvironmentVariableIsSet("TAVERNIX_BENCH_SERVER")
                                     ? qEnvironmentVariable("TAVERNIX_BENCH_SERVER")
                                     : QStringLiteral(TAVERNIX_SERVER_BINARY);
    server.start(serverBinary,
                 {QStringLiteral("--port"), QString::number(port), QStringLiteral("--state-dir"), state.path(),
                  QStringLiteral("--no-port-mapping"), QStringLiteral("--access"), QStringLiteral("lan-open")});
    if (!server.waitForStarted() || !waitFor([&] {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), port);
            return probe.waitForConnected(200);
        }, 10000)) {
        std::printf("the server did not start\n");
        return 1;
    }
    std::printf("tavernix-server on port %u (pid %lld)\n", port, static_cast<long long>(server.processId()));

    // 1. Join time.
    for (bool tls : {true, false}) {
        std::vector<double> ms;
        for (int i = 0; i < 20; ++i) {
            auto p = player(port, QStringLiteral("Giocatore"), tls);
            const QList<QByteArray> w = p->expect("JOINED").split(' ');
            if (w.value(1) == "1")
                ms.push_back(w.value(2).toDouble());
            p->say("QUIT");
            p->p->waitForFinished(5000);
        }
        std::printf("join, %-5s: median %.1f ms, worst %.1f ms (%zu of 20 joined)\n", tls ? "TLS" : "plain",
                    percentile(ms, 0.5), percentile(ms, 1.0), ms.size());
    }

    // 2. Throughput: 20 TLS and 20 plain receivers, one TLS sender.
    {
        std::vector<std::unique_ptr<Process>> receivers;
        for (int i = 0; i < 40; ++i)
            receivers.push_back(player(port, QStringLiteral("Ricevente%1").arg(i), i < 20));
        for (auto &r : receivers)
            r->expect("JOINED");
        auto sender = player(port, QStringLiteral("Narratore"), true);
        sender->expect("JOINED");
        sender->say("SEND " + QByteArray::number(lines));
        sender->expect("SENT", 120000);
        std::vector<double> rate[2];
        for (int i = 0; i < 40; ++i)
            receivers[i]->say("REPORT " + QByteArray::number(lines));
        for (int i = 0; i < 40; ++i) {
            const QList<QByteArray> w = receivers[i]->expect("GOT", 90000).split(' ');
            if (w.value(1).toLongLong() == lines)
                rate[i < 20 ? 0 : 1].push_back(w.value(3).toDouble());
        }
        const double tls = percentile(rate[0], 0.5), plain = percentile(rate[1], 0.5);
        std::printf("relay, %d lines to 20 TLS + 20 plain receivers: TLS median %.0f lines/s (%zu complete), "
                    "plain median %.0f lines/s (%zu complete), ratio %.2f\n",
                    lines, tls, rate[0].size(), plain, rate[1].size(), plain > 0 ? tls / plain : 0.0);
        for (auto &r : receivers)
            r->say("QUIT");
        sender->say("QUIT");
    }

    // 3. Latency, alone and under a handshake flood.
    for (bool flood : {false, true}) {
        auto a = player(port, QStringLiteral("Ada"), true);
        auto b = player(port, QStringLiteral("Brom"), true);
        a->expect("JOINED");
        b->expect("JOINED");
        // Several processes share the flood, each from an address of its own.
        std::vector<std::unique_ptr<Process>> strangers;
        for (int i = 0; flood && i < kStrangerProcesses; ++i) {
            strangers.push_back(std::make_unique<Process>());
            strangers.back()->p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            strangers.back()->p->start(QCoreApplication::applicationFilePath(),
                                       {QStringLiteral("strangers"), QString::number(port),
                                        QString::number(kStrangerRate / kStrangerProcesses), QString::number(seconds + 2),
                                        QStringLiteral("127.0.0.%1").arg(10 + i)});
        }
        if (flood)
            waitFor([] { return false; }, 1000);
        a->say("TICK 10 " + QByteArray::number(seconds));
        // Mid-flood, a player from an address never seated joins over TLS.
        std::unique_ptr<Process> newcomer;
        if (flood) {
            waitFor([] { return false; }, 3000);
            newcomer = player(port, QStringLiteral("Nuova"), true, 1, QStringLiteral("127.0.0.30"));
        }
        if (newcomer) {
            const QList<QByteArray> j = newcomer->expect("JOINED", (seconds + 30) * 1000).split(' ');
            std::printf("a newcomer from an address never seated, mid-flood: %s in %s ms\n",
                        j.value(1) == "1" ? "joined" : "did not join", j.value(2).constData());
            newcomer->say("QUIT");
        }
        a->expect("TICKED", (seconds + 30) * 1000);
        b->say("REPORT");
        const QList<QByteArray> w = b->expect("GOT").split(' ');
        std::printf("latency between two TLS players, %s: p50 %s ms, p99 %s ms\n",
                    flood ? "strangers opening 200 handshakes/s" : "quiet", w.value(4).constData(), w.value(5).constData());
        long opened = 0, completed = 0;
        for (auto &s : strangers) {
            const QList<QByteArray> sw = s->expect("STRANGERS", (seconds + 10) * 1000).split(' ');
            opened += sw.value(1).toLong();
            completed += sw.value(2).toLong();
            s->p->waitForFinished(5000);
        }
        if (flood)
            std::printf("strangers: %ld TLS hellos sent in %d s (%.0f a second) from %d processes, %ld answered by the host\n",
                        opened, seconds + 2, double(opened) / (seconds + 2), kStrangerProcesses, completed);
        a->say("QUIT");
        b->say("QUIT");
    }

    // 4. Memory per seated connection.
    for (bool tls : {true, false}) {
        waitFor([] { return false; }, 1500);
        const long before = rssKb(server.processId());
        auto crowd = player(port, QStringLiteral("Folla"), tls, 200);
        crowd->expect("JOINED", 120000);
        waitFor([] { return false; }, 1500);
        const long after = rssKb(server.processId());
        std::printf("host memory, 200 seated %s connections: %ld KiB more, %.1f KiB each\n", tls ? "TLS" : "plain",
                    after - before, (after - before) / 200.0);
        crowd->say("QUIT");
        crowd->p->waitForFinished(10000);
    }
    server.terminate();
    server.waitForFinished(5000);
    return 0;
}
