#pragma once

#include <QStringView>

namespace dice::rollwording
{

// The words of a dice announcement, "Brom lancia 3d6 ed ottiene 11.". The
// announcement writes them and the composer refuses typed text that reads the
// same, so the two must never drift apart. They travel on the wire and are
// never translated.

/// Between the roller's name and the number of dice.
inline constexpr QStringView kRolls = u" lancia ";
/// Between the number of dice and the number of faces.
inline constexpr QStringView kDie = u"d";
/// Between the number of faces (or the expression) and the total.
inline constexpr QStringView kGets = u" ed ottiene ";
/// Closes the announcement, before any detail.
inline constexpr QStringView kEnd = u".";
/// Encloses a private announcement, as every private line.
inline constexpr QStringView kPrivateMark = u"*";
/// Who rolls when the roller has no name yet.
inline constexpr QStringView kAnonymous = u"Qualcuno";

// A richer roll: "Ada lancia 4d6kh3 per attacco ed ottiene 14. « 6, 5, 3, (1) »".

/// Between the expression and its label.
inline constexpr QStringView kFor = u" per ";
/// Opens and closes the list of dice.
inline constexpr QStringView kOpen = u"« ";
inline constexpr QStringView kClose = u" »";
/// Between two dice, and between two groups of dice.
inline constexpr QStringView kDiceSeparator = u", ";
inline constexpr QStringView kGroupSeparator = u" | ";
/// After the number of successes of a pool: one, or any other number.
inline constexpr QStringView kSuccess = u" successo";
inline constexpr QStringView kSuccesses = u" successi";
/// In place of kRolls, for those who see a secret roll or one for the host.
inline constexpr QStringView kRollsSecretly = u" lancia in segreto ";
inline constexpr QStringView kRollsForMaster = u" lancia per il master ";
/// After the roller's name, for those who may not see the roll.
inline constexpr QStringView kSecretNotice = u" fa un tiro segreto.";
inline constexpr QStringView kMasterNotice = u" fa un tiro per il master.";
/// After the dice when explosions and rerolls stopped at their limit.
inline constexpr QStringView kCapped = u" (lanci aggiuntivi fermati al limite)";

} // namespace dice::rollwording
