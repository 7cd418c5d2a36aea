// The table survives, measured as a user meets it.
//
// 1. The real program hosts (in a PID namespace of its own, with a private
//    home), three clients join, each in a process of its own, one draws N
//    segments; the host is killed with -9 and started again with --resume.
//    Prints the time from the kill, and from the new start, until every
//    client is back in with a board equal, pixel for pixel, to the one it
//    had before the kill.
// 2. A session file of 100,000 drawings is taken up by the real program:
//    time until it answers a newcomer and until the newcomer holds the whole
//    board, and its memory, each beside a start without it.
// 3. The cost, in this process, of keeping the session on disk: per drawing
//    and per line in the store alone, and on the host's whole path with and
//    without the file.
//
//   bench_table_return [segments drawn in 1 (20000)] [drawings in 2 (100000)]
//
// Clients are this program started as "client PORT NAME": it says JOINED,
// HAVE once it holds the board drawn, BACK once it is back with that board;
// on its standard input "DRAW N" draws N segments, "EXPECT N" waits for as
// many, "SAY TEXT" says a line, "LIST" prints the participants.

#include "benchkit.h"
#include "boardhistory.h"
#include "boardsurface.h"
#include "bruvela.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "palette.h"
#include "participantlist.h"
#include "protocol.h"
#include "sessionkeeper.h"
#include "sessionstore.h"
#include "sinks.h"
#include "trafficlog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace
{

using benchkit::waitUntil;

QString segment(qint64 i)
{
    using session::sFormatSend;
    const int x = int(i % 780) * 15, y = int((i / 780) % 780) * 15;
    return QStringLiteral("[Linea]") + sFormatSend(x) + sFormatSend(y) + sFormatSend(x + 90) +
           sFormatSend(y + 45) + sFormatSend(double((i * 2654435761LL) & 0xFFFFFF)) +
           sFormatSend(1) + sFormatSend(1);
}

struct Quiet : session::ConversationSink {
    void UpdateDialog(const QString &) override {}
    void UpdateStatus(const QString &) override {}
    void clearDialog() override {}
};

/// A board that counts the segments drawn on it since it was last cleared
/// (the joining greeting, drawn off the board, is not counted).
struct Board : session::BoardSink {
    session::ChatSession session;
    board::BoardSurface surface;
    board::Palette palette;
    fill::Bruvela bruvela;
    board::DrawingTools tools{&surface, &palette, &bruvela, &session};
    Quiet quiet;
    qint64 lines = 0;
    int clears = 0;
    Board()
    {
        session.setConversationSink(&quiet);
        session.setBoardSink(this);
    }
    void clearBoard() override
    {
        lines = 0;
        ++clears;
        tools.clearBoard();
    }
    void receiveLine(const session::DrawFields &f) override
    {
        if (f.x1 < 12000)
            ++lines;
        tools.receiveLine(f);
    }
    void receiveCircle(const session::DrawFields &f) override { tools.receiveCircle(f); }
    void receiveFill(float x, float y, qint32 c) override { tools.receiveFill(x, y, c); }
    void receiveText(const session::TextSet &t, qint16 p, qint16 u) override
    {
        tools.receiveText(t, p, u);
    }
    bool join(quint16 port, const QString &name, int timeoutMs)
    {
        session.setName(name);
        session.setPort(port);
        session.setConnectWait(20);
        session.cmdConnect_Click(QStringLiteral("127.0.0.1"));
        return waitUntil([&] { return !session.sMyName().isEmpty(); }, timeoutMs);
    }
};

void say(const QByteArray &line)
{
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

int client(const QStringList &args)
{
    const quint16 port = quint16(args.value(2).toUInt());
    const QString name = args.value(3);
    Board b;
    if (!b.join(port, name, 20000)) {
        say("FAILED join");
        return 1;
    }
    say("JOINED");
    qint64 expected = -1;
    QImage snapshot;
    QElapsedTimer sinceLoss;
    int clearsAtLoss = 0;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[64] = {};
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf - 1);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        const QByteArray cmd = QByteArray(buf, int(n)).trimmed();
        if (cmd.startsWith("EXPECT "))
            expected = cmd.mid(7).toLongLong();
        if (cmd == "LIST")
            say("LIST " + b.session.participants()->names().join(QLatin1Char(',')).toUtf8());
        if (cmd.startsWith("SAY "))
            b.session.SendToServer(QStringLiteral("[Messaggio]") + name + QStringLiteral(": ") +
                                   QString::fromUtf8(cmd.mid(4)));
        if (cmd.startsWith("DRAW ")) {
            expected = cmd.mid(5).toLongLong();
            for (qint64 i = 0; i < expected; ++i)
                b.session.SendToServer(segment(i));
        }
    });
    QObject::connect(&b.session, &session::ChatSession::phaseChanged, [&](auto phase) {
        if (phase == session::ChatSession::Phase::Reconnecting) {
            sinceLoss.start();
            clearsAtLoss = b.clears;
        }
    });
    bool back = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (expected < 0)
            return;
        if (snapshot.isNull() && b.lines == expected) {
            snapshot = b.surface.image();
            say("HAVE");
        }
        if (!snapshot.isNull() && sinceLoss.isValid() && !back &&
            b.session.phase() == session::ChatSession::Phase::Connected &&
            b.clears > clearsAtLoss && b.lines == expected) {
            back = true;
            const bool same = b.surface.image() == snapshot;
            say("BACK " + QByteArray::number(sinceLoss.elapsed()) + (same ? " match" : " DIFFER"));
        }
    });
    poll.start(10);
    QTimer::singleShot(600000, [] { QCoreApplication::exit(2); });
    return QCoreApplication::exec();
}

