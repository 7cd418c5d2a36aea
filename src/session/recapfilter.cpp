#include "recapfilter.h"

#include <algorithm>

namespace session
{

RecapFilter::RecapFilter(int memory) : m_memory(qMax(1, memory)) {}

bool RecapFilter::mayBeMissing(const QString &line)
{
    return line.startsWith(QLatin1Char('*'));
}

void RecapFilter::remember(const QString &line)
{
    if (int(m_lines.size()) >= m_memory)
        m_lines.pop_front();
    m_lines.push_back(line);
}

void RecapFilter::show(const RecentTalk::Said &line)
{
    remember(line.line);
    if (m_show)
        m_show(line);
}

std::vector<int> RecapFilter::advance(const std::vector<int> &from, const QString &line) const
{
    const int n = int(m_lines.size());
    std::vector<int> next;
    for (const int start : from) {
        // A private line the recap lacks is passed over; the recap's line
        // may still be that very line, so both ways stay open.
        for (int q = start; q < n; ++q) {
            if (m_lines[size_t(q)] == line)
                next.push_back(q + 1);
            if (!mayBeMissing(m_lines[size_t(q)]))
                break;
        }
    }
    std::sort(next.begin(), next.end());
    next.erase(std::unique(next.begin(), next.end()), next.end());
    return next;
}

void RecapFilter::recapLine(const RecentTalk::Said &line)
{
    switch (m_state) {
    case State::Open:
    case State::Showing:
        show(line);
        return;
    case State::Awaiting: {
        // Any remembered line may be where the recap begins.
        const int n = int(m_lines.size());
        m_doneFrom = n;
        while (m_doneFrom > 0 && mayBeMissing(m_lines[size_t(m_doneFrom - 1)]))
            --m_doneFrom;
        m_alive.clear();
        for (int i = 0; i < n; ++i) {
            if (m_lines[size_t(i)] == line.line)
                m_alive.push_back(i + 1);
        }
        m_held.clear();
        m_state = State::Matching;
        break;
    }
    case State::Matching:
        m_alive = advance(m_alive, line.line);
        break;
    }

    // Candidates that reached the last line the client had are done: what
    // was held up to here is known. The others go on.
    const auto caughtUp = std::find_if(m_alive.begin(), m_alive.end(),
                                       [this](int p) { return p >= m_doneFrom; });
    if (caughtUp != m_alive.end()) {
        m_alive.erase(caughtUp, m_alive.end()); // sorted: the rest caught up too
        m_held.clear();
    } else {
        m_held.push_back(line);
    }
    if (m_alive.empty())
        endMatching();
}

void RecapFilter::endMatching()
{
    m_alive.clear();
    m_state = State::Showing;
    // No candidate confirmed these: shown rather than lost.
    const std::vector<RecentTalk::Said> held = std::move(m_held);
    m_held.clear();
    for (const RecentTalk::Said &line : held)
        show(line);
}

void RecapFilter::finish()
{
    if (m_state == State::Open || m_state == State::Awaiting)
        return;
    if (m_state == State::Matching)
        endMatching();
    m_state = State::Open;
    for (const QString &line : m_saidMeanwhile)
        remember(line);
    m_saidMeanwhile.clear();
}

void RecapFilter::heard(const QString &line)
{
    // The host sends a recap before any live line: none came, or it is over.
    if (m_state == State::Awaiting)
        m_state = State::Showing;
    finish();
    remember(line);
}

void RecapFilter::said(const QString &line)
{
    if (m_state == State::Open) {
        remember(line);
        return;
    }
    if (int(m_saidMeanwhile.size()) >= m_memory)
        m_saidMeanwhile.erase(m_saidMeanwhile.begin());
    m_saidMeanwhile.push_back(line);
}

void RecapFilter::expectReturn()
{
    if (m_state == State::Awaiting)
        m_state = State::Showing; // own lines kept aside go in now
    finish();
    m_state = State::Awaiting;
}

void RecapFilter::forget()
{
    m_lines.clear();
    m_alive.clear();
    m_held.clear();
    m_saidMeanwhile.clear();
    m_state = State::Open;
}

} // namespace session
