// Join storm: 100 clients join one after another; how long until every
// client holds the full participant list.

#include "benchkit.h"
#include "participantlist.h"
#include "trafficlog.h"

using namespace benchkit;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int clients = argc > 1 ? atoi(argv[1]) : 100;
    const int waitMs = 5;

    Member host(QStringLiteral("Oste"));
    host.chat->setPort(0);
    host.chat->cmdHost_Click();
    const quint16 port = host.chat->listeningPort();

    std::vector<std::unique_ptr<Member>> members;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < clients; ++i) {
        members.push_back(std::make_unique<Member>(QStringLiteral("Avventuriero")));
        members.back()->chat->setConnectWait(waitMs);
        if (!join(*members.back(), port)) {
            std::printf("client %d could not join\n", i);
            return 1;
        }
    }
    const double joinedAt = clock.nsecsElapsed() / 1e9;
    const int full = clients + 1;
    const bool complete = waitUntil(
        [&] {
            for (auto &m : members)
                if (m->chat->participants()->count() != full)
                    return false;
            return host.chat->participants()->count() == full;
        },
        120000);
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("join storm: %d clients one after another, connect wait %d ms each, %s\n", clients,
                waitMs, complete ? "every client holds the full list" : "INCOMPLETE");
    std::printf("  last client renamed after   %.2f s\n", joinedAt);
    std::printf("  every list complete after   %.2f s (of which %.2f s are the connect waits)\n",
                seconds, clients * waitMs / 1000.0);
    std::printf("  host sent log               %lld entries\n",
                static_cast<long long>(host.chat->sentLog()->size()));
    std::printf("  last name                   %s\n", qPrintable(members.back()->chat->sMyName()));
    std::printf("  peak RSS (VmHWM)            %.0f MiB\n", peakRssMiB());
    return complete ? 0 : 1;
}