// --- the real host -----------------------------------------------------------

struct Host {
    QProcess outer; ///< unshare
    qint64 inner = -1;
    QString home;
    quint16 port = 0;

    void start(const QStringList &extra)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/cfg"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        QDir().mkpath(home + QStringLiteral("/run"));
        QFile::setPermissions(home + QStringLiteral("/run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        outer.setProcessEnvironment(env);
        outer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        outer.setStandardOutputFile(QProcess::nullDevice());
        outer.start(QStringLiteral("unshare"),
                    QStringList{QStringLiteral("-p"), QStringLiteral("-f"),
                                QStringLiteral("--mount-proc"), QStringLiteral(TAVERNIX_HOST_BINARY),
                                QStringLiteral("--name"), QStringLiteral("Oste"),
                                QStringLiteral("--port"), QString::number(port),
                                QStringLiteral("--host")} +
                        extra);
        outer.waitForStarted();
        inner = -1;
        waitUntil(
            [&] {
                QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(outer.processId()));
                if (children.open(QIODevice::ReadOnly))
                    inner = children.readAll().trimmed().split(' ').value(0).toLongLong();
                return inner > 0;
            },
            10000);
    }
    bool listening(int timeoutMs)
    {
        return waitUntil(
            [&] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port);
                const bool ok = probe.waitForConnected(100);
                probe.abort();
                return ok;
            },
            timeoutMs);
    }
    double rssMiB() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(inner));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        return -1;
    }
    void kill9()
    {
        if (inner > 0)
            ::kill(pid_t(inner), SIGKILL);
        outer.waitForFinished(10000);
    }
    void terminate()
    {
        if (inner > 0)
            ::kill(pid_t(inner), SIGTERM);
        if (!outer.waitForFinished(10000))
            kill9();
    }
};

quint16 freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

/// Waits until every process said a line starting with @p word; their lines in order.
QList<QByteArray> waitForAll(std::vector<std::unique_ptr<QProcess>> &procs, const QByteArray &word,
                             int timeoutMs)
{
    QList<QByteArray> got(qsizetype(procs.size()));
    waitUntil(
        [&] {
            bool all = true;
            for (size_t i = 0; i < procs.size(); ++i) {
                while (got[qsizetype(i)].isEmpty() && procs[i]->canReadLine()) {
                    const QByteArray line = procs[i]->readLine().trimmed();
                    if (line.startsWith(word))
                        got[qsizetype(i)] = line;
                }
                all = all && !got[qsizetype(i)].isEmpty();
            }
            return all;
        },
        timeoutMs);
    return got;
}

