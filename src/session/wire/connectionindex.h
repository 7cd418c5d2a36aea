#pragma once

#include <QtGlobal>

#include <limits>

/**
 * @brief What a connection index names. On the host, client connections
 * carry 1 and up (element i of its table carries index i); a participant
 * entry's tag is a client's index or the host's, and every received line is
 * acted on as coming from an index. The other values name no client, and
 * each has one meaning on both sides of the wire.
 */
namespace session
{

/// Element 0 of the host's table: the listening socket, never a client.
inline constexpr qint16 kListenerIndex = 0;
/// The host: its own entry on every participant list, and the origin of
/// whatever the host says (on the host what it hands itself, on a client
/// what arrives on the client socket, which this index also names).
inline constexpr qint16 kHostIndex = -1;
/// Lines put together here rather than received (a board restored, a
/// session file fed back): an origin no connection has.
inline constexpr qint16 kLocalOrigin = -2;
/// "Everyone but" that leaves nobody out: the listener receives no lines.
inline constexpr qint16 kNoException = kListenerIndex;

/// Whether @p index (a received index or an entry's tag) names a client
/// connection of the host's table.
constexpr bool isClientIndex(qint32 index)
{
    return index >= 1 && index <= std::numeric_limits<qint16>::max();
}

} // namespace session
