#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QFile;

/**
 * @brief Checks on what a peer offers before anything touches the disk:
 * names and sizes come from the network and are not trusted.
 */
namespace transfer {

/// The outcome of checking an offered name.
struct NameCheck {
    QString name;    ///< the name to store under, when accepted
    QString refusal; ///< why it is refused (a status line), empty when accepted
    bool ok() const { return refusal.isEmpty(); }
};

/**
 * @brief Turns the name bytes of an offer into a name to store under.
 *
 * The bytes are read as UTF-8 when they are valid UTF-8, else as Latin-1 (a
 * peer using a single-byte character set). Only the part after the last "/"
 * or "\" is kept. Refused: a name that is then empty, "." or "..", that holds
 * a control character (NUL, CR and LF included), or that is longer than a
 * file name may be here (255 bytes once encoded).
 */
NameCheck checkIncomingName(const QByteArray &raw);

/// The longest file name the folder takes, in bytes once encoded.
inline constexpr qsizetype kMaxNameBytes = 255;

/// What a file being received is called until it is complete: its own
/// name and this; a transfer that breaks off leaves it so.
inline const QString kPartialSuffix = QStringLiteral(".parziale");

/**
 * @brief The name a file called @p name is received under until it is
 * complete: @p name and kPartialSuffix. Where that would pass the longest
 * name the folder takes, the name is cut (whole characters) and a short
 * fingerprint of the whole name keeps two such files apart, so every name
 * that may be received has a partial name that fits.
 */
QString partialName(const QString &name);

/// The announced length: decimal digits only, 0 to 2147483647; nothing else.
std::optional<qint64> parseAnnouncedSize(const QByteArray &raw);

/// @p folder with a path separator at its end.
QString withSeparator(const QString &folder);

/**
 * @brief Creates @p folder (and the folders above it) when missing. Returns
 * false with the reason in @p reason when it is not a folder afterwards.
 */
bool makeFolder(const QString &folder, QString *reason);

/**
 * @brief Whether a received file may take the name @p path: nothing there,
 * or a regular file (@p exists tells which). A symbolic link or anything
 * else is refused, with the reason in @p reason.
 */
bool replaceable(const QString &path, bool *exists, QString *reason);

/**
 * @brief Opens @p path for writing as a new, empty regular file, replacing a
 * regular file of that name (a new file, so nothing of the old bytes and no
 * other name of the old file is touched).
 *
 * Refused, with the reason in @p reason: a symbolic link (never followed),
 * anything that is not a regular file, and any failure of the system. The
 * file is opened unbuffered: every write goes to the system at once, so a
 * failing write is seen at once.
 */
bool openDestination(QFile &file, const QString &path, QString *reason);

/**
 * @brief Gives the complete file at @p partial its own name @p path, in one
 * step that replaces a file of that name (never following a symbolic link
 * there). False with the reason in @p reason when it cannot be done.
 */
bool finishDestination(const QString &partial, const QString &path, QString *reason);

/**
 * @brief Who is at @p address in @p entries ("name - address", the address
 * list): the name of the last entry with exactly that address, or empty.
 */
QString participantAt(const QStringList &entries, const QString &address);

/**
 * @brief The folder received files go to unless the user picks another:
 * @p programDir + "/FileRicevuti/" where that folder exists and can be
 * written or can be made there; otherwise @p downloadDir + "/FileRicevuti/"
 * (a program installed in a system folder cannot write beside itself).
 */
QString defaultSaveFolder(const QString &programDir, const QString &downloadDir);
/// The same for this program's own folder and the user's download folder.
QString defaultSaveFolder();

} // namespace transfer
