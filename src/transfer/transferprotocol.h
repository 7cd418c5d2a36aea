#pragma once

#include <QByteArray>
#include <QString>

/**
 * @brief The file-transfer wire format: the control messages both ends
 * exchange on a connection of their own, and the helpers that build and
 * recognise them.
 *
 * A control message is plain ASCII with fixed positions, counted from 1: the
 * family word in 1-8, ":" in 9 (never examined), the six-character kind in
 * 10-15, ":" in 16 where a value follows, and the value from 17 on. Family
 * and kind match regardless of letter case. Messages carry no terminator:
 * each one is a single write, and a sender never writes the next one before
 * the previous has left its socket or the answer has come.
 */
namespace transfer {

/// The port every copy listens on unless its user changes it.
inline constexpr quint16 kDefaultPort = 2543;
/// Bounds of the packet size both ends offer in their scroll bars.
inline constexpr int kMinPacketSize = 100;
inline constexpr int kMaxPacketSize = 2500;
inline constexpr int kDefaultPacketSize = 2048;
/// The largest length an offer can announce (a signed 32-bit count).
inline constexpr qint64 kMaxFileSize = 2147483647;

namespace wire {
// Everything the receiver sends.
inline constexpr char kAccept[] = "Received:accept";
inline constexpr char kDenied[] = "Received:denied";
inline constexpr char kPacketAnswer[] = "Received:PACKET:"; // + size
inline constexpr char kPendAccepted[] = "Received:PEND~#:1";
inline constexpr char kPendRefused[] = "Received:PEND~#:0";
inline constexpr char kKick[] = "Received:kickH#";
// Everything the sender sends.
inline constexpr char kPacketRequest[] = "Request#:PACKET";
inline constexpr char kName[] = "File~~~#:name~#:"; // + name
inline constexpr char kSize[] = "File~~~#:size~#:"; // + decimal length
// Between Tavernix programs only, first thing inside TLS: the pass the host
// gives everyone seated at the table (empty when the sender has none).
inline constexpr char kSeatPass[] = "Request#:SEAT~#:"; // + pass in link form
} // namespace wire

/// The kinds of control message, whichever end sends them.
enum class Kind {
    Accept,        ///< "Received:accept"
    Denied,        ///< "Received:denied"
    PacketAnswer,  ///< "Received:PACKET:" + size
    Pend,          ///< "Received:PEND~#:" + 0 or 1
    Kick,          ///< "Received:kickH#"
    PacketRequest, ///< "Request#:PACKET"
    Name,          ///< "File~~~#:name~#:" + name
    Size,          ///< "File~~~#:size~#:" + length
    SeatPass,      ///< "Request#:SEAT~#:" + pass (Tavernix programs, inside TLS)
};

/// One recognised control message.
struct ControlMessage {
    Kind kind = Kind::Accept;
    QByteArray value; ///< everything from position 17 to the message's end
};

/// "Received:PACKET:" followed by @p packetSize in decimal.
QByteArray packetAnswer(int packetSize);
/// "File~~~#:name~#:" followed by @p name in the local 8-bit encoding.
QByteArray nameMessage(const QString &name);
/// "File~~~#:size~#:" followed by @p length in decimal.
QByteArray sizeMessage(qint64 length);

/**
 * @brief The file name of a path as the sender offers it: what follows the
 * last "\" or "/"; a path without either gives an empty text.
 */
QString GetFileName(const QString &path);

} // namespace transfer
