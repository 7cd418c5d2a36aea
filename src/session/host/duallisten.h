#pragma once

#include <QtGlobal>

class QTcpServer;

namespace session {

/**
 * @brief Makes @p server listen on @p port over IPv6 and IPv4 at once; on a
 * system without IPv6 it listens on IPv4 alone. A port that is taken or
 * reserved is not retried: the server's error tells why it failed.
 */
bool listenDualStack(QTcpServer *server, quint16 port);

} // namespace session
