#pragma once

#include "cdibsection.h"

#include <QImage>
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
    /// Loads a shared picture as a drop does, and keeps @p encoded as its bytes.
    bool loadShared(const QImage &picture, const QByteArray &encoded);
    /**
     * @brief The board's picture as a file to share: the bytes it was loaded
     * from when they are PNG or JPEG and the picture is still the one loaded
     * from them, else the picture written as PNG. Empty without a picture.
     */
    QByteArray encodedPicture() const;

    /// The 24-bit copy of the last loaded picture, resampled by each resize;
    /// null before the first load.
    const cDIBSection *dibImage() const { return m_dib.get(); }
    /// The hidden copy of the last loaded picture, as loaded.
    const QImage &picHidden() const { return m_picHidden; }

    /// The clipboard's picture becomes the board's background picture, or
    /// the board loses its picture when the clipboard holds none. "picHidden",
    /// `dibImage` and the size boxes stay as they are.
    void IncollaClipboard();
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

private:
    void eraseResized();

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
};

} // namespace board
