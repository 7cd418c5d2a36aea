#pragma once

#include <QStringView>

namespace conversation::rollwording
{

// The words of a dice announcement, "Brom lancia 3d6 ed ottiene 11.". The
// dice roller writes them and the composer refuses typed text that reads the
// same, so the two must never drift apart.

/// Between the roller's name and the number of dice.
inline constexpr QStringView kRolls = u" lancia ";
/// Between the number of dice and the number of faces.
inline constexpr QStringView kDie = u"d";
/// Between the number of faces and the total.
inline constexpr QStringView kGets = u" ed ottiene ";
/// Closes the announcement, before any detail.
inline constexpr QStringView kEnd = u".";
/// Encloses a private announcement, as every private line.
inline constexpr QStringView kPrivateMark = u"*";
/// Who rolls when the roller has no name yet.
inline constexpr QStringView kAnonymous = u"Qualcuno";

} // namespace conversation::rollwording
