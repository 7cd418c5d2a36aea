#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace board
{

/**
 * @brief Decodes a PNG or JPEG picture larger than the board into no more
 * than the board can show of it: its top-left corner at full size (what the
 * board shows, pixel for pixel as a full decode would), and the whole
 * picture shrunk to fit the board (what fitting and resizing start from).
 *
 * A map of 8000 × 8000 pixels takes 256 MB decoded whole; here it takes two
 * board-sized images and, for a PNG, one row and a board-sized sum at a time.
 * JPEG goes through Qt's reader, which crops and scales while it decodes;
 * PNG is read row by row with libpng, interlaced ones included. Safe to run
 * off the window's thread.
 */
class BoundedDecode
{
public:
    struct Result {
        QImage corner; ///< the top-left part, at most @p board, full size
        QImage whole;  ///< the whole picture within @p board, aspect kept
        QString error; ///< why nothing was decoded; empty on success
    };

    /**
     * @brief Decodes @p encoded (format "png" or "jpeg", claiming @p size
     * in its header, already checked against the limits) for a board of
     * @p board pixels.
     */
    static Result decode(const QByteArray &encoded, const QByteArray &format, QSize size,
                         QSize board);

    /// The size @p size takes when shrunk to fit @p board, aspect kept (at
    /// least one pixel a side); @p size itself when it fits already.
    static QSize fitted(QSize size, QSize board);
};

} // namespace board
