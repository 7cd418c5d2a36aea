#include "textrenderer.h"

#include "boardsurface.h"
#include "palette.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QSet>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace board
{

namespace
{

/// A font name longer than any family is not looked up at all.
constexpr int kMaxFamilyName = 256;

QString defaultFamily()
{
    return QGuiApplication::font().family();
}

/// The families the text dialog lists, looked up once: every name a sender
/// can choose is found here as it was listed (some, such as generic
/// "Monospace", are listed yet not answered by a family query).
bool listedFamily(const QString &name)
{
    static const QSet<QString> families = [] {
        const QStringList list = QFontDatabase::families();
        return QSet<QString>(list.begin(), list.end());
    }();
    return families.contains(name) || QFontDatabase::hasFamily(name);
}

} // namespace

int TextRenderer::fitHeight(int height)
{
    // Clamped rather than refused: a peer's odd size still shows its text,
    // and the list's largest size bounds the work of one character.
    return std::clamp(height, kMinSize, kMaxSize);
}

int TextRenderer::fitWidth(int width)
{
    // 0 asks for the font's own proportions, as a font request does.
    return width == 0 ? 0 : std::clamp(width, kMinSize, kMaxSize);
}

int TextRenderer::fitWeight(int weight)
{
    return std::clamp(weight, 0, 1000);
}

QString TextRenderer::fontFamily(const QString &name)
{
    // An empty, unknown or absurdly long name falls back to the default
    // family rather than to whatever the font matcher guesses.
    if (name.isEmpty() || name.size() > kMaxFamilyName || !listedFamily(name))
        return defaultFamily();
    return name;
}

int TextRenderer::wholeDegrees(double angle)
{
    if (!std::isfinite(angle))
        return 0;
    const double r = std::nearbyint(angle);
    // Anything past the 16-bit range is as unusable as 3277; keep it there.
    return int(std::clamp(r, -40000.0, 40000.0));
}

TextRenderer::Layout TextRenderer::layout(const QString &text, bool underlined, bool italic,
                                          bool strike, int height, int width, int weight,
                                          const QString &fontName)
{
    Layout l;
    const int h = fitHeight(height);
    const int w = fitWidth(width);
    const int fw = fitWeight(weight);

    QFont font(fontFamily(fontName));
    font.setItalic(italic);
    // Underline and strike-out are drawn by DrawText itself: the painter
    // would smooth their edges, and the text must stay one flat colour.
    l.underline = underlined;
    l.strikeOut = strike;
    // Weight 0 is "don't care": the normal weight. Qt takes 100..900.
    font.setWeight(QFont::Weight(fw == 0 ? 400 : std::clamp(fw, 100, 900)));
    // One flat colour: no blended edge pixels, so a fill can take a letter
    // and every board shows exactly the same pixels.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferNoHinting);

    // The size is asked for as the cell height (ascent plus descent), as a
    // font request with a positive height does: find the pixel size whose
    // cell comes closest, then scale the rest of the way.
    font.setPixelSize(h);
    const double firstCell = QFontMetricsF(font).height();
    if (firstCell > 0)
        font.setPixelSize(std::max(1, int(std::lround(h * h / firstCell))));
    const QFontMetricsF fm(font);
    l.cellHeight = fm.height() > 0 ? fm.height() : h;
    l.ascent = fm.ascent();
    l.scaleY = h / l.cellHeight;
    if (w == 0) {
        l.scaleX = l.scaleY;
    } else {
        double average = fm.averageCharWidth();
        if (average <= 0)
            average = fm.horizontalAdvance(QLatin1Char('x'));
        l.scaleX = average > 0 ? w / average : 1.0;
    }
    l.font = font;

    qsizetype cut = std::min<qsizetype>(text.size(), kMaxChars);
    if (cut > 0 && cut < text.size() && text.at(cut - 1).isHighSurrogate())
        --cut;
    l.text = text.left(cut);
    return l;
}

QRect TextRenderer::DrawText(QImage &target, QPointF topLeft, const QString &text,
                             bool underlined, bool italic, bool strike, int height, int width,
                             int angle, int weight, const QString &fontName, quint32 colour)
{
    // The font takes the angle in tenths of a degree as a 16-bit number; an
    // angle whose tenfold does not fit is refused, as the font request fails.
    if (angle < -kMaxAngle || angle > kMaxAngle || text.isEmpty() || target.isNull())
        return {};
    if (!std::isfinite(topLeft.x()) || !std::isfinite(topLeft.y()))
        return {};

    Layout l = layout(text, underlined, italic, strike, height, width, weight, fontName);

    // Only characters that can reach the target are laid out: beyond the
    // farthest corner of the target nothing shows. The advances are summed
    // one character at a time (an estimate that ignores kerning, hence the
    // margin of a few cells).
    const QRectF area(QPointF(0, 0), QSizeF(target.size()));
    double farthest = 0;
    for (const QPointF &corner :
         {area.topLeft(), area.topRight(), area.bottomLeft(), area.bottomRight()})
        farthest = std::max(farthest, std::hypot(corner.x() - topLeft.x(), corner.y() - topLeft.y()));
    const double nearest =
        std::hypot(std::clamp(topLeft.x(), 0.0, area.width()) - topLeft.x(),
                   std::clamp(topLeft.y(), 0.0, area.height()) - topLeft.y());
    const double cell = l.cellHeight * l.scaleY;
    const double margin = 4 * cell + 4 * kMaxSize;
    const QFontMetricsF fm(l.font);
    double run = 0;
    qsizetype keep = 0;
    for (; keep < l.text.size(); ++keep) {
        if (run * l.scaleX > farthest + margin)
            break;
        const QChar c = l.text.at(keep);
        if (!c.isSurrogate())
            run += fm.horizontalAdvance(c);
    }
    if (keep < l.text.size()) {
        if (keep > 0 && l.text.at(keep - 1).isHighSurrogate())
            --keep;
        l.text.truncate(keep);
    }
    // A text that starts farther from the target than it can reach draws nothing.
    if (nearest > run * l.scaleX + margin)
        return {};

    QTransform transform;
    transform.translate(topLeft.x(), topLeft.y());
    // Counter-clockwise on the screen, whose y grows downwards.
    transform.rotate(-angle);
    transform.scale(l.scaleX, l.scaleY);

    QPainter painter(&target);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setTransform(transform);
    painter.setFont(l.font);
    painter.setPen(QColor::fromRgb(BoardSurface::toRgb(BoardSurface::colourBits(colour))));
    painter.drawText(QPointF(0, l.ascent), l.text);
    const double advance = fm.horizontalAdvance(l.text);
    const double thickness = std::max(1.0, fm.lineWidth());
    if (l.underline)
        painter.fillRect(QRectF(0, l.ascent + fm.underlinePos(), advance, thickness), painter.pen().color());
    if (l.strikeOut)
        painter.fillRect(QRectF(0, l.ascent - fm.strikeOutPos(), advance, thickness),
                         painter.pen().color());
    painter.end();

    // The cell box of the text, widened for italics, underline and rounding.
    const QRectF box(-l.cellHeight, -l.cellHeight, advance + 2 * l.cellHeight, 3 * l.cellHeight);
    return transform.mapRect(box).toAlignedRect().adjusted(-2, -2, 2, 2) & target.rect();
}

TextRenderer::Outcome TextRenderer::DrawText(BoardSurface &surface, const Palette &palette,
                                             const TextParams &p)
{
    const auto colour = palette.currentColour();
    if (!colour)
        return Outcome::NoColour;
    const int angle = wholeDegrees(p.angle);
    if (angle < -kMaxAngle || angle > kMaxAngle)
        return Outcome::AngleOverflow;
    const QPointF at = surface.toPixels(QPointF(p.x, p.Y));
    surface.paintOn([&](QImage &image) {
        return DrawText(image, at, p.Text, p.Underlined, p.Italic, p.Strike, p.Height, p.Width,
                        angle, p.FWidth, p.FName, *colour);
    });
    return Outcome::Drawn;
}

} // namespace board
