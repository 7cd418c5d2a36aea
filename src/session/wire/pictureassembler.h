#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>
#include <QList>
#include <QString>

#include <optional>

namespace session
{

/**
 * @brief One picture shared with the table, as it travels: cut into slices
 * of Base64 lines on the way out, put together and checked on the way in.
 *
 * Incoming bytes are taken in order only, never past the size announced,
 * and never more than kMaxBytes; nothing is reserved up front, so a start
 * that announces a large size costs nothing until its bytes come. The
 * fingerprint is worked out slice by slice, and the picture is handed over
 * only when every announced byte came and the SHA-256 matches. The size its
 * header claims is read as soon as the header is in: a picture too large to
 * show is refused then, before the rest of it is taken.
 */
class PictureAssembler
{
public:
    /// Most bytes a shared picture may have, encoded.
    static constexpr qint64 kMaxBytes = 16 * 1024 * 1024;
    /// Bytes of picture in one slice line (16 KiB of Base64).
    static constexpr qsizetype kSliceBytes = 12 * 1024;
    /// Longest side a shared picture may claim, in pixels.
    static constexpr int kMaxSide = 16384;
    /// Most bytes its pixels may claim once decoded (four a pixel).
    static constexpr qint64 kMaxPixelBytes = 256LL * 1024 * 1024;

    /// What a PNG's or JPEG's header says of its size, read from the bytes
    /// alone (no decoder): a host can tell a picture too large to show
    /// before passing any of it on.
    struct Claim {
        enum class State { Known, NeedMore, Unreadable } state = State::NeedMore;
        int width = 0;
        int height = 0;
    };
    static Claim claimedSize(QByteArrayView bytes);
    /// Why a picture claiming @p width × @p height cannot be shown; empty when it can.
    static QString sizeRefusal(int width, int height);

    /// What a start line announces.
    struct Announce {
        quint32 id = 0;
        qint64 size = 0;
        QByteArray sha256; ///< 32 bytes
        QString from;
    };

    /// Reads the fields of a "[Immagine Condivisa]"; nothing when malformed.
    static std::optional<Announce> parseStart(const QString &params);
    /// The start line and the slice lines of @p bytes, each an encoded wire
    /// line with CR LF.
    static QList<QByteArray> encode(quint32 id, const QByteArray &bytes, const QString &from);
    /// The log text of a wire line: a slice shows its id and number, not its bytes.
    static QString logText(const QString &line);
    /// Whether @p bytes start as a PNG or a JPEG file does.
    static bool looksLikePicture(const QByteArray &bytes);

    enum class Result {
        Incomplete, ///< waiting for more slices
        Complete,   ///< every byte came and the fingerprint matches: take()
        Refused,    ///< see error(); the assembly is over
    };

    /// Starts assembling what @p announce describes, dropping anything before.
    Result start(const Announce &announce);
    /// A "[Immagine Condivisa Parte]" for the picture being assembled.
    Result part(const QString &params);
    /// Gives up the assembly with @p why (it never finished, say).
    void abandon(const QString &why);
    /// The bytes of a complete picture; the assembler is idle afterwards.
    QByteArray take();

    bool active() const { return m_active; }
    const Announce &announced() const { return m_announce; }
    /// Bytes taken so far, and what the buffer holds room for.
    qint64 received() const { return m_bytes.size(); }
    qint64 capacity() const { return m_bytes.capacity(); }
    /// Why the last assembly was refused, as the status box says it.
    QString error() const { return m_error; }

private:
    Result refuse(const QString &why);

    bool m_active = false;
    Announce m_announce;
    QByteArray m_bytes;
    qint64 m_nextSlice = 0;
    bool m_sizeChecked = false;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    QString m_error;
};

} // namespace session
