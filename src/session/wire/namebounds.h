#pragma once

#include <QString>
#include <QStringView>

namespace session
{

/**
 * @brief The longest a participant's name may be, and the one rule that
 * keeps it so on every path a name takes: typed, joining, renaming, in a
 * list entry, in an address entry.
 *
 * A name travels in the joining broadcast, in every participant list sent to
 * every client and in the address list, so a name of a megabyte made a
 * handful of renames cost the host gigabytes of writes. Longer names are
 * cut, not refused: the peer that sent one still gets a name.
 */
inline constexpr qsizetype kMaxNameLength = 64;

/// @p name cut to kMaxNameLength characters (a character outside the basic
/// plane is never split).
QString boundedName(QStringView name);

/// The longest address an address entry may carry (an IPv6 address in text).
inline constexpr qsizetype kMaxAddressLength = 45;

/**
 * @brief An address entry ("name - address") with its name cut as any name
 * is; an empty text when its address part (after the last " - ") is longer
 * than any address, so the entry is refused. An entry without the separator
 * is taken as a name.
 */
QString boundedAddressEntry(QStringView entry);

} // namespace session
