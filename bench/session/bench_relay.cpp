// Relay throughput: one client sends 100,000 "[Messaggio]" lines through the
// host to 20 other clients; every line must arrive at every client, in order.

#include "benchkit.h"
#include "participantlist.h"
#include "trafficlog.h"

using namespace benchkit;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int receivers = argc > 1 ? atoi(argv[1]) : 20;
    const qint64 lines = argc > 2 ? atoll(argv[2]) : 100000;

    Member host(QStringLiteral("Oste"));
    host.chat->setPort(0);
    host.chat->cmdHost_Click();
    const quint16 port = host.chat->listeningPort();
    Member sender(QStringLiteral("Narratore"));
    if (!join(sender, port))
        return 1;
    Members members;
    for (int i = 0; i < receivers; ++i) {
        members.push_back(std::make_unique<Member>(QStringLiteral("Ascoltatore%1").arg(i)));
        if (!join(*members.back(), port))
            return 1;
    }
    waitUntil([&] { return host.chat->participants()->count() == receivers + 2; }, 10000);
    const double rssBefore = peakRssMiB();

    QElapsedTimer clock;
    timeArrivals(members, clock);
    auto slowest = [&] { return fewestReceived(members, lines); };
    clock.start();
    const qint64 window = 2000;
    qint64 sent = 0;
    while (sent < lines) {
        const qint64 end = std::min(lines, sent + 200);
        for (; sent < end; ++sent)
            sender.chat->SendToServer(QStringLiteral("[Messaggio]L") + QString::number(sent));
        while (sent - slowest() > window)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const bool complete = waitUntil([&] { return slowest() == lines; }, 120000);
    const double seconds = clock.nsecsElapsed() / 1e9;

    qint64 disorder = 0;
    double worst = 1e300, best = 0;
    for (auto &m : members) {
        disorder += m->conversation.outOfOrder;
        const double rate = lines / (m->conversation.lastAtNs / 1e9);
        worst = std::min(worst, rate);
        best = std::max(best, rate);
    }
    std::printf("relay: 1 sender, %d receivers, %lld lines, %s, out of order %lld\n", receivers,
                static_cast<long long>(lines),
                complete ? "every receiver got every line" : "INCOMPLETE",
                static_cast<long long>(disorder));
    std::printf("  elapsed                    %.2f s\n", seconds);
    std::printf("  lines/s per receiver       slowest %.0f, fastest %.0f\n", worst, best);
    std::printf("  lines/s, all receivers     %.0f\n", lines * receivers / seconds);
    std::printf("  host received log          %lld entries, sent log %lld entries\n",
                static_cast<long long>(host.chat->receivedLog()->size()),
                static_cast<long long>(host.chat->sentLog()->size()));
    std::printf(
        "  peak RSS (VmHWM)           %.0f MiB before, %.0f MiB after (all peers in one process)\n",
        rssBefore, peakRssMiB());
    return complete && disorder == 0 ? 0 : 1;
}
