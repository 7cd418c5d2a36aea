#pragma once

#include <QImage>
#include <QRect>

namespace board
{

/**
 * @brief `cDIBSection`: a 24-bit picture whose rows are stored bottom-up,
 * three bytes per pixel (blue, green, red), each row padded to a multiple of
 * four bytes. The board keeps the last loaded picture in one of these and
 * resamples it.
 *
 * Row 0 in memory is the picture's bottom row; the pixel accessors count
 * rows the same way. A size beyond kMaxSide, or one whose bytes cannot be
 * allocated, is refused: Create() answers false and leaves the object empty.
 */
class cDIBSection
{
public:
    static constexpr int kMaxSide = 16384;

    cDIBSection() = default;

    /// Discards any picture and makes a black one of @p width × @p height.
    bool Create(int width, int height);
    /// Reads @p picture's size, creates a picture of it and copies it in;
    /// transparent parts are laid over @p background (0x00BBGGRR).
    bool CreateFromPicture(const QImage &picture, quint32 background = 0x00FFFFFF);
    /// Copies @p source's pixels from (left, top) into this picture; a width
    /// or height of -1 means this picture's own.
    void LoadPictureBlt(const QImage &source, int left = 0, int top = 0, int width = -1,
                        int height = -1);
    /// Copies this picture into @p target at (targetLeft, targetTop), from
    /// (sourceLeft, sourceTop) of this picture, @p width × @p height of it
    /// (-1: all of its own). Returns the pixels of @p target it changed.
    QRect PaintPicture(QImage &target, int targetLeft = 0, int targetTop = 0, int width = -1,
                       int height = -1, int sourceLeft = 0, int sourceTop = 0) const;
    /**
     * @brief A new picture of @p newWidth × @p newHeight by bilinear
     * interpolation: steps of (old size - 1) / new size, rows counted from
     * the bottom, each column blended between two rows and then the two
     * columns blended, both rounded half to even. An empty picture when that
     * size cannot be made or this picture is empty.
     */
    cDIBSection Resample(int newHeight, int newWidth) const;
    /// Releases the picture.
    void ClearUp();

    bool isNull() const { return m_rows.isNull(); }
    int Width() const { return m_rows.width(); }
    int Height() const { return m_rows.height(); }
    /// (3 × width + 3) rounded down to a multiple of 4.
    int BytesPerScanLine() const { return (3 * Width() + 3) & ~3; }
    static int BytesPerScanLine(int width) { return (3 * width + 3) & ~3; }
    /// The pixel bytes, rows bottom-up, BytesPerScanLine() apart.
    uchar *DIBSectionBitsPtr() { return isNull() ? nullptr : m_rows.bits(); }
    const uchar *DIBSectionBitsPtr() const { return isNull() ? nullptr : m_rows.constBits(); }

    /// Byte @p channel (0 blue, 1 green, 2 red) of pixel @p x in row @p row
    /// counted from the bottom.
    uchar byteAt(int x, int row, int channel) const;
    void setByteAt(int x, int row, int channel, uchar value);

    /// The picture the right way up.
    QImage toImage() const;

private:
    /// Scan lines in memory order: m_rows.scanLine(0) is the bottom row.
    QImage m_rows;
};

} // namespace board
