#include "windowsearch.h"

#include <algorithm>
#include <tuple>

#include <cerrno>
#include <csignal>

namespace panel
{

WindowSearch::WindowSearch(Finder finder, QObject *parent)
    : QObject(parent), m_finder(std::move(finder)), m_alive(&WindowSearch::processRuns)
{
    m_timer.setInterval(kDefaultInterval);
    connect(&m_timer, &QTimer::timeout, this, &WindowSearch::tick);
}

void WindowSearch::setAliveCheck(AliveCheck alive)
{
    m_alive = alive ? std::move(alive) : AliveCheck(&WindowSearch::processRuns);
}

bool WindowSearch::processRuns(qint64 pid)
{
    if (pid <= 0)
        return false;
    // Signal 0 only asks whether the process exists; EPERM means it does but
    // belongs to someone else. Detached programs are not our children, so
    // an ended one leaves no zombie behind that would still answer.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

void WindowSearch::start(int slot, qint64 pid)
{
    cancel(slot);
    Search search{slot, pid, QElapsedTimer(), 0};
    search.clock.start();
    quint64 window = 0;
    const Outcome outcome = look(search, window);
    if (outcome == Outcome::Waiting) {
        m_searches.push_back(search);
        if (!m_timer.isActive())
            m_timer.start();
        return;
    }
    report(slot, outcome, window);
}

void WindowSearch::cancel(int slot)
{
    std::erase_if(m_searches, [slot](const Search &s) { return s.slot == slot; });
    if (m_searches.empty())
        m_timer.stop();
}

bool WindowSearch::isSearching(int slot) const
{
    return std::any_of(m_searches.begin(), m_searches.end(),
                       [slot](const Search &s) { return s.slot == slot; });
}

int WindowSearch::attempts(int slot) const
{
    for (const Search &s : m_searches) {
        if (s.slot == slot)
            return s.attempts;
    }
    return 0;
}

WindowSearch::Outcome WindowSearch::look(Search &search, quint64 &window)
{
    ++search.attempts;
    window = m_finder ? m_finder(search.pid) : 0;
    if (window != 0)
        return Outcome::Found;
    if (!m_alive(search.pid))
        return Outcome::Ended;
    if (search.clock.elapsed() >= m_limit)
        return Outcome::GaveUp;
    return Outcome::Waiting;
}

void WindowSearch::tick()
{
    // Outcomes are reported after the list is settled: a receiver may start
    // or cancel searches.
    std::vector<std::tuple<int, Outcome, quint64>> done;
    for (auto it = m_searches.begin(); it != m_searches.end();) {
        quint64 window = 0;
        const Outcome outcome = look(*it, window);
        if (outcome == Outcome::Waiting) {
            ++it;
            continue;
        }
        done.emplace_back(it->slot, outcome, window);
        it = m_searches.erase(it);
    }
    if (m_searches.empty())
        m_timer.stop();
    for (const auto &[slot, outcome, window] : done)
        report(slot, outcome, window);
}

void WindowSearch::report(int slot, Outcome outcome, quint64 window)
{
    switch (outcome) {
    case Outcome::Found:
        emit found(slot, window);
        break;
    case Outcome::GaveUp:
        emit gaveUp(slot);
        break;
    case Outcome::Ended:
        emit processEnded(slot);
        break;
    case Outcome::Waiting:
        break;
    }
}

} // namespace panel
