#pragma once

#include <QByteArray>

/**
 * @brief The tags the private table adds to the chat protocol. They travel
 * only between Tavernix programs, inside TLS; a program of the basic
 * protocol never sees them, apart from a refusal (which it ignores).
 */
namespace secure::tag
{

/// Client to host, after "[Tavernix]" and before "[Connessione]": what the
/// joiner brings, "k" and the table key in link form, or "p" and a password.
inline constexpr char Accesso[] = "[Tavernix Accesso]";
/// Host to a refused joiner, just before closing: the reason's code
/// ("bandito", "invito", "chiave", "attendi", "cifratura").
inline constexpr char Rifiuto[] = "[Tavernix Rifiuto]";
/// Host to a seated Tavernix client: the pass that opens the other players'
/// transfer ports (link form); a new one comes when the table changes it.
inline constexpr char Lasciapassare[] = "[Tavernix Lasciapassare]";
/// Client to host: its own transfer fingerprint (link form). Host to
/// clients: a participant's, as the connection index (number field) and the
/// fingerprint, so a sender can check the receiver it reaches.
inline constexpr char Impronta[] = "[Tavernix Impronta]";

/// What "[Tavernix Accesso]" carries before the key or the password.
inline constexpr char kKeyMark = 'k';
inline constexpr char kPasswordMark = 'p';

} // namespace secure::tag
