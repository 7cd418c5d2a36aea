#pragma once

#include "transferprotocol.h"

#include <QByteArray>

namespace transfer {

/**
 * @brief Cuts control messages out of the bytes a connection delivers.
 *
 * Peers write one message at a time and wait in turn, yet a stream socket
 * may hand two of them over in one read (the two halves of an offer, say) or
 * a message in pieces. The reader keeps what has arrived and gives each
 * message up to its expected end:
 * - a message without a value ends after its fifteen characters (anything
 *   up to the next family word is dropped with it, but not the start of a
 *   family word at the end, which may be the next message in pieces);
 * - a number (packet size, answer) runs from position 17 over its decimal
 *   digits; what follows is left. A value that does not start with a digit
 *   is read as empty. The answer to an offer waits for its one digit;
 * - a file length runs to the next family word or to the end of what has
 *   arrived (file bytes never come before the answer), so a length with
 *   anything but digits in it is taken whole and fails as a number;
 * - a file name runs to the next "File~~~#", which is the size message that
 *   always follows it, so a name is never cut by a read boundary. A name
 *   that itself holds "File~~~#" is cut there.
 * Bytes that match no message are skipped up to the next family word. What
 * follows the last message stays for the caller (takeAll()).
 */
class ControlReader
{
public:
    /// More bytes than this waiting without forming a message is an abuse.
    static constexpr qsizetype kMaxPending = 8192;

    enum class Status {
        Message,    ///< a message was taken
        Incomplete, ///< nothing (more) to take until further bytes arrive
        Overflow,   ///< kMaxPending bytes hold no complete message; they are dropped
    };

    void append(const QByteArray &bytes) { m_buffer.append(bytes); }
    /// Takes the next message into @p out, skipping unrecognised bytes.
    Status next(ControlMessage *out);
    /// Everything not yet taken (the first file data after an acceptance).
    QByteArray takeAll();
    bool isEmpty() const { return m_buffer.isEmpty(); }
    qsizetype pending() const { return m_buffer.size(); }
    void clear() { m_buffer.clear(); }

    /// Recognises the family and kind of a message header (at least fifteen
    /// characters); false when they match nothing.
    static bool identify(const QByteArray &bytes, Kind *kind);

private:
    /// Drops bytes up to the next family word after the first byte.
    void skipUnknown();
    QByteArray m_buffer;
};

} // namespace transfer
