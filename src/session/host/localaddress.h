#pragma once

#include <QString>

namespace session
{

class MessageService;

/**
 * @brief The address other participants can reach this machine on, in dotted
 * decimal, or an empty text after a failure (reported through @p messages,
 * which may be null).
 *
 * The host name lookup on Linux commonly gives a loopback address (127.0.1.1
 * on Debian) that no peer can reach, so the first IPv4 address of an
 * interface that is up, running and not loopback comes first; the host name
 * lookup is only the fallback. A machine with no IPv4 address on any such
 * interface gives its global IPv6 address instead, when it has one.
 */
QString sLocalIP(MessageService *messages);

/**
 * @brief A global IPv6 address of this machine (2000::/3, on an interface
 * that is up and running), stable ones before temporary ones; empty when
 * there is none. Others reach it directly, with no router to open.
 */
QString sGlobalIPv6();

} // namespace session
