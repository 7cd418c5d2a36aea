#include "access.h"

namespace secure
{

QString accessName(Access access)
{
    switch (access) {
    case Access::Anyone:
        return QStringLiteral("anyone");
    case Access::Invited:
        return QStringLiteral("invited");
    case Access::LanOpen:
        break;
    }
    return QStringLiteral("lan-open");
}

std::optional<Access> accessFromName(const QString &name)
{
    for (Access a : {Access::Anyone, Access::Invited, Access::LanOpen}) {
        if (accessName(a) == name)
            return a;
    }
    return std::nullopt;
}

QHostAddress plainAddress(const QHostAddress &address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : address;
}

bool isLocalNetwork(const QHostAddress &address)
{
    const QHostAddress a = plainAddress(address);
    if (a.isLoopback() || a.isLinkLocal())
        return true;
    if (a.protocol() == QAbstractSocket::IPv4Protocol) {
        for (const auto &[net, bits] : {std::pair{"10.0.0.0", 8}, {"172.16.0.0", 12}, {"192.168.0.0", 16}}) {
            if (a.isInSubnet(QHostAddress(QString::fromLatin1(net)), bits))
                return true;
        }
        return false;
    }
    return a.isUniqueLocalUnicast();
}

} // namespace secure
