#pragma once

#include "filltarget.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRect>

#include <functional>
#include <future>
#include <optional>

namespace board {

/**
 * @brief The whiteboard's drawing surface ("picDraw") without any widget:
 * a persistent bitmap of 800 x 800 pixels (12000 x 12000 twips), a
 * background picture, and the drawing attributes the tools set (scale mode,
 * draw mode, pen width and style, fill style and colours, mouse pointer).
 *
 * Coordinates given to it are in the current scale mode; the pen width is
 * always in pixels. Every operation reports the pixels it changed through
 * changed(), so a view repaints only those.
 */
class BoardSurface : public QObject, public fill::FillTarget
{
    Q_OBJECT
public:
    enum ScaleMode { Twips = 1, Pixels = 3 };
    enum DrawMode { Invert = 6, CopyPen = 13 };
    enum FillStyle { FillSolid = 0, FillTransparent = 1 };
    enum PenStyle { PenSolid = 0, PenInsideSolid = 6 };
    enum MousePointer { PointerDefault = 0, PointerCross = 2, PointerCustom = 99 };

    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kDefaultPixels = 800;
    /// Pen widths outside this range (from peers: 0, negative, 30000) are
    /// clamped into it.
    static constexpr int kMinDrawWidth = 1;
    static constexpr int kMaxDrawWidth = 255;

    explicit BoardSurface(QObject *parent = nullptr);
    /// A surface of another size in pixels (tests use small ones); a size
    /// below 1 pixel is taken as 1.
    explicit BoardSurface(QSize pixels, QObject *parent = nullptr);

    /// What is shown: the background picture with the drawing on it.
    const QImage &image() const { return pixels(); }
    QSize pixelSize() const { return m_size; }

    int scaleMode() const { return m_scaleMode; }
    void setScaleMode(int mode); ///< 1 or 3; other codes are ignored
    /// Width and height of the surface in the current scale mode.
    double scaleWidth() const;
    double scaleHeight() const;
    /// Current unit → pixels, and back.
    QPointF toPixels(QPointF p) const;
    QPointF fromPixels(QPointF p) const;
    double unitsPerPixel() const;

    int drawMode() const { return m_drawMode; }
    void setDrawMode(int mode);
    int drawWidth() const { return m_drawWidth; }
    void setDrawWidth(int pixels);
    int drawStyle() const { return m_drawStyle; }
    void setDrawStyle(int style);
    int fillStyle() const { return m_fillStyle; }
    void setFillStyle(int style);
    quint32 foreColor() const { return m_foreColor; }
    void setForeColor(quint32 colour);
    quint32 backColor() const { return m_backColor; }
    /// A new background colour repaints the whole board in it: everything
    /// drawn is erased; the background picture, when there is one, shows on
    /// top of the new colour again.
    void setBackColor(quint32 colour);
    int mousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);

    /// Segment from @p a to @p b. Without a colour the fore colour is used;
    /// in invert mode the colour does not matter. A zero-length segment is a
    /// dot of the pen width.
    void line(QPointF a, QPointF b, std::optional<quint32> colour = std::nullopt);
    /// Circle outline centred on @p centre, radius in the current unit.
    void circle(QPointF centre, double radius, std::optional<quint32> colour = std::nullopt);
    /// One dot of the pen width.
    void pset(QPointF p, std::optional<quint32> colour = std::nullopt);

    /// Erases the drawing to the background colour and removes the picture.
    void clear();
    /// Erases these pixels to the background colour; the picture stays.
    void erase(const QRect &pixels);
    /// Sets the background picture: it replaces what the board shows from
    /// the top-left corner, and later drawing goes over it. The area an
    /// earlier picture covered is erased to the background colour first, so
    /// a smaller picture never shows the old one around it. A null image
    /// removes the picture that way.
    void setPicture(const QImage &picture);
    /// setPicture() with a null image.
    void removePicture();
    bool hasPicture() const { return !m_picture.isNull(); }
    /// The background picture as it was set (null when there is none).
    const QImage &picture() const { return m_picture; }

    /// Lets @p paint draw on the board's pixels with anything a QImage takes
    /// (text, pictures); it returns the pixels it changed, which are then
    /// reported. The draw mode does not apply to such painting.
    void paintOn(const std::function<QRect(QImage &)> &paint);

    /**
     * @brief Holds changed() back while many small operations run (a grid of
     * dots) and reports their bounding box once when the last holder ends.
     */
    class ChangeBatch
    {
    public:
        explicit ChangeBatch(BoardSurface &surface);
        ~ChangeBatch();
        ChangeBatch(const ChangeBatch &) = delete;
        ChangeBatch &operator=(const ChangeBatch &) = delete;

    private:
        BoardSurface &m_surface;
    };

    /// Colour 0x00BBGGRR of pixel (x, y); nothing outside the surface.
    std::optional<quint32> pixel(int x, int y) const;

    // fill::FillTarget
    QImage *fillImage() override { return &pixels(); }
    quint32 FillColor() const override { return m_fillColor; }
    void setFillColor(quint32 colour) override;
    void fillChanged(const QRect &pixels) override;

    /// The part of a colour 0x00BBGGRR that a pixel can show. Colours come
    /// from peers as any 32-bit number, so everything the surface keeps or
    /// draws goes through this.
    static constexpr quint32 colourBits(quint32 colour) { return colour & 0x00FFFFFFu; }

    /// 0x00BBGGRR ↔ QColor.
    static QRgb toRgb(quint32 colour);
    static quint32 fromRgb(QRgb rgb);

signals:
    /// These pixels changed and need repainting. An operation that touched
    /// no pixel (a shape wholly off the board) emits nothing.
    void changed(const QRect &pixels);
    /// Everything drawn was erased at once (clear(), a new background
    /// colour): a rubber band inverted onto the surface is gone with it, so
    /// whoever drew one must not invert it again.
    void cleared();
    void mousePointerChanged(int pointer);

private:
    class Painter;
    void rasterLine(Painter &painter, QPointF a, QPointF b, int width) const;
    /// Emits changed() for a non-empty rectangle.
    void report(const QRect &pixels);
    /// The board's pixels, once the first fill has finished.
    QImage &pixels();
    const QImage &pixels() const;
    QRect bounds() const { return QRect(QPoint(0, 0), m_size); }

    QSize m_size;
    // A full-size board is first filled on another thread: it is megabytes
    // of fresh memory, and the window has plenty else to build meanwhile.
    mutable std::future<QImage> m_firstFill;
    mutable QImage m_image;
    QImage m_picture;
    int m_batchDepth = 0;
    QRect m_batchBox;
    int m_scaleMode = Twips;
    int m_drawMode = CopyPen;
    int m_drawWidth = 1;
    int m_drawStyle = PenInsideSolid;
    int m_fillStyle = FillTransparent;
    quint32 m_foreColor = 0;
    quint32 m_backColor = 0x00FFFFFF;
    quint32 m_fillColor = 0;
    int m_mousePointer = PointerDefault;
};

/// Twips to pixels, to the nearest whole pixel: the board's controls are
/// laid out in twips as the window is.
constexpr int px(int twips)
{
    return (twips + BoardSurface::kTwipsPerPixel / 2) / BoardSurface::kTwipsPerPixel;
}

} // namespace board
