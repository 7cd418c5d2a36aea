// A late joiner and the board: the host draws N freehand segments (100,000
// by default), then a newcomer joins in a process of its own and is sent the
// board. Prints how long the newcomer took from pressing "Connetti" until its
// board matched the host's pixel for pixel, and the latency of chat lines
// between two other clients through the host before and during the replay.
//
//   bench_board_replay [segments]
//
// The newcomer is this same program started with "newcomer PORT IMAGE N",
// N the number of segments the host keeps.

#include "boardhistory.h"
#include "boardsurface.h"
#include "bruvela.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "palette.h"
#include "participantlist.h"
#include "sinks.h"
#include "trafficlog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace
{

struct Board {
    session::ChatSession session;
    board::BoardSurface surface;
    board::Palette palette;
    fill::Bruvela bruvela;
    board::DrawingTools tools{&surface, &palette, &bruvela, &session};
};

/// Passes drawings on to the tools and counts the segments.
struct CountingBoard : session::BoardSink {
    board::DrawingTools *tools;
    qint64 lines = 0;
    explicit CountingBoard(board::DrawingTools *t) : tools(t) {}
    void clearBoard() override { tools->clearBoard(); }
    void receiveLine(const session::DrawFields &f) override
    {
        ++lines;
        tools->receiveLine(f);
    }
    void receiveCircle(const session::DrawFields &f) override { tools->receiveCircle(f); }
    void receiveFill(float x, float y, qint32 c) override { tools->receiveFill(x, y, c); }
    void receiveText(const session::TextSet &t, qint16 p, qint16 u) override
    {
        tools->receiveText(t, p, u);
    }
};

/// Records when each "P<n>" line arrives.
struct PingListener : session::ConversationSink {
    const QElapsedTimer *clock = nullptr;
    std::vector<qint64> *sentAt = nullptr;
    std::vector<double> latenciesMs;
    void UpdateDialog(const QString &line) override
    {
        if (!line.startsWith(QLatin1Char('P')))
            return;
        const qsizetype n = QStringView(line).mid(1).toLongLong();
        if (n >= 0 && n < qsizetype(sentAt->size()))
            latenciesMs.push_back((clock->nsecsElapsed() - (*sentAt)[size_t(n)]) / 1e6);
    }
    void UpdateStatus(const QString &) override {}
    void clearDialog() override {}
};

struct Quiet : session::ConversationSink {
    void UpdateDialog(const QString &) override {}
    void UpdateStatus(const QString &) override {}
    void clearDialog() override {}
};

template <typename F> bool waitUntil(F done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

/// True once @p chat's join is whole: the last thing the host sends a
/// newcomer is the address list, whose last entry is its own.
bool joined(session::ChatSession &chat, const QString &name, qsizetype &scanned)
{
    const auto *log = chat.receivedLog();
    const QString mine = QStringLiteral("sckConnect: [Aggiorna NeoConnesso]") + name +
                         QStringLiteral(" - ");
    for (; scanned < log->size(); ++scanned) {
        if (log->at(scanned).startsWith(mine))
            return true;
    }
    return false;
}

/// Resident set of this process in MiB, or -1.
double rssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

void stats(const char *label, std::vector<double> v)
{
    if (v.empty()) {
        std::printf("  %-34s no lines\n", label);
        return;
    }
    std::sort(v.begin(), v.end());
    auto at = [&](double q) { return v[std::min(v.size() - 1, size_t(q * double(v.size())))]; };
    std::printf("  %-34s %5zu lines  median %7.2f ms  p99 %7.2f ms  max %7.2f ms\n", label,
                v.size(), at(0.5), at(0.99), v.back());
}

int newcomer(const QStringList &args)
{
    const quint16 port = quint16(args.value(2).toUInt());
    const QImage expected(args.value(3));
    const qint64 segments = args.value(4).toLongLong(); // the host's history
    Board b;
    Quiet quiet;
    CountingBoard counting(&b.tools);
    b.session.setConversationSink(&quiet);
    b.session.setBoardSink(&counting);
    b.session.setName(QStringLiteral("Ritardatario"));
    b.session.setPort(port);
    b.session.setConnectWait(20);
    QElapsedTimer clock;
    clock.start();
    b.session.cmdConnect_Click(QStringLiteral("127.0.0.1"));
    // The greeting is a segment too.
    const bool all = waitUntil([&] { return counting.lines >= segments + 1; }, 600000);
    const double drawnMs = clock.nsecsElapsed() / 1e6;
    const bool matches = b.surface.image() == expected.convertToFormat(b.surface.image().format());
    const double matchedMs = clock.nsecsElapsed() / 1e6;
    qsizetype scanned = 0;
    waitUntil([&] { return joined(b.session, QStringLiteral("Ritardatario"), scanned); }, 60000);
    const double joinDoneMs = clock.nsecsElapsed() / 1e6;
    std::printf("NEWCOMER %s %s %.1f %.1f %.1f\n", all ? "all" : "INCOMPLETE",
                matches ? "match" : "DIFFER", drawnMs, matchedMs, joinDoneMs);
    std::fflush(stdout);
    return all && matches ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("newcomer"))
        return newcomer(args);
    const qint64 segments = args.size() > 1 ? args[1].toLongLong() : 100000;

    Board host;
    Quiet hostQuiet;
    host.session.setConversationSink(&hostQuiet);
    host.session.setName(QStringLiteral("Oste"));
    host.session.setPort(0);
    host.session.cmdHost_Click();
    const quint16 port = host.session.listeningPort();

    // Two others: one says a line every 5 ms, the other times its arrival.
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> sentAt;
    session::ChatSession pinger, listener;
    Quiet pingerQuiet;
    PingListener ears;
    ears.clock = &clock;
    ears.sentAt = &sentAt;
    pinger.setConversationSink(&pingerQuiet);
    listener.setConversationSink(&ears);
    for (auto [chat, name] : {std::pair{&pinger, QStringLiteral("Voce")},
                              std::pair{&listener, QStringLiteral("Orecchio")}}) {
        chat->setName(name);
        chat->setPort(port);
        chat->setConnectWait(20);
        chat->cmdConnect_Click(QStringLiteral("127.0.0.1"));
        qsizetype scanned = 0;
        if (!waitUntil([&] { return joined(*chat, name, scanned); }, 20000)) {
            std::printf("join failed\n");
            return 1;
        }
    }

    // The board: long freehand segments all over it, in a few colours.
    QElapsedTimer drawing;
    drawing.start();
    host.tools.Command13_Click();
    host.palette.picSelColor_Click(5);
    host.tools.mousePress(board::DrawingTools::Left, false, 600, 600);
    for (qint64 i = 1; i <= segments; ++i) {
        if (i % 20000 == 0)
            host.palette.picSelColor_Click(int(3 + i / 20000));
        host.tools.mouseMove(board::DrawingTools::Left, false, float((i * 3779) % 11900),
                             float((i * 5303) % 11900));
        if (i % 1000 == 0)
            QCoreApplication::processEvents(); // the others keep up
    }
    const double drawMs = drawing.nsecsElapsed() / 1e6;
    waitUntil([&] {
        return listener.receivedLog()->size() > segments && pinger.receivedLog()->size() > segments;
    }, 120000);
    waitUntil([] { return false; }, 1000);
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("board.png"));
    host.surface.image().save(png);
    const qsizetype historyBytes = host.session.boardHistory().size();
    const qsizetype historyCount = host.session.boardHistory().count();

    QTimer ping;
    ping.setInterval(5);
    QObject::connect(&ping, &QTimer::timeout, [&] {
        const qsizetype n = qsizetype(sentAt.size());
        sentAt.push_back(clock.nsecsElapsed());
        pinger.SendToServer(QStringLiteral("[Messaggio]P") + QString::number(n));
    });
    ping.start();
    waitUntil([] { return false; }, 2000);
    const std::vector<double> before = ears.latenciesMs;
    ears.latenciesMs.clear();

    const double rssBefore = rssMiB();
    const qsizetype sentBefore = host.session.sentLog()->size();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("newcomer"), QString::number(port), png,
                 QString::number(historyCount)});
    const bool finished = waitUntil([&] { return child.state() == QProcess::NotRunning; }, 900000);
    const std::vector<double> during = ears.latenciesMs;
    ping.stop();
    const double rssAfter = rssMiB();
    const qsizetype sentEntries = host.session.sentLog()->size() - sentBefore;
    const QString report = QString::fromUtf8(child.readAllStandardOutput()).trimmed();

    std::printf("board replay: %lld segments drawn by the host in %.0f ms; history %lld messages, "
                "%.1f MiB\n",
                static_cast<long long>(segments), drawMs, static_cast<long long>(historyCount),
                historyBytes / 1048576.0);
    const QStringList f = report.split(QLatin1Char(' '));
    if (!finished || f.size() < 6 || f[0] != QLatin1String("NEWCOMER")) {
        std::printf("  newcomer did not report: %s\n", qPrintable(report));
        return 1;
    }
    std::printf("  newcomer: %s segments, board %s\n", qPrintable(f[1]),
                f[2] == QLatin1String("match") ? "matches the host's pixel for pixel"
                                               : "DIFFERS from the host's");
    std::printf("  from Connetti to the last segment drawn  %8.0f ms\n", f[3].toDouble());
    std::printf("  from Connetti to the board compared      %8.0f ms\n", f[4].toDouble());
    std::printf("  from Connetti to the end of its join     %8.0f ms\n", f[5].toDouble());
    std::printf("  chat line from one other client to another, through the host:\n");
    std::printf("  host: %lld sent-log entries during the join, resident %.0f MiB before, "
                "%.0f MiB after\n",
                static_cast<long long>(sentEntries), rssBefore, rssAfter);
    stats("before the newcomer (2 s)", before);
    stats("while the newcomer joins and draws", during);
    return f[2] == QLatin1String("match") ? 0 : 1;
}
