#include "gridpainter.h"

#include "boardsurface.h"
#include "drawingtools.h"
#include "numbertext.h"
#include "palette.h"

#include <QCoreApplication>

#include <algorithm>

namespace board
{

namespace
{

const QString kLineare = QString::fromUtf8(QT_TRANSLATE_NOOP("board::GridPainter", "Lineare"));
const QString kOrizzontale =
    QString::fromUtf8(QT_TRANSLATE_NOOP("board::GridPainter", "Orizzontale"));
const QString kPuntiforme =
    QString::fromUtf8(QT_TRANSLATE_NOOP("board::GridPainter", "Puntiforme"));
const QString kVerticale = QString::fromUtf8(QT_TRANSLATE_NOOP("board::GridPainter", "Verticale"));

/// 25 × @p steps in twips when that fits 16 bits, as the general step and
/// the spacing of lines must.
std::optional<int> unitsToTwips(qint16 steps)
{
    const int twips = int(steps) * GridPainter::kTwipsPerUnit;
    if (twips < -32768 || twips > 32767)
        return std::nullopt;
    return twips;
}

} // namespace

const QStringList &GridPainter::kinds()
{
    static const QStringList list{kLineare, kOrizzontale, kPuntiforme, kVerticale};
    return list;
}

QString GridPainter::kindCaption(const QString &kind)
{
    return QCoreApplication::translate("board::GridPainter", kind.toUtf8().constData());
}

GridPainter::GridPainter(BoardSurface *surface, const Palette *palette, DrawingTools *tools)
    : m_surface(surface), m_palette(palette), m_tools(tools)
{
}

GridPainter::Result GridPainter::paint(const QString &kind, const QString &passi1,
                                       const QString &passi2, const Progress &progress,
                                       std::optional<quint32> given)
{
    Result result;
    m_surface->setScaleMode(BoardSurface::Twips);

    // The rules test the boxes as typed; the spacings use them rounded.
    const double n1 = leadingNumberOrZero(passi1);
    const double n2 = leadingNumberOrZero(passi2);
    const auto p1 = roundToInt16(n1);
    const auto p2 = roundToInt16(n2);
    if (!p1 || !p2) {
        result.outcome = Outcome::TooLarge;
        return result;
    }
    // The standard board is 12000 twips; a surface beyond 16 bits cannot be
    // gridded any more than a step beyond them.
    const auto w = roundToInt16(m_surface->scaleWidth());
    const auto h = roundToInt16(m_surface->scaleHeight());
    if (!w || !h) {
        result.outcome = Outcome::TooLarge;
        return result;
    }

    std::optional<int> general;
    if (*p1 > *p2)
        general = unitsToTwips(*p1);
    else if (*p2 == 0)
        general = kDefaultGeneralStep;
    else
        general = unitsToTwips(*p2);
    if (!general) {
        result.outcome = Outcome::TooLarge;
        return result;
    }
    result.generalStep = QString::number(*general);

    enum class Rule { None, Horizontal, Vertical, Dots, Both };
    Rule rule = Rule::None;
    if (kind == kOrizzontale && n1 >= 1)
        rule = Rule::Horizontal;
    else if (kind == kVerticale && n2 >= 1)
        rule = Rule::Vertical;
    else if (kind == kPuntiforme && n2 >= 1 && n1 >= 1)
        rule = Rule::Dots;
    else if (kind == kLineare && n2 >= 1 && n1 >= 1)
        rule = Rule::Both;

    if (rule == Rule::None && n1 >= 1 && n2 >= 1) {
        result.outcome = Outcome::Nothing;
        return result;
    }

    // A step that passed its rule is at least 1 and at most the general
    // step's, so its 25-fold fits; checked all the same before any pixel.
    // (A negative step only ever leads to the background.)
    const int s1 = std::max(*p1, qint16(1)) * kTwipsPerUnit;
    const int s2 = std::max(*p2, qint16(1)) * kTwipsPerUnit;
    if (rule != Rule::None && (s1 > 32767 || s2 > 32767)) {
        result.outcome = Outcome::TooLarge;
        return result;
    }

    const auto colour = given ? given : m_palette->currentColour();
    if (!colour) {
        result.outcome = Outcome::NoColour;
        return result;
    }

    // A rubber band left on the board would be inverted away over the grid
    // later and punch holes in it.
    if (m_tools)
        m_tools->ErasePendingSegment();

    if (rule == Rule::None) {
        m_surface->setBackColor(*colour);
        result.outcome = Outcome::Background;
        return result;
    }

    // The grid is meant in the palette colour: drawn in the invert mode the
    // board idles in, dots that share a pixel would cancel each other out.
    const int savedMode = m_surface->drawMode();
    m_surface->setDrawMode(BoardSurface::CopyPen);
    {
        const BoardSurface::ChangeBatch batch(*m_surface);
        switch (rule) {
        case Rule::Horizontal:
            horizontal(s1, *w, *h, *colour, 0, *h, progress);
            break;
        case Rule::Vertical:
            vertical(s2, *w, *h, *colour, *w, progress);
            break;
        case Rule::Dots:
            dots(s1, s2, *w, *h, *colour, progress);
            break;
        case Rule::Both:
            vertical(s2, *w, *h, *colour, *w + *h, progress);
            horizontal(s1, *w, *h, *colour, *w, *w + *h, progress);
            break;
        case Rule::None:
            break;
        }
    }
    m_surface->setDrawMode(savedMode);
    result.outcome = Outcome::Painted;
    return result;
}

void GridPainter::horizontal(int step, int w, int h, quint32 colour, int offset, int maximum,
                             const Progress &progress)
{
    for (int y = 0; y <= h; y += step) {
        if (progress)
            progress(maximum, offset + y);
        if (m_plot == Plot::Lines) {
            m_surface->line(QPointF(0, y), QPointF(w, y), colour);
        } else {
            for (int x = 0; x <= w; ++x)
                m_surface->pset(QPointF(x, y), colour);
        }
    }
}

void GridPainter::vertical(int step, int w, int h, quint32 colour, int maximum,
                           const Progress &progress)
{
    for (int x = 0; x <= w; x += step) {
        if (progress)
            progress(maximum, x);
        if (m_plot == Plot::Lines) {
            m_surface->line(QPointF(x, 0), QPointF(x, h), colour);
        } else {
            for (int y = 0; y <= h; ++y)
                m_surface->pset(QPointF(x, y), colour);
        }
    }
}

void GridPainter::dots(int stepX, int stepY, int w, int h, quint32 colour,
                       const Progress &progress)
{
    for (int x = 0; x <= w; x += stepX) {
        if (progress)
            progress(w, x);
        for (int y = 0; y <= h; y += stepY)
            m_surface->pset(QPointF(x, y), colour);
    }
}

} // namespace board
