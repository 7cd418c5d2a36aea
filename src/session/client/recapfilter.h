#pragma once

#include "recenttalk.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

namespace session
{

/**
 * @brief Spares a client that comes back to the table the talk it already
 * has: of the recap its host sends on a return, only what was said after the
 * last line it had is shown.
 *
 * It remembers the conversation lines in the client's pane, in order: live
 * lines received or said, and recap lines shown. After a lost connection the
 * next recap is compared with them as it streams in, one line at a time and
 * with no end marker. The host's recap is the tail of its talk and the
 * remembered lines are the tail of the same talk up to the break, so the
 * recap starts somewhere inside them (or after them): every place where the
 * first recap line equals a remembered one is a candidate start, advanced
 * with each further recap line and dropped on a mismatch. Lines are held
 * while a candidate lives; when one reaches the last remembered line, what was
 * held is known and is dropped. Once no candidate lives, the rest is shown,
 * and held lines that no candidate confirmed are shown first: a line said
 * twice may be shown again, but in the common cases a line the client did not
 * have is never hidden. A private line never comes back in a recap, and the
 * client cannot tell one from the wire; such lines are enclosed in "*", and a
 * remembered line that is may be passed over when the recap lacks it. A line
 * of our own may cross one from the host on the way, so the host may hold it
 * a little later than the pane does: it may be passed over and met later.
 *
 * QtCore only; it shows through the callback it is given.
 */
class RecapFilter
{
public:
    /// Twice the host's recap, so that private lines mixed in the pane
    /// still leave the whole recap within what is remembered.
    static constexpr int kDefaultMemory = 2 * RecentTalk::kDefaultCapacity;
    using Show = std::function<void(const RecentTalk::Said &)>;

    explicit RecapFilter(int memory = kDefaultMemory);

    /// Where a recap line to be shown goes.
    void setShow(Show show) { m_show = std::move(show); }
    /// Called when a return's recap is over and all of it was had already.
    void setNothingMissed(std::function<void()> told) { m_nothingMissed = std::move(told); }

    /// A live line from the host is in the pane: any recap is over.
    void heard(const QString &line);
    /// A public line of our own went to the host. While a recap is being
    /// compared it is kept aside: the host sent that recap before it.
    void said(const QString &line);
    /// Our line @p line, said last with those words, never reached the host
    /// (the connection was lost first): its recap will not hold it.
    void unsay(const QString &line);
    /// One recap line from the host: shown now, held, or dropped as known.
    void recapLine(const RecentTalk::Said &line);
    /// A line of another kind came from the host: the recap is over, and what
    /// is still held is shown.
    void finish();
    /// A new try to get back in: its recap is compared with what the pane
    /// holds. What an interrupted try left held is shown first.
    void expectReturn();
    /// A new session: nothing is remembered.
    void forget();

    /// How many lines are remembered now.
    int remembered() const { return int(m_lines.size()); }

private:
    /// Open: no recap expected. Awaiting: back in, no recap line yet.
    /// Matching: candidates live. Showing: the rest of the recap is new.
    enum class State { Open, Awaiting, Matching, Showing };

    struct Entry {
        QString line;
        bool own = false; ///< said by us: the host may have put it later
    };
    /// One way the recap may line up with what is remembered.
    struct Candidate {
        int next = 0; ///< index of the remembered line expected next
        /// Own lines passed over, still to come, in sorted order: lines of
        /// the same text owed are one way, however they were passed over.
        std::vector<QString> owed;
        bool operator<(const Candidate &o) const
        {
            return next != o.next ? next < o.next : owed < o.owed;
        }
        bool operator==(const Candidate &o) const { return next == o.next && owed == o.owed; }
    };

    void remember(const QString &line, bool own = false);
    /// Shows @p line, and remembers it when @p keep.
    void show(const RecentTalk::Said &line, bool keep = true);
    /// Where @p from may stand after @p line; nothing when it mismatches.
    void advance(const Candidate &from, const QString &line, std::vector<Candidate> *out) const;
    void endMatching(bool keep = true);
    /// Ends a recap; @p whole when it was not cut short by a new try.
    void close(bool whole);
    static bool mayBeMissing(const QString &line);

    int m_memory;
    Show m_show;
    std::function<void()> m_nothingMissed;
    /// Recap lines shown since a return's recap began; -1 outside one.
    int m_shownOnReturn = -1;
    std::deque<Entry> m_lines;
    State m_state = State::Open;
    std::vector<Candidate> m_alive;
    int m_doneFrom = 0;                   ///< a candidate there or beyond, owing nothing, caught up
    std::vector<RecentTalk::Said> m_held; ///< skipped, not yet known to be had
    std::vector<QString> m_saidMeanwhile; ///< our own lines during a comparison
};

} // namespace session