void killAndReturn(const QString &self, qint64 segments)
{
    std::printf("1. host killed with -9 and taken up again, 3 clients, %lld segments\n",
                static_cast<long long>(segments));
    QTemporaryDir home;
    Host host;
    host.home = home.path();
    host.port = freePort();
    host.start({QStringLiteral("--no-resume")});
    if (!host.listening(20000)) {
        std::printf("   the host never listened\n");
        return;
    }
    std::vector<std::unique_ptr<QProcess>> clients;
    for (const char *name : {"Ada", "Bea", "Cora"}) {
        clients.push_back(std::make_unique<QProcess>());
        clients.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        clients.back()->start(self, {QStringLiteral("client"), QString::number(host.port),
                                     QString::fromLatin1(name)});
    }
    if (waitForAll(clients, "JOINED", 30000).contains(QByteArray())) {
        std::printf("   not every client joined\n");
        return;
    }
    clients[1]->write("EXPECT " + QByteArray::number(segments) + '\n');
    clients[2]->write("EXPECT " + QByteArray::number(segments) + '\n');
    clients[0]->write("DRAW " + QByteArray::number(segments) + '\n');
    if (waitForAll(clients, "HAVE", 120000).contains(QByteArray())) {
        std::printf("   not every client got the board\n");
        return;
    }
    // Past the store's flush: what was drawn is on disk, as after any pause.
    waitUntil([] { return false; }, 500);
    QElapsedTimer sinceKill;
    host.kill9();
    sinceKill.start();
    host.start({QStringLiteral("--resume")});
    const qint64 restartedAt = sinceKill.elapsed();
    const QList<QByteArray> back = waitForAll(clients, "BACK", 120000);
    const qint64 allBack = sinceKill.elapsed();
    for (const QByteArray &b : back)
        std::printf("   client: %s\n", b.isEmpty() ? "never back" : b.constData());
    std::printf("   new host started %lld ms after the kill; every client back with its board "
                "%lld ms after the kill (%lld ms after the new start)\n",
                static_cast<long long>(restartedAt), static_cast<long long>(allBack),
                static_cast<long long>(allBack - restartedAt));
    for (auto &c : clients) {
        c->kill();
        c->waitForFinished(5000);
    }
    host.terminate();
}

void resumeLarge(qint64 drawings)
{
    std::printf("2. a session of %lld drawings taken up by the real program\n",
                static_cast<long long>(drawings));
    QTemporaryDir home;
    const QString folder = home.path() + QStringLiteral("/data/tavernix/partite");
    QDir().mkpath(folder);
    {
        QFile f(folder + QStringLiteral("/partita_2026-03-07_21-05-30.tvx"));
        f.open(QIODevice::WriteOnly);
        f.write(session::SessionStore::header(QDateTime::currentDateTime()));
        QByteArray chunk;
        for (qint64 i = 0; i < drawings; ++i) {
            chunk += session::SessionStore::record('B', 1772917530 + i / 100,
                                                   session::encodeText(segment(i)));
            if (i % 1000 == 999)
                chunk += session::SessionStore::record('M', 1772917530 + i / 100,
                                                       "Oste: un'altra riga di dialogo");
            if (chunk.size() > (1 << 20)) {
                f.write(chunk);
                chunk.clear();
            }
        }
        f.write(chunk);
        std::printf("   file: %.1f MB\n", double(f.size()) / 1048576.0);
    }
    for (const bool resume : {false, true}) {
        Host host;
        host.home = home.path();
        host.port = freePort();
        QElapsedTimer clock;
        clock.start();
        host.start({resume ? QStringLiteral("--resume") : QStringLiteral("--no-resume")});
        host.listening(60000);
        Board newcomer;
        const bool joined = newcomer.join(host.port, QStringLiteral("Nuovo"), 120000);
        const qint64 answeredMs = clock.elapsed();
        const qint64 want = resume ? drawings : 0;
        const bool whole = waitUntil([&] { return newcomer.lines >= want; }, 600000);
        const qint64 wholeMs = clock.elapsed();
        waitUntil([] { return false; }, 300);
        std::printf("   %-12s newcomer answered after %6lld ms, holds the board (%lld segments%s) "
                    "after %6lld ms; host RSS %.1f MiB\n",
                    resume ? "--resume" : "--no-resume", static_cast<long long>(answeredMs),
                    static_cast<long long>(newcomer.lines), whole && joined ? "" : ", INCOMPLETE",
                    static_cast<long long>(wholeMs), host.rssMiB());
        newcomer.session.cmdDisconnect_Click();
        host.terminate();
        // The no-resume run made a file of its own; the next run takes the
        // large one, the one written to last.
        for (const QFileInfo &f : QDir(folder).entryInfoList({QStringLiteral("partita_2*.tvx")}))
            if (!f.fileName().startsWith(QLatin1String("partita_2026-03-07")))
                QFile::remove(f.filePath());
    }
}

