#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

namespace panel
{

/**
 * @brief Looks for the top-level window of started programs, one search per
 * program slot, without ever blocking the event loop.
 *
 * A program has rarely created its window by the time its process has
 * started, so a single look right after the start would almost always miss
 * it. The search looks at once, then again at every tick until the window
 * turns up, the process ends or the time limit passes.
 */
class WindowSearch : public QObject
{
    Q_OBJECT
public:
    /// Returns the window of process @p pid, 0 while there is none.
    using Finder = std::function<quint64(qint64 pid)>;
    /// Tells whether process @p pid still runs.
    using AliveCheck = std::function<bool(qint64 pid)>;

    static constexpr int kDefaultLimit = 10000;  // ms
    static constexpr int kDefaultInterval = 100; // ms

    explicit WindowSearch(Finder finder, QObject *parent = nullptr);

    /// Replaces the test of whether a process still runs (default: the
    /// operating system's process table).
    void setAliveCheck(AliveCheck alive);
    /// How long a search goes on, in milliseconds.
    void setLimit(int ms) { m_limit = ms; }
    int limit() const { return m_limit; }
    /// How often a search looks again, in milliseconds.
    void setInterval(int ms) { m_timer.setInterval(ms); }

    /**
     * @brief Starts looking for the window of @p pid for slot @p slot,
     * replacing a search the slot may have running. The first look happens
     * inside this call, so found() may be emitted before it returns.
     */
    void start(int slot, qint64 pid);
    /// Stops the slot's search without a signal.
    void cancel(int slot);
    bool isSearching(int slot) const;
    /// How many looks the slot's running search has made.
    int attempts(int slot) const;

    /// Whether process @p pid exists (the default alive check).
    static bool processRuns(qint64 pid);

signals:
    void found(int slot, quint64 window);
    /// The time limit passed with the process still running and no window.
    void gaveUp(int slot);
    /// The process ended before a window was found.
    void processEnded(int slot);

private:
    struct Search {
        int slot;
        qint64 pid;
        QElapsedTimer clock;
        int attempts = 0;
    };
    enum class Outcome { Waiting, Found, GaveUp, Ended };

    Outcome look(Search &search, quint64 &window);
    void tick();
    void report(int slot, Outcome outcome, quint64 window);

    Finder m_finder;
    AliveCheck m_alive;
    int m_limit = kDefaultLimit;
    QTimer m_timer;
    std::vector<Search> m_searches;
};

} // namespace panel
