#include "sslserver.h"

#include <QSslSocket>

#include <unistd.h>

namespace secure
{

void SslServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(int(descriptor));
        delete socket;
        return;
    }
    addPendingConnection(socket);
}

} // namespace secure
