#pragma once

#include "cdibsection.h"

#include <QImage>
#include <QImageReader>
#include <QObject>
#include <QRect>
#include <QString>

#include <memory>

namespace board
{

class BoardSurface;

/**
 * @brief The board's pictures, all local to this participant: a picture
 * file or the clipboard's picture as the board's background, the hidden copy
 * "picHidden" kept as the source for fitting, the 24-bit copy `dibImage`
 * that resizing resamples, and the copy of the whole board to the clipboard.
 *
 * Nothing here reaches the other participants.
 */
class BoardImages : public QObject
{
    Q_OBJECT
public:
    /// A side longer than this is refused, for files and for resizing.
    static constexpr int kMaxSide = cDIBSection::kMaxSide;
    /// A picture file whose decoded pixels would take more than this is
    /// refused before decoding.
    static constexpr qint64 kMaxDecodeBytes = 256LL * 1024 * 1024;
    /// A picture file larger than this cannot be shared as it is.
    static constexpr qint64 kMaxShareBytes = 16 * 1024 * 1024;

    explicit BoardImages(BoardSurface *surface, QObject *parent = nullptr);

    BoardSurface *surface() const { return m_surface; }

    /// The message every failed picture load shows.
    static QString invalidPictureText();

    /**
     * @brief Reads a picture file through the image plugins (PNG, JPEG,
     * BMP, GIF and whatever else is installed). A file that is not a picture,
     * or whose header claims more than kMaxSide pixels a side or more than
     * kMaxDecodeBytes of pixels, gives a null image without being decoded.
     */
    static QImage readPictureFile(const QString &path);

    /**
     * @brief Loads a file as a drop does: the board's background picture,
     * then "picHidden", then `dibImage`; pictureLoaded() gives the size for
     * the size boxes. False when any step failed ("Immagine non valida.");
     * the steps done before the failure stay done.
     */
    bool loadPictureFile(const QString &path);
    /// The same steps for a picture already in memory.
    bool loadPicture(const QImage &picture);

    /// Whether a picture was loaded (by file or drop), so `dibImage` exists.
    bool hasLoadedPicture() const { return m_dib != nullptr; }
    /**
     * @brief A picture shared with the table, from its encoded bytes: PNG or
     * JPEG only, its header's size checked before anything is decoded (at
     * most kMaxSide a side and kMaxDecodeBytes of pixels), and the decoder
     * held to the same allocation limit. A null image, with @p why saying
     * why, for anything else. Safe to run off the window's thread.
     */
    static QImage decodeShared(const QByteArray &encoded, QString *why = nullptr);

    /// A shared picture as a board of a given size keeps it.
    struct ForBoard {
        QImage corner; ///< what the board shows: the top-left part, full size
        QImage whole;  ///< the whole picture, shrunk to fit the board when larger
        bool isNull() const { return corner.isNull(); }
    };
    /**
     * @brief decodeShared() for a board of @p board pixels: a picture larger
     * than the board is decoded only as far as the board can show it (its
     * corner at full size, the whole shrunk to the board), so an 8000 × 8000
     * map costs a few megabytes instead of 256. The same checks and refusals.
     */
    static ForBoard decodeForBoard(const QByteArray &encoded, QSize board, QString *why = nullptr);
    /// Loads a shared picture as a drop does, and keeps @p encoded as its bytes.
    bool loadShared(const QImage &picture, const QByteArray &encoded);
    /// The same for a picture decoded for the board: the board shows its
    /// corner, fitting and resizing start from its shrunk whole.
    bool loadShared(const ForBoard &picture, const QByteArray &encoded);
    /// @p encoded (PNG or JPEG) becomes the file the board's current picture
    /// is shared as, until the picture changes.
    void adoptEncoded(const QByteArray &encoded);

