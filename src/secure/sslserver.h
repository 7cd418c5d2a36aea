#pragma once

#include <QTcpServer>

namespace secure
{

/**
 * @brief A listener whose connections are QSslSockets that start out in
 * plain text, so the owner can look at the first byte and then either
 * start TLS on the same connection or carry on with the basic protocol.
 */
class SslServer : public QTcpServer
{
    Q_OBJECT
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override;
};

} // namespace secure
