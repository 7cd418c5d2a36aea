#pragma once

#include <QString>

/**
 * @brief The tags of the chat protocol, defined once for every sender and
 * for the dispatcher. Each is compared exactly: case, spaces and digits count.
 */
namespace session::tag {

inline const QString Connessione = QStringLiteral("[Connessione]");
inline const QString Rename = QStringLiteral("[Rename di Connessione]");
inline const QString Disconnessione = QStringLiteral("[Disconnessione]");
inline const QString Espulsione = QStringLiteral("[Espulsione]");
inline const QString CambiaNome = QStringLiteral("[Cambia Nome]");
inline const QString NuovoNome = QStringLiteral("[Nuovo Nome in Lista]");
inline const QString Riordina = QStringLiteral("[Riordina Nomi in Lista]");
inline const QString Listato = QStringLiteral("[Aggiorna Listato InviaFile]");
inline const QString ComboIP = QStringLiteral("[Aggiorna ComboIP]");
inline const QString NeoConnesso = QStringLiteral("[Aggiorna NeoConnesso]");
inline const QString Messaggio = QStringLiteral("[Messaggio]");
inline const QString Privato = QStringLiteral("[Messaggio Privato]");
inline const QString Pulisci = QStringLiteral("[Pulisci Lavagna]");
inline const QString Linea = QStringLiteral("[Linea]");
inline const QString Circonferenza = QStringLiteral("[Circonferenza]");
inline const QString Colora = QStringLiteral("[Colora Sfondo]");
inline const QString TestoColore = QStringLiteral("[Inserisci TestoColore]");

// Beyond the basic protocol. A program that knows only the tags above ignores
// these, and a host sends them only to a client that said "[Tavernix]".

/// Client to host, before "[Connessione]": this client understands the tags below.
inline const QString Tavernix = QStringLiteral("[Tavernix]");
/// Host to a newcomer, before its board: what follows replaces your board.
inline const QString LavagnaIntera = QStringLiteral("[Lavagna Intera]");
/// Host to a newcomer, after its board: a public line said before it came,
/// the time it was said (number field, seconds since 1970 UTC), then the line.
inline const QString Riepilogo = QStringLiteral("[Riepilogo]");
/// Host to the client it expels, just before closing the connection.
inline const QString SeiEspulso = QStringLiteral("[Sei Espulso]");
/// Host to each client now and then, so a host gone silent is noticed.
inline const QString Battito = QStringLiteral("[Battito]");
/// Host to a newcomer, after its rename: the token that gives the player
/// this seat back should the connection be lost (32 hex digits).
inline const QString Posto = QStringLiteral("[Tavernix Posto]");
/// Client to host, coming back by itself, between "[Tavernix]" and
/// "[Connessione]": the token of the seat it had; that dead connection goes.
inline const QString Ritorno = QStringLiteral("[Tavernix Ritorno]");
/// Host to every connection, first of all, before the connection has said
/// anything: the host is a Tavernix program, so the client introduces itself
/// at once instead of pausing; the table's identity follows (long field),
/// which changes only when the host starts a new game.
inline const QString Saluto = QStringLiteral("[Tavernix Saluto]");
/// Host to a "[Tavernix]" client: how many lines it has read from this
/// connection so far (number field), so the client knows what reached it.
inline const QString Ricevuto = QStringLiteral("[Tavernix Ricevuto]");
/// Host to a "[Tavernix]" newcomer, after its board and recap: everything the
/// host sends a newcomer has arrived; drawings made while away go on now.
inline const QString Seduto = QStringLiteral("[Tavernix Seduto]");
/// Host to every client, right before it closes the table on purpose: the
/// table is closed, so there is nobody to come back to.
inline const QString TavoloChiuso = QStringLiteral("[Tavolo Chiuso]");

// A host sends these to every client: a program that knows only the basic
// protocol ignores them. Shared pictures go to "[Tavernix]" clients only.

/// Host to clients: who cleared the board (the name follows).
inline const QString PulitaDa = QStringLiteral("[Lavagna Pulita]");
/// Host to clients: who brought the last cleared board back (the name follows).
inline const QString Ripristinata = QStringLiteral("[Lavagna Ripristinata]");
/// Host to clients: "1" when only the host may clear the board, "0" otherwise.
inline const QString SoloHost = QStringLiteral("[Pulizia Solo Host]");
/// Host to one client: its "[Pulisci Lavagna]" was refused and not passed on.
inline const QString PuliziaRifiutata = QStringLiteral("[Pulizia Rifiutata]");

/// A picture shared with the table: id, size in bytes, SHA-256 in hex, the
/// sharer's name. Its bytes follow in "[Immagine Condivisa Parte]" lines.
inline const QString Immagine = QStringLiteral("[Immagine Condivisa]");
/// One slice of a shared picture: id, slice number from 0, Base64 bytes.
inline const QString ImmagineParte = QStringLiteral("[Immagine Condivisa Parte]");
/// A grid shared with the table: kind, two steps, colour, the sharer's name.
inline const QString Reticolo = QStringLiteral("[Reticolo Condiviso]");

/// "[Inserisci Testo]" for part 1, "[Inserisci Testo2]" … "[Inserisci Testo11]" after it.
inline QString testo(int part)
{
    return part == 1 ? QStringLiteral("[Inserisci Testo]")
                     : QStringLiteral("[Inserisci Testo%1]").arg(part);
}

} // namespace session::tag