    /// The picture that sharing sends, as the board holds it.
    struct ToShare {
        QImage picture;     ///< the picture at the board's top-left corner
        QImage whole;       ///< the whole picture (shrunk when only its corner was decoded)
        QByteArray encoded; ///< the file it came from, while that file stands for it
        /// Larger than a board of @p board pixels shows.
        bool exceeds(QSize board) const
        {
            return picture.width() > board.width() || picture.height() > board.height() ||
                   whole.size() != picture.size();
        }
    };
    /**
     * @brief The board's background picture, or else the last picture
     * resized or fitted on the board while it still stands there (a fitted
     * one with the board around it, as it shows). A null picture when there
     * is none.
     */
    ToShare pictureToShare() const;
    /**
     * @brief The board's picture as a file to share (see pictureToShare()):
     * the bytes it was loaded from when they are PNG or JPEG and the picture
     * is still the one loaded from them, else the picture written as PNG.
     * Empty without a picture.
     */
    QByteArray encodedPicture() const;
    /// @p picture as a PNG file; empty when it cannot be written. Safe to
    /// run off the window's thread.
    static QByteArray encodePng(const QImage &picture);

    /// The 24-bit copy of the last loaded picture, resampled by each resize;
    /// null before the first load.
    const cDIBSection *dibImage() const { return m_dib.get(); }
    /// The hidden copy of the last loaded picture, as loaded.
    const QImage &picHidden() const { return m_picHidden; }

    /// The clipboard's picture becomes the board's background picture, or
    /// the board loses its picture when the clipboard holds none. "picHidden",
    /// `dibImage` and the size boxes stay as they are. Another program's
    /// picture (a PNG or JPEG file) is decoded off the window's thread and
    /// put on the board when ready; pasted() says when it is there.
    void IncollaClipboard();
    /// Pastes being decoded right now.
    int pasting() const { return m_pasting; }
    /// The same with a given picture (null: remove it).
    void pastePicture(const QImage &picture);

    /// Copies the whole board as it is shown onto the clipboard as a bitmap.
    /// The board does not change. False when there was nothing to copy.
    static bool CopyEntirePicture(const BoardSurface &surface);

    /// A size box's text after a change: the number it starts with, written
    /// back as decimal text; "0" when it starts with none ("12abc" → "12").
    static QString normaliseSize(const QString &text);

    enum class Resize {
        Resampled, ///< `dibImage` resampled and painted at the top-left corner
        Fitted,    ///< "picHidden" fitted into the board
        NoPicture, ///< nothing was ever loaded: nothing to resize
        Refused,   ///< a size out of range or too big to allocate; see message
    };
    struct ResizeResult {
        Resize outcome = Resize::NoPicture;
        QString width;   ///< the normalised width box
        QString height;  ///< the normalised height box
        QString message; ///< why a resize was refused
    };
    /**
     * @brief "cmdRidim": copies the whole board to the clipboard, normalises
     * both boxes, then fits the picture when a box is 0 and otherwise
     * resamples `dibImage` to the boxes' size and paints it at the board's
     * top-left corner in place of the background picture (and of the
     * previous resized picture). A refused size leaves the board and
     * `dibImage` as they were.
     */
    ResizeResult cmdRidim(const QString &width, const QString &height);

    /// Fits "picHidden" into the board, aspect ratio kept, centred; the
    /// board is cleared first. Does nothing without a loaded picture.
    void fitPicture();
    /// Where a @p source picture lands when fitted into @p board (pixels):
    /// as wide or as high as the board, centred, edges rounded.
    static QRect fitRect(QSize source, QSize board);

signals:
    /// A picture was loaded; the size boxes show its width and height.
    void pictureLoaded(const QSize &size);
    /// A paste of IncollaClipboard() is done, the board's picture set (or removed).
    void pasted();

private:
    void eraseResized();
    void pasteEncoded(const QByteArray &bytes);
    /// readPictureFile() from any reader: the header's claim checked first.
    static QImage readPicture(QImageReader &reader);
    /// Loads @p board as the board's picture and @p whole as the source of
    /// fitting and resizing (the same picture when it fits the board).
    bool loadPictures(const QImage &board, const QImage &whole);

    BoardSurface *m_surface;
    QImage m_picHidden;
    std::unique_ptr<cDIBSection> m_dib;
    /// The file bytes the board's picture came from, and which picture that was.
    QByteArray m_sourceBytes;
    qint64 m_sourceKey = 0;
    /// Where the last resized picture was painted. It stands in for the
    /// background picture: the next resize, load or paste erases it as it
    /// does the picture, so a smaller picture never shows the larger one
    /// around it.
    QRect m_resizedArea;
    /// The last resized or fitted picture as the board shows it, shared in
    /// place of a background picture while it stands.
    QImage m_standing;
    quint64 m_pasteTicket = 0;
    int m_pasting = 0;
};

} // namespace board
