#pragma once

// Shared pieces of the fuzz targets: the failure report, a small seeded
// generator for cutting inputs into reads, the Qt application and an event
// loop that runs until a condition holds.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <sys/socket.h>

namespace fuzzkit
{

/// A broken invariant: say which and abort, so libFuzzer keeps the input.
[[noreturn]] inline void fail(const char *file, int line, const char *what, const QByteArray &detail)
{
    std::fprintf(stderr, "\n*** invariant broken at %s:%d: %s\n", file, line, what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "*** %s\n", detail.constData());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                          \
    do {                                                                                       \
        if (!(condition))                                                                      \
            ::fuzzkit::fail(__FILE__, __LINE__, #condition, QByteArray(detail));               \
    } while (false)

/// splitmix64: the same cuts for the same input, so a saved input replays.
class Rng
{
public:
    explicit Rng(uint64_t seed) : m_state(seed) {}
    uint64_t next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    /// A number from 0 to @p bound - 1 (0 when @p bound is 0).
    uint64_t below(uint64_t bound) { return bound == 0 ? 0 : next() % bound; }

private:
    uint64_t m_state;
};

/**
 * @brief Cuts @p bytes into reads as TCP might deliver them: mostly short
 * pieces, sometimes the whole rest at once, now and then a single byte.
 */
inline QList<QByteArray> cutIntoReads(const QByteArray &bytes, Rng &rng)
{
    QList<QByteArray> reads;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype left = bytes.size() - pos;
        qsizetype take;
        switch (rng.below(8)) {
        case 0:
            take = left;
            break;
        case 1:
            take = 1;
            break;
        default:
            take = 1 + qsizetype(rng.below(64));
            break;
        }
        take = qMin(take, left);
        reads.append(bytes.mid(pos, take));
        pos += take;
    }
    return reads;
}

/// The Qt application every target needs, made once before the first input.
template <typename App> App *application()
{
    static int argc = 1;
    static char name[] = "tavernix-fuzz";
    static char *argv[] = {name, nullptr};
    static App *app = new App(argc, argv);
    return app;
}

/// Runs the event loop until @p done holds or @p timeoutMs passes; returns @p done().
inline bool runUntil(const std::function<bool()> &done, int timeoutMs = 2000)
{
    if (done())
        return true;
    QElapsedTimer clock;
    clock.start();
    // Sleeps until something happens; the tick only bounds the sleep so the
    // timeout is seen.
    QTimer tick;
    tick.start(5);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return done();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

/// CPU time of this thread in milliseconds: other processes on a busy
/// machine do not count against an input's budget.
inline double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

/**
 * @brief Makes closing @p descriptor reset the connection instead of ending
 * it in order: thousands of inputs a minute would otherwise leave as many
 * loopback ports waiting out TIME_WAIT on a machine others share.
 */
inline void resetOnClose(qintptr descriptor)
{
    if (descriptor < 0)
        return;
    linger option{1, 0};
    ::setsockopt(int(descriptor), SOL_SOCKET, SO_LINGER, &option, sizeof option);
}

} // namespace fuzzkit
