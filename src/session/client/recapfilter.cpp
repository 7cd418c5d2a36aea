#include "recapfilter.h"

#include <algorithm>

namespace session
{

RecapFilter::RecapFilter(int memory) : m_memory(qMax(1, memory)) {}

bool RecapFilter::mayBeMissing(const QString &line)
{
    return line.startsWith(QLatin1Char('*'));
}

namespace
{
/// Own lines one way may pass over before the host's copy of them comes:
/// a few typed while the host's lines were on their way.
constexpr size_t kMaxOwed = 4;
/// Ways of lining up followed at once, for each remembered line; a recap that
/// lines up in more ways (the same words over and over, many of them our
/// own) is shown rather than weighed.
constexpr size_t kWaysPerLine = kMaxOwed + 1;
} // namespace

void RecapFilter::remember(const QString &line, bool own)
{
    if (int(m_lines.size()) >= m_memory)
        m_lines.pop_front();
    m_lines.push_back({line, own});
}

void RecapFilter::show(const RecentTalk::Said &line, bool keep)
{
    if (keep)
        remember(line.line);
    if (m_shownOnReturn >= 0)
        ++m_shownOnReturn;
    if (m_show)
        m_show(line);
}

void RecapFilter::advance(const Candidate &from, const QString &line,
                          std::vector<Candidate> *out) const
{
    // An own line passed over earlier may come now.
    const auto owedHere = std::lower_bound(from.owed.begin(), from.owed.end(), line);
    if (owedHere != from.owed.end() && *owedHere == line) {
        Candidate met = from;
        met.owed.erase(met.owed.begin() + (owedHere - from.owed.begin()));
        out->push_back(std::move(met));
    }
    // A private line the recap lacks, or an own line the host got later, is
    // passed over; the recap's line may still be that very line, so both
    // ways stay open.
    Candidate next = from;
    const int n = int(m_lines.size());
    for (int q = from.next; q < n; ++q) {
        const Entry &entry = m_lines[size_t(q)];
        if (entry.line == line) {
            next.next = q + 1;
            out->push_back(next);
        }
        if (entry.own && next.owed.size() < kMaxOwed)
            next.owed.insert(std::upper_bound(next.owed.begin(), next.owed.end(), entry.line),
                             entry.line);
        else if (!mayBeMissing(entry.line))
            break;
    }
}

void RecapFilter::recapLine(const RecentTalk::Said &line)
{
    std::vector<Candidate> next;
    switch (m_state) {
    case State::Open:
    case State::Showing:
        show(line);
        return;
    case State::Awaiting: {
        // Any remembered line may be where the recap begins.
        const int n = int(m_lines.size());
        m_doneFrom = n;
        while (m_doneFrom > 0 && mayBeMissing(m_lines[size_t(m_doneFrom - 1)].line))
            --m_doneFrom;
        for (int i = 0; i < n; ++i) {
            if (m_lines[size_t(i)].line == line.line)
                next.push_back({i + 1, {}});
        }
        m_held.clear();
        m_shownOnReturn = 0;
        m_state = State::Matching;
        break;
    }
    case State::Matching:
        for (const Candidate &c : m_alive)
            advance(c, line.line, &next);
        break;
    }
    std::sort(next.begin(), next.end());
    next.erase(std::unique(next.begin(), next.end()), next.end());
    if (next.size() > kWaysPerLine * size_t(m_memory)) {
        m_held.push_back(line);
        endMatching();
        return;
    }

    // Candidates that reached the last line the client had, owing none of
    // its own, are done: what was held up to here is known. The others go on.
    const auto caughtUp = [this](const Candidate &c) {
        return c.next >= m_doneFrom && c.owed.empty();
    };
    const auto done = std::remove_if(next.begin(), next.end(), caughtUp);
    if (done != next.end()) {
        next.erase(done, next.end());
        m_held.clear();
    } else {
        m_held.push_back(line);
    }
    m_alive = std::move(next);
    if (m_alive.empty())
        endMatching();
}

void RecapFilter::endMatching(bool keep)
{
    m_alive.clear();
    m_state = State::Showing;
    // No candidate confirmed these: shown rather than lost.
    const std::vector<RecentTalk::Said> held = std::move(m_held);
    m_held.clear();
    for (const RecentTalk::Said &line : held)
        show(line, keep);
}

void RecapFilter::finish()
{
    close(true);
}

void RecapFilter::close(bool whole)
{
    if (m_state == State::Open || m_state == State::Awaiting)
        return;
    // Lines held when a try is cut short matched what is remembered: the next
    // recap, from the same host, brings them again in their place.
    if (m_state == State::Matching)
        endMatching(whole);
    if (whole && m_shownOnReturn == 0 && m_nothingMissed)
        m_nothingMissed();
    m_shownOnReturn = -1;
    m_state = State::Open;
    for (const QString &line : m_saidMeanwhile)
        remember(line, true);
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
        remember(line, true);
        return;
    }
    if (int(m_saidMeanwhile.size()) >= m_memory)
        m_saidMeanwhile.erase(m_saidMeanwhile.begin());
    m_saidMeanwhile.push_back(line);
}

void RecapFilter::unsay(const QString &line)
{
    for (auto it = m_saidMeanwhile.rbegin(); it != m_saidMeanwhile.rend(); ++it) {
        if (*it == line) {
            m_saidMeanwhile.erase(std::next(it).base());
            return;
        }
    }
    for (auto it = m_lines.rbegin(); it != m_lines.rend(); ++it) {
        if (it->own && it->line == line) {
            m_lines.erase(std::next(it).base());
            return;
        }
    }
}

void RecapFilter::expectReturn()
{
    if (m_state == State::Awaiting)
        m_state = State::Showing; // own lines kept aside go in now
    close(false);
    m_state = State::Awaiting;
}

void RecapFilter::forget()
{
    m_lines.clear();
    m_alive.clear();
    m_held.clear();
    m_saidMeanwhile.clear();
    m_shownOnReturn = -1;
    m_state = State::Open;
}

} // namespace session
