#include "duallisten.h"

#include <QHostAddress>
#include <QTcpServer>

namespace session {

bool listenDualStack(QTcpServer *server, quint16 port)
{
    if (server->listen(QHostAddress::Any, port))
        return true;
    // Taken or reserved is the port's fault, not the protocol's: IPv4 alone
    // would only hide the reason.
    const auto error = server->serverError();
    if (error == QAbstractSocket::AddressInUseError || error == QAbstractSocket::SocketAccessError)
        return false;
    return server->listen(QHostAddress::AnyIPv4, port);
}

} // namespace session
