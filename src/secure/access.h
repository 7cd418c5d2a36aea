#pragma once

#include <QHostAddress>
#include <QString>

#include <optional>

namespace secure
{

/// Who may sit at the table.
enum class Access {
    /// Anyone who finds the port, as a table always was.
    Anyone,
    /// Only whoever brings the table key (from the invitation) or the password.
    Invited,
    /// Anyone from the local network; from elsewhere only the invited.
    LanOpen,
};

/// The default: a local table stays open, the Internet needs the invitation.
constexpr Access kDefaultAccess = Access::LanOpen;

/// "anyone", "invited", "lan-open": the names used by --access and the files.
QString accessName(Access access);
std::optional<Access> accessFromName(const QString &name);

/**
 * @brief True for addresses that cannot come from the Internet: loopback,
 * private IPv4 ranges, link-local and unique-local IPv6 (IPv4 written as
 * IPv6 is judged as IPv4). The provider's shared range 100.64.0.0/10 is not
 * local: strangers share it.
 */
bool isLocalNetwork(const QHostAddress &address);

/// @p address with an IPv4 address written as IPv6 turned back into IPv4.
QHostAddress plainAddress(const QHostAddress &address);

} // namespace secure
