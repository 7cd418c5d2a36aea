#pragma once

#include <QString>

namespace transfer {

/**
 * @brief A byte count as a short size text, as both halves of the transfer
 * window show it.
 *
 * Below 1024 the count itself with "bytes" ("0 bytes", "904 bytes"). From
 * 1024 on the count in KB, MB or GB (steps of 1024) with three significant
 * digits, cut rather than rounded so a size is never shown larger than it
 * is, and a decimal comma as the Italian interface writes it: 2952 is
 * "2,88 KB", 50000 is "48,8 KB", 500000 is "488 KB", 1048576 is "1,00 MB".
 * From 1000 of a unit on the next unit is used (1024000 is "0,97 MB"), so
 * the number keeps three digits; only counts of 1000 to 1023 bytes, and
 * beyond 999 GB, show four.
 */
QString FormatKB(qint64 bytes);

/**
 * @brief A number that is the same for two counts exactly when FormatKB
 * renders them alike, so a progress line is rebuilt only when it changes.
 */
qint64 sizeTextKey(qint64 bytes);

/// The sender's name for the same rendering.
inline QString FormatKB2(qint64 bytes) { return FormatKB(bytes); }

} // namespace transfer
