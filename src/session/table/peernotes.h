#pragma once

#include <QtGlobal>

#include <optional>
#include <vector>

namespace session
{

/**
 * @brief What the host notes of each client connection beyond its name:
 * whether it said "[Tavernix]" (it gets the tags beyond the basic protocol),
 * how many address entries it has added, and whether it was sent the
 * address list. Notes start afresh whenever an element carries a new
 * connection; an index outside the table has none.
 */
class PeerNotes
{
public:
    /// Most address entries one client connection may add (its join and renames).
    static constexpr int kMaxAddressEntries = 64;

    /// Element @p index carries a new connection: what was noted of it is stale.
    void reset(qint16 index);
    /// The highest index that has notes.
    qint16 last() const { return qint16(m_notes.size()); }

    bool isTavernix(qint16 index) const;
    void noteTavernix(qint16 index);
    /// Counts an address entry from @p index; false once it has added too many.
    bool admitAddressEntry(qint16 index);
    /// True the first time @p index asks for the address list.
    bool takeAddressRequest(qint16 index);
    /// One more line read from @p index.
    void countLine(qint16 index);
    /// The lines read from @p index when that count has not been told to it
    /// yet (it is taken as told), else nothing.
    std::optional<qint64> takeUntoldCount(qint16 index);

private:
    struct Notes {
        bool addressesSent = false;
        int addressEntries = 0;
        bool tavernix = false;
        qint64 received = 0; ///< lines read from this connection
        qint64 told = 0;     ///< the count last told to it
    };
    Notes *find(qint16 index);
    const Notes *find(qint16 index) const;

    std::vector<Notes> m_notes; ///< connection i at i - 1
};

} // namespace session
