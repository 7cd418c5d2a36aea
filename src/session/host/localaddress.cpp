#include "localaddress.h"

#include "sinks.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>

#include <cerrno>
#include <unistd.h>

namespace session
{

namespace
{

void warn(MessageService *messages, const QString &text)
{
    if (messages)
        messages->showMessage(MessageService::Icon::Warning, kAppTitle, text);
}

/// The address entries of every interface that is up, running and not loopback.
QList<QNetworkAddressEntry> outwardEntries()
{
    QList<QNetworkAddressEntry> result;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const auto flags = iface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) &&
            flags.testFlag(QNetworkInterface::IsRunning) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack))
            result += iface.addressEntries();
    }
    return result;
}

QString interfaceAddress()
{
    const auto entries = outwardEntries();
    for (const QNetworkAddressEntry &entry : entries) {
        const QHostAddress address = entry.ip();
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            return address.toString();
    }
    return {};
}

} // namespace

QString sGlobalIPv6()
{
    QString temporary;
    const auto entries = outwardEntries();
    for (const QNetworkAddressEntry &entry : entries) {
        const QHostAddress address = entry.ip();
        if (address.protocol() != QAbstractSocket::IPv6Protocol ||
            (address.toIPv6Address()[0] & 0xE0) != 0x20)
            continue;
        // A temporary address changes within hours: an invitation should
        // outlast the evening.
        if (!entry.isTemporary())
            return address.toString();
        if (temporary.isEmpty())
            temporary = address.toString();
    }
    return temporary;
}

QString sLocalIP(MessageService *messages)
{
    const QString direct = interfaceAddress();
    if (!direct.isEmpty())
        return direct;
    // A machine with no IPv4 of its own (an IPv6-only line) is still
    // reachable: its global address beats the host name's loopback entry.
    const QString v6 = sGlobalIPv6();
    if (!v6.isEmpty())
        return v6;

    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) {
        warn(messages,
             QCoreApplication::translate("session::LocalAddress",
                                         "Errore del Socket di Windows numero %1. Impossibile "
                                         "recuperare il nome dell'host.")
                 .arg(errno));
        return {};
    }
    const QString hostName = QString::fromLocal8Bit(buffer).trimmed();
    const QHostInfo info = hostName.isEmpty() ? QHostInfo() : QHostInfo::fromName(hostName);
    const auto addresses = info.addresses();
    for (const QHostAddress &address : addresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return address.toString();
    }
    warn(messages, QCoreApplication::translate(
                       "session::LocalAddress",
                       "Errore del Socket di Windows. Impossibile recuperare il nome dell'host."));
    return {};
}

} // namespace session