void keepingCost(qint64 count)
{
    std::printf("3. keeping the session on disk, %lld of each, in this process\n",
                static_cast<long long>(count));
    QTemporaryDir dir;
    QStringList drawings;
    for (qint64 i = 0; i < count; ++i)
        drawings << segment(i);
    const QString line = QStringLiteral("Ada: una riga di dialogo come tante, né corta né lunga.");
    {
        session::SessionStore store(dir.path());
        store.beginNew(QDateTime::currentDateTime());
        QElapsedTimer t;
        t.start();
        for (const QString &d : drawings)
            store.appendBoard(d);
        store.flush();
        const double perDrawing = double(t.nsecsElapsed()) / double(count);
        t.restart();
        for (qint64 i = 0; i < count; ++i)
            store.appendSaid(line, 1772917530 + i);
        store.end();
        const double perLine = double(t.nsecsElapsed()) / double(count);
        std::printf("   store alone: %.0f ns per drawing, %.0f ns per line (file %.1f MB)\n",
                    perDrawing, perLine, double(QFileInfo(store.filePath()).size()) / 1048576.0);
    }
    for (const bool kept : {false, true}) {
        session::ChatSession host;
        Quiet quiet;
        host.setConversationSink(&quiet);
        host.setName(QStringLiteral("Oste"));
        host.setPort(0);
        session::SessionStore store(dir.path() + QStringLiteral("/host"));
        std::unique_ptr<session::SessionKeeper> keeper;
        if (kept) {
            keeper = std::make_unique<session::SessionKeeper>(&host, &store);
            keeper->setResume(session::SessionKeeper::Resume::No);
            keeper->host();
        } else {
            host.cmdHost_Click();
        }
        QElapsedTimer t;
        t.start();
        for (const QString &d : drawings)
            host.Broadcast(d);
        store.flush();
        const double perDrawing = double(t.nsecsElapsed()) / double(count);
        t.restart();
        for (qint64 i = 0; i < count; ++i)
            host.SendToAll(QStringLiteral("[Messaggio]") + line, false);
        store.flush();
        const double perLine = double(t.nsecsElapsed()) / double(count);
        std::printf("   host's whole path %-13s %.0f ns per drawing, %.0f ns per line\n",
                    kept ? "with the file:" : "without it:", perDrawing, perLine);
        host.cmdDisconnect_Click();
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = QDir::tempPath() + QStringLiteral("/bench-table-runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    }
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("client"))
        return client(args);
    const qint64 segments = args.size() > 1 ? args[1].toLongLong() : 20000;
    const qint64 drawings = args.size() > 2 ? args[2].toLongLong() : 100000;
    killAndReturn(app.applicationFilePath(), segments);
    resumeLarge(drawings);
    keepingCost(drawings);
    return 0;
}
