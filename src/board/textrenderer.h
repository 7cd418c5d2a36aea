#pragma once

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>

namespace board
{

class BoardSurface;
class Palette;

/// One text as the text dialog gives it and as it is sent: the anchor in
/// whole units of the board's scale mode, the styles, the character height
/// and average width in pixels, the angle in degrees counter-clockwise, the
/// weight (0 the default) and the font name.
struct TextParams {
    QString Text;
    qint32 x = 0;
    qint32 Y = 0;
    bool Underlined = false;
    bool Italic = false;
    bool Strike = false;
    int Height = 13;
    int Width = 4;
    double angle = 0;
    int FWidth = 400;
    QString FName;
};

/**
 * @brief `DrawText`: writes one line of text with its top-left corner at a
 * point, rotated counter-clockwise about that point, in one flat colour.
 *
 * Heights and widths count pixels, as a drawing context does whatever scale
 * the board shows; the position is in the target's scale units. Texts come
 * from peers too, so every value is brought into a range the board can draw
 * in bounded time (see fitHeight() and the others); the same rules apply to
 * the sender's own drawing, so every board shows the same pixels.
 */
class TextRenderer
{
public:
    static constexpr int kMinSize = 2;
    static constexpr int kMaxSize = 150;
    /// At most this many characters are laid out: the board is 800 pixels
    /// wide and a character at least a pixel or two, so more can never show.
    static constexpr int kMaxChars = 4096;
    /// The angle travels to the font in tenths of a degree as a 16-bit
    /// number; beyond this its tenfold overflows.
    static constexpr int kMaxAngle = 3276;

    /// Heights outside the list's 2..150 are clamped into it.
    static int fitHeight(int height);
    /// 0 keeps the font's own width for the height; other widths outside
    /// 2..150 are clamped into the list's range.
    static int fitWidth(int width);
    /// Weights are clamped to 0..1000; 0 is the default (normal) weight.
    static int fitWeight(int weight);
    /// @p name when it names an installed family, else the default family.
    static QString fontFamily(const QString &name);
    /// The whole-degree angle a text is drawn at: half to even.
    static int wholeDegrees(double angle);

    /// How a text is laid out: the font, the scale applied to it so that the
    /// character cell is @p height pixels high and the average character
    /// @p width pixels wide, and the text that is drawn.
    struct Layout {
        QFont font;
        double scaleX = 1;
        double scaleY = 1;
        double ascent = 0;     ///< in font pixels, before scaling
        double cellHeight = 0; ///< in font pixels, before scaling
        QString text;          ///< what is drawn after the length bounds
        bool underline = false;
        bool strikeOut = false;
    };
    static Layout layout(const QString &text, bool underlined, bool italic, bool strike,
                         int height, int width, int weight, const QString &fontName);

    /**
     * @brief Draws @p text on @p target with its top-left corner at
     * @p topLeft (pixels), in @p colour (0x00BBGGRR), not antialiased, so
     * every pixel it touches has exactly that colour. Returns the pixels it
     * may have changed. Draws nothing for an angle beyond ±kMaxAngle.
     */
    static QRect DrawText(QImage &target, QPointF topLeft, const QString &text, bool underlined,
                          bool italic, bool strike, int height, int width, int angle, int weight,
                          const QString &fontName, quint32 colour);

    enum class Outcome { Drawn, NoColour, AngleOverflow };
    /// Draws @p params on @p surface at its anchor, read in the surface's
    /// scale mode, in the palette's current colour.
    static Outcome DrawText(BoardSurface &surface, const Palette &palette,
                            const TextParams &params);
};

} // namespace board
