// One host, 50 clients on loopback, 200,000 lines through SendToAll. Every
// client runs the full dispatcher, so both traffic logs fill up as they
// would in the program.

#include "benchkit.h"
#include "participantlist.h"
#include "trafficlog.h"

using namespace benchkit;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int clients = argc > 1 ? atoi(argv[1]) : 50;
    const qint64 lines = argc > 2 ? atoll(argv[2]) : 200000;

    Member host(QStringLiteral("Oste"));
    host.chat->setPort(0);
    host.chat->cmdHost_Click();
    const quint16 port = host.chat->listeningPort();
    Members members;
    for (int i = 0; i < clients; ++i) {
        members.push_back(std::make_unique<Member>(QStringLiteral("Giocatore%1").arg(i)));
        if (!join(*members.back(), port)) {
            std::printf("client %d could not join\n", i);
            return 1;
        }
    }
    waitUntil([&] { return host.chat->participants()->count() == clients + 1; }, 10000);

    QElapsedTimer clock;
    timeArrivals(members, clock);
    auto slowest = [&] { return fewestReceived(members, lines); };
    clock.start();
    // Keep at most a window of lines in flight so the measurement is of the
    // delivery, not of how much the socket buffers can swallow.
    const qint64 window = 2000;
    const qint64 batch = 200;
    qint64 sent = 0;
    while (sent < lines) {
        const qint64 end = std::min(lines, sent + batch);
        for (; sent < end; ++sent)
            host.chat->SendToAll(QStringLiteral("[Messaggio]L") + QString::number(sent), false);
        while (sent - slowest() > window)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const bool complete = waitUntil([&] { return slowest() == lines; }, 120000);
    const double seconds = clock.nsecsElapsed() / 1e9;

    qint64 disorder = 0;
    for (auto &m : members)
        disorder += m->conversation.outOfOrder;
    const qint64 delivered = lines * clients;
    std::printf("broadcast: %d clients, %lld SendToAll calls, %s\n", clients,
                static_cast<long long>(lines),
                complete ? "every client received every line" : "INCOMPLETE");
    std::printf("  elapsed            %.2f s\n", seconds);
    std::printf("  SendToAll calls/s  %.0f\n", lines / seconds);
    std::printf("  lines delivered/s  %.0f (all clients together)\n", delivered / seconds);
    std::printf("  out of order       %lld\n", static_cast<long long>(disorder));
    std::printf("  host sent log      %lld entries; client received log %lld entries each\n",
                static_cast<long long>(host.chat->sentLog()->size()),
                static_cast<long long>(members.front()->chat->receivedLog()->size()));
    std::printf("  peak RSS (VmHWM)   %.0f MiB (host and clients in one process)\n", peakRssMiB());
    return complete && disorder == 0 ? 0 : 1;
}
