#pragma once

#include <QString>

namespace portmap {

/// What an IPv4 address a router reports as its outside address means for
/// someone trying to reach it from the Internet.
enum class AddressClass {
    Public,   ///< reachable from the Internet
    Private,  ///< 10/8, 172.16/12, 192.168/16: another router sits in front
    Shared,   ///< 100.64/10: the provider's own NAT (carrier-grade NAT)
    Unusable, ///< unspecified, loopback, link-local, multicast, reserved, or not an address
};

/**
 * @brief Classifies the dotted IPv4 address @p text. Anything that is not
 * exactly four decimal numbers 0-255 separated by dots is Unusable.
 */
AddressClass classifyIPv4(const QString &text);

} // namespace portmap
