// A list view on a traffic log while 200,000 entries arrive: once with one
// entry per pass of the event loop (the worst case for a view), once with
// the entries of a burst arriving in the same pass. The view scrolls to the
// newest entry as the window's logs do.

#include "benchkit.h"
#include "trafficlog.h"

#include <QApplication>
#include <QListView>

using namespace benchkit;

namespace
{

double run(int entries, int perPass)
{
    session::TrafficLog log;
    QListView view;
    view.setUniformItemSizes(true);
    view.setModel(&log);
    QObject::connect(&log, &session::TrafficLog::entryAppended, &view, [&](int row) {
        view.scrollTo(log.index(row), QAbstractItemView::PositionAtTop);
    });
    view.resize(300, 400);
    view.show();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < entries; ++i) {
        log.append(QStringLiteral("sckConnection(3): [Messaggio]riga numero ") +
                   QString::number(i));
        if ((i + 1) % perPass == 0)
            QCoreApplication::processEvents();
    }
    // Until the view has heard of every entry.
    waitUntil([&] { return log.rowCount() == entries; }, 10000);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (log.rowCount() != entries)
        std::printf("  rows announced %d of %d!\n", log.rowCount(), entries);
    return seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int entries = argc > 1 ? atoi(argv[1]) : 200000;
    std::printf("log view: %d entries appended to a shown QListView\n", entries);
    const double single = run(entries, 1);
    std::printf("  one entry per event-loop pass   %.2f s (%.0f entries/s)\n", single,
                entries / single);
    const double burst = run(entries, 100);
    std::printf("  100 entries per pass            %.2f s (%.0f entries/s)\n", burst,
                entries / burst);
    std::printf("  peak RSS (VmHWM)                %.0f MiB\n", peakRssMiB());
    return 0;
}
