#include "drawingtools.h"

#include "boardsurface.h"
#include "bruvela.h"
#include "chatsession.h"
#include "numbertext.h"
#include "palette.h"
#include "protocol.h"
#include "tags.h"
#include "textrenderer.h"
#include "viewport.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace board
{

namespace
{

const QString kMano = QString::fromUtf8(QT_TRANSLATE_NOOP("board::DrawingTools", "Mano Libera"));
const QString kRette = QString::fromUtf8(QT_TRANSLATE_NOOP("board::DrawingTools", "Linee Rette"));
const QString kRettangoli =
    QString::fromUtf8(QT_TRANSLATE_NOOP("board::DrawingTools", "Rettangoli"));
const QString kCerchi = QString::fromUtf8(QT_TRANSLATE_NOOP("board::DrawingTools", "Cerchi"));
const QString kColora = QString::fromUtf8(QT_TRANSLATE_NOOP("board::DrawingTools", "Colora"));

/// Whole units the way the freehand tool keeps its last point: to nearest,
/// halves to even, saturating at the 16-bit range.
qint16 toInt16(float v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(double(v));
    if (r <= std::numeric_limits<qint16>::min())
        return std::numeric_limits<qint16>::min();
    if (r >= std::numeric_limits<qint16>::max())
        return std::numeric_limits<qint16>::max();
    return static_cast<qint16>(r);
}

/// Radius of the circle centred on (cx, cy) through (x, y). Worked out in
/// double precision: the sender's and every receiver's board must agree, and
/// float squares of far-off coordinates would overflow.
double circleRadius(float cx, float cy, float x, float y)
{
    return std::hypot(double(cx) - double(x), double(cy) - double(y));
}

} // namespace

const QStringList &DrawingTools::listItems()
{
    static const QStringList items{kMano, kRette, kRettangoli, kCerchi, kColora};
    return items;
}

QString DrawingTools::toolCaption(const QString &item)
{
    return tr(item.toUtf8().constData());
}

const QStringList &DrawingTools::buttonNames()
{
    static const QStringList names{QStringLiteral("Command5"),  QStringLiteral("Command6"),
                                   QStringLiteral("Command12"), QStringLiteral("Command13"),
                                   QStringLiteral("Command14"), QStringLiteral("Command15"),
                                   QStringLiteral("Command16")};
    return names;
}

DrawingTools::DrawingTools(BoardSurface *surface, Palette *palette, fill::Bruvela *bruvela,
                           session::ChatSession *session, QObject *parent)
    : QObject(parent), m_surface(surface), m_palette(palette), m_bruvela(bruvela),
      m_session(session), m_gridStep(gridStepFromTwips(120))
{
    for (const QString &name : buttonNames())
        m_highlight.insert(name, false);
}

void DrawingTools::setBroadcaster(std::function<void(const QString &)> broadcaster)
{
    m_broadcaster = std::move(broadcaster);
}

void DrawingTools::setMessageService(session::MessageService *service)
{
    m_messages = service;
}

session::MessageService *DrawingTools::messageService() const
{
    if (m_messages)
        return m_messages;
    return m_session ? m_session->messageService() : nullptr;
}

void DrawingTools::setViewport(Viewport *viewport)
{
    m_viewport = viewport;
}

// --- tool state -------------------------------------------------------------

void DrawingTools::setRiempi(bool on)
{
    if (m_riempi == on)
        return;
    m_riempi = on;
    forgetPendingClick();
    m_surface->setMousePointer(on ? BoardSurface::PointerCross : BoardSurface::PointerDefault);
    emit stateChanged();
}

void DrawingTools::setTestoinBox(bool on)
{
    if (m_testoinBox == on)
        return;
    m_testoinBox = on;
    forgetPendingClick();
    emit stateChanged();
}

void DrawingTools::setLineaRetta(bool on)
{
    if (m_lineaRetta == on)
        return;
    m_lineaRetta = on;
    emit stateChanged();
}

void DrawingTools::setMLine(bool on)
{
    if (m_MLine == on)
        return;
    m_MLine = on;
    if (!on && m_lineStarted) {
        // The chain ends here: its last rubber band must not stay on the board.
        removeBand();
        m_lineStarted = false;
    }
    emit stateChanged();
}

void DrawingTools::setSnap2Grid(bool on)
{
    if (m_Snap2Grid == on)
        return;
    m_Snap2Grid = on;
    emit stateChanged();
}

void DrawingTools::applyListRules(const QString &text, bool touchFill)
{
    if (text == kMano) {
        setMLine(false);
        setLineaRetta(false);
        if (touchFill)
            setRiempi(false);
    } else if (text == kRette || text == kCerchi) {
        setLineaRetta(true);
        if (touchFill)
            setRiempi(false);
    } else if (text == kColora) {
        if (touchFill)
            setRiempi(true);
    }
    // "Rettangoli" has no tool of its own: whatever was active stays.
}

void DrawingTools::setList1(const QString &text)
{
    if (m_list1 != text) {
        // "Rettangoli" keeps whatever tool was active, first click included.
        if (text != kRettangoli)
            forgetPendingClick();
        m_list1 = text;
        emit stateChanged();
    }
    applyListRules(text, true);
}

void DrawingTools::List1_MouseMove(const QString &text)
{
    applyListRules(text, false);
}

void DrawingTools::setPennello(int width)
{
    const int w = std::clamp(width, 1, 25);
    if (m_bandOnBoard && m_surface->drawWidth() != w) {
        // Inverting again only restores the pixels at the width the band was
        // drawn with, so take it away now and show it anew at the new width.
        removeBand();
        m_surface->setDrawWidth(w);
        invertBand();
    } else {
        m_surface->setDrawWidth(w);
    }
    if (m_pennello != w) {
        m_pennello = w;
        emit stateChanged();
    }
}

// --- tool buttons ---------------------------------------------------------------

void DrawingTools::setHighlight(const QString &name, bool on)
{
    auto it = m_highlight.find(name);
    if (it == m_highlight.end() || it.value() == on)
        return;
    it.value() = on;
    emit highlightChanged(name, on);
}

bool DrawingTools::highlighted(const QString &name) const
{
    return m_highlight.value(name, false);
}

void DrawingTools::Command13_Click()
{
    setTestoinBox(false);
    setList1(kMano);
    setHighlight(QStringLiteral("Command13"), true);
    for (const char *other : {"Command6", "Command12", "Command14", "Command15", "Command16"})
        setHighlight(QString::fromLatin1(other), false);
}

void DrawingTools::Command14_Click()
{
    selectTwoPointTool(kRette, "Command14");
}

void DrawingTools::Command15_Click()
{
    selectTwoPointTool(kCerchi, "Command15");
}

void DrawingTools::selectTwoPointTool(const QString &item, const char *button)
{
    setTestoinBox(false);
    setList1(item);
    ErasePendingSegment();
    // Lines and circles are sent in twips whatever unit a fill left behind.
    m_surface->setScaleMode(BoardSurface::Twips);
    setHighlight(QString::fromLatin1(button), true);
    // "Collega" and "Approssima" go with either tool, so they keep their state.
    for (const char *other : {"Command12", "Command13", "Command14", "Command15", "Command16"}) {
        if (qstrcmp(other, button) != 0)
            setHighlight(QString::fromLatin1(other), false);
    }
}

void DrawingTools::Command16_Click()
{
    setTestoinBox(false);
    setList1(kColora);
    setHighlight(QStringLiteral("Command16"), true);
    setHighlight(QStringLiteral("Command12"), false);
}

void DrawingTools::Command12_Click()
{
    if (!m_testoinBox) {
        setTestoinBox(true);
        setRiempi(false);
        setHighlight(QStringLiteral("Command12"), true);
        setHighlight(QStringLiteral("Command16"), false);
    } else {
        setTestoinBox(false);
        setHighlight(QStringLiteral("Command12"), false);
    }
}

void DrawingTools::Command5_Click()
{
    setSnap2Grid(!m_Snap2Grid);
    setHighlight(QStringLiteral("Command5"), m_Snap2Grid);
}

void DrawingTools::Command6_Click()
{
    setMLine(!m_MLine);
    setHighlight(QStringLiteral("Command6"), m_MLine);
}

// --- grid snap --------------------------------------------------------------------

float DrawingTools::gridStepFromTwips(double twips)
{
    // The step is kept as its text with at most four decimals, so 120 twips
    // become 0.0833 inch and snap to round(119.952) = 120 again.
    const QString text = QLocale::c().toString(twips / 1440.0, 'f', 4);
    return text.toFloat();
}

void DrawingTools::setGeneralGridStep(const QString &twips)
{
    m_generalStep = twips;
    refreshGridStep();
}

void DrawingTools::setGeneralStepSource(std::function<QString()> source)
{
    m_generalStepSource = std::move(source);
    refreshGridStep();
}

void DrawingTools::refreshGridStep()
{
    const QString text = m_generalStepSource ? m_generalStepSource() : m_generalStep;
    const auto twips = leadingNumber(text);
    if (twips && std::isfinite(*twips))
        m_gridStep = gridStepFromTwips(*twips);
}

float DrawingTools::SnapToGrid(float p, float stepInches)
{
    const double wide = std::nearbyint(double(stepInches) * 1440.0);
    if (!std::isfinite(wide))
        return p;
    // A negative general step comes from negative boxes in the grid dialog;
    // taken as it is, the rounding would go the wrong way (180 to 120 with
    // -120), so the grid is snapped to by the size of its step.
    const auto s = std::abs(static_cast<qint32>(std::clamp(
        wide, double(std::numeric_limits<qint16>::min()), double(std::numeric_limits<qint16>::max()))));
    if (s == 0 || !std::isfinite(p))
        return p; // no step to snap to
    const double rp =
        std::clamp(std::nearbyint(double(p)), double(std::numeric_limits<qint32>::min()),
                   double(std::numeric_limits<qint32>::max()));
    const qint32 r = static_cast<qint32>(rp) % s; // sign of p, as integer division leaves it
    double n = std::floor(double(p) / s);
    if (s / 2.0 <= r)
        n += 1;
    return static_cast<float>(n * s);
}

// --- mouse ---------------------------------------------------------------------------

std::optional<quint32> DrawingTools::lookupColour()
{
    // Read as a number: the freehand tool asks at every mouse move, and the
    // text form is only wanted once, in the message.
    if (const auto colour = m_palette->currentColour())
        return colour;
    if (session::MessageService *box = messageService())
        box->showMessage(session::MessageService::Icon::None, session::kAppTitle,
                         tr("Selezionare un colore prima..."));
    return std::nullopt;
}

void DrawingTools::send(const QString &message)
{
    if (m_broadcaster)
        m_broadcaster(message);
    else if (m_session)
        m_session->Broadcast(message);
}

QString DrawingTools::lineFields(float x1, float y1, float x2, float y2, quint32 colour) const
{
    return session::sFormatSend(x1) + session::sFormatSend(y1) + session::sFormatSend(x2) +
           session::sFormatSend(y2) + session::sFormatSend(double(colour)) +
           session::sFormatSend(m_surface->drawWidth()) +
           session::sFormatSend(m_surface->scaleMode());
}

void DrawingTools::mousePress(int button, bool shift, float x, float y)
{
    Q_UNUSED(shift)
    if (m_riempi) {
        if (button == Right) {
            if (m_viewport)
                m_viewport->FlexPan(x, y, Viewport::PanStart);
        } else {
            floodFill(x, y);
        }
        return;
    }

    m_surface->setMousePointer(BoardSurface::PointerDefault);
    refreshGridStep();
    m_strokeRefused = false;

    if (button == Right) {
        if (m_viewport)
            m_viewport->FlexPan(x, y, Viewport::PanStart);
        return;
    }

    if (m_testoinBox) {
        // Asked before the dialog opens, as every tool asks at its press:
        // the palette cannot be reached while the dialog is up.
        if (!lookupColour())
            return;
        emit textRequested(QPoint(toInt16(x), toInt16(y)));
        return;
    }

    if (m_lineaRetta) {
        straightPress(x, y);
        return;
    }

    // Received drawings and rubber bands leave the board in invert mode; the
    // dot is sent as a coloured dot, so it is drawn as one here too, or this
    // board would differ from everyone else's.
    m_surface->setDrawMode(BoardSurface::CopyPen);
    const auto colour = lookupColour();
    if (!colour) {
        m_strokeRefused = true;
        return;
    }
    m_surface->line(QPointF(x, y), QPointF(x, y), *colour);
    m_lastX = toInt16(x);
    m_lastY = toInt16(y);
    send(session::tag::Linea + lineFields(x, y, x, y, *colour));
}

void DrawingTools::mouseMove(int button, bool shift, float x, float y)
{
    Q_UNUSED(shift)
    if (button & Right) {
        if (m_viewport)
            m_viewport->FlexPan(x, y, Viewport::PanMove);
    }
    if (m_testoinBox || m_riempi)
        return;

    if (m_lineaRetta) {
        if (!m_lineStarted)
            return;
        m_surface->setDrawMode(BoardSurface::Invert);
        removeBand();
        m_endX = x;
        m_endY = y;
        invertBand();
        return;
    }

    if (button != Left)
        return;
    m_surface->setDrawMode(BoardSurface::CopyPen);
    // A stroke without a colour is told so once, not at every move: the
    // boxes would pile up under the pointer for as long as the drag lasts.
    if (m_strokeRefused && !m_palette->currentColour())
        return;
    const auto colour = lookupColour();
    if (!colour) {
        m_strokeRefused = true;
        return;
    }
    m_surface->line(QPointF(m_lastX, m_lastY), QPointF(x, y), *colour);
    send(session::tag::Linea + lineFields(m_lastX, m_lastY, x, y, *colour));
    m_lastX = toInt16(x);
    m_lastY = toInt16(y);
}

void DrawingTools::mouseRelease(int button, bool shift, float x, float y)
{
    Q_UNUSED(shift)
    if (button == Right && m_viewport)
        m_viewport->FlexPan(x, y, Viewport::PanEnd);
}

void DrawingTools::straightPress(float x, float y)
{
    m_surface->setDrawMode(BoardSurface::Invert);
    if (!m_lineStarted) {
        m_endX = x;
        m_endY = y;
        if (m_Snap2Grid) {
            // The start jumps to the grid, so the band to the pointer shows at once.
            m_startX = SnapToGrid(x, m_gridStep);
            m_startY = SnapToGrid(y, m_gridStep);
            invertBand();
        } else {
            m_startX = x;
            m_startY = y;
        }
        m_lineStarted = true;
        m_surface->setDrawStyle(BoardSurface::PenInsideSolid);
        return;
    }

    // Checked before anything moves, so a refused press leaves the rubber
    // band where the next move expects it.
    const auto colour = lookupColour();
    if (!colour)
        return;

    removeBand();
    m_surface->setDrawMode(BoardSurface::CopyPen);
    if (m_Snap2Grid) {
        m_endX = SnapToGrid(x, m_gridStep);
        m_endY = SnapToGrid(y, m_gridStep);
    } else {
        m_endX = x;
        m_endY = y;
    }

    m_lastX = toInt16(x);
    m_lastY = toInt16(y);
    if (m_list1 == kCerchi) {
        m_surface->circle(QPointF(m_startX, m_startY),
                          circleRadius(m_startX, m_startY, m_endX, m_endY), *colour);
        send(session::tag::Circonferenza + lineFields(m_startX, m_startY, m_endX, m_endY, *colour));
    } else {
        m_surface->line(QPointF(m_startX, m_startY), QPointF(m_endX, m_endY), *colour);
        send(session::tag::Linea + lineFields(m_startX, m_startY, m_endX, m_endY, *colour));
    }

    if (m_Snap2Grid) {
        m_startX = m_endX;
        m_startY = m_endY;
    } else {
        // After a circle the old centre is not inverted once more here: that
        // dot would stay behind as a stray pixel, and receivers of the circle
        // do not draw it either, so the boards would no longer match.
        m_startX = x;
        m_startY = y;
    }

    if (!m_MLine) {
        m_endX = 0;
        m_endY = 0;
        m_lineStarted = false;
        return;
    }
    m_surface->setDrawMode(BoardSurface::Invert);
    m_surface->setDrawStyle(BoardSurface::PenInsideSolid);
}

void DrawingTools::floodFill(float x, float y)
{
    ErasePendingSegment();
    m_surface->setDrawMode(BoardSurface::Invert);

    // The press arrives in the unit in force; the fill and every receiver
    // work in whole pixels, so convert first and use the same numbers for
    // the local fill and the message.
    const QPointF px = m_surface->toPixels(QPointF(x, y));
    const double fx = std::isfinite(px.x()) ? std::nearbyint(px.x()) : 0.0;
    const double fy = std::isfinite(px.y()) ? std::nearbyint(px.y()) : 0.0;

    m_surface->setDrawWidth(3);
    m_surface->setFillStyle(BoardSurface::FillSolid);
    m_surface->setScaleMode(BoardSurface::Pixels);
    m_surface->setFillColor(0x00FFFFFF);
    m_surface->setMousePointer(BoardSurface::PointerCross);
    m_surface->setDrawMode(BoardSurface::CopyPen);

    const auto colour = lookupColour();
    if (!colour)
        return;

    if (m_bruvela) {
        m_bruvela->setColore(qint32(*colour));
        m_bruvela->fill(m_surface, float(fx), float(fy));
    }
    send(session::tag::Colora + session::sFormatSend(fx) + session::sFormatSend(fy) +
         session::sFormatSend(double(*colour)));

    m_surface->setDrawWidth(1);
    m_surface->setFillStyle(BoardSurface::FillTransparent);
}

void DrawingTools::invertBand()
{
    // A band of zero length is never drawn: inverting a lone dot where the
    // band starts would leave a stray pixel behind whenever the band is
    // removed before it grows.
    if (m_startX == m_endX && m_startY == m_endY)
        return;
    m_surface->line(QPointF(m_startX, m_startY), QPointF(m_endX, m_endY));
    m_bandOnBoard = !m_bandOnBoard;
}

void DrawingTools::removeBand()
{
    if (!m_bandOnBoard)
        return;
    m_surface->setDrawMode(BoardSurface::Invert);
    invertBand();
}

void DrawingTools::forgetBand()
{
    // Inverting the old band on a wiped board would draw it instead of
    // removing it; with end on start the next move starts a fresh band.
    if (!m_bandOnBoard)
        return;
    m_bandOnBoard = false;
    m_endX = m_startX;
    m_endY = m_startY;
}

void DrawingTools::forgetPendingClick()
{
    // A first click left behind would join the next press to a point the
    // user no longer has in mind.
    if (!m_lineStarted)
        return;
    removeBand();
    m_lineStarted = false;
    m_endX = 0;
    m_endY = 0;
}

void DrawingTools::ErasePendingSegment()
{
    if (!m_bandOnBoard)
        return;
    removeBand();
    m_endX = m_startX;
    m_endY = m_startY;
}

void DrawingTools::cmdClearDraw_Click()
{
    send(session::tag::Pulisci);
    clearBoard();
}

// --- received drawing ---------------------------------------------------------

void DrawingTools::clearBoard()
{
    m_surface->clear();
    forgetBand();
    forgetPendingClick();
}

void DrawingTools::receiveShape(const session::DrawFields &f, bool circle)
{
    const int savedScale = m_surface->scaleMode();
    const int savedWidth = m_surface->drawWidth();
    ErasePendingSegment();
    m_surface->setDrawMode(BoardSurface::CopyPen);
    // A width the pen cannot take (zero or negative) is skipped like a
    // missing field; the surface caps the widths it does accept.
    if (f.penWidth && *f.penWidth >= 1)
        m_surface->setDrawWidth(*f.penWidth);
    // Only the two units a board knows; any other code is skipped.
    if (f.unit && (*f.unit == BoardSurface::Twips || *f.unit == BoardSurface::Pixels))
        m_surface->setScaleMode(*f.unit);
    // The surface keeps only the colour bits a pixel can show.
    const quint32 colour = quint32(f.colour);
    const QPointF a(f.x1, f.y1);
    if (circle) {
        m_surface->circle(a, circleRadius(f.x1, f.y1, f.x2, f.y2), colour);
    } else {
        m_surface->line(a, QPointF(f.x2, f.y2), colour);
    }
    m_surface->setDrawMode(BoardSurface::Invert);
    m_surface->setDrawWidth(savedWidth);
    m_surface->setScaleMode(savedScale);
}

void DrawingTools::receiveLine(const session::DrawFields &fields)
{
    receiveShape(fields, false);
}

void DrawingTools::receiveCircle(const session::DrawFields &fields)
{
    receiveShape(fields, true);
}

void DrawingTools::receiveFill(float x, float y, qint32 colour)
{
    const int savedScale = m_surface->scaleMode();
    const int savedFill = m_surface->fillStyle();
    const int savedMode = m_surface->drawMode();
    ErasePendingSegment();
    m_surface->setDrawMode(BoardSurface::CopyPen);
    m_surface->setScaleMode(BoardSurface::Pixels);
    m_surface->setFillStyle(BoardSurface::FillSolid);
    if (m_bruvela) {
        // The control keeps the colour it is given, so it gets the board's
        // 24 bits rather than whatever else the peer put in the number.
        m_bruvela->setColore(qint32(BoardSurface::colourBits(quint32(colour))));
        // A point outside the board is refused by the fill and simply ignored.
        m_bruvela->fill(m_surface, x, y);
    }
    m_surface->setDrawMode(savedMode);
    m_surface->setScaleMode(savedScale);
    m_surface->setFillStyle(savedFill);
}

// --- text ---------------------------------------------------------------------

TextParams DrawingTools::asSent(const TextParams &typed)
{
    // The wire carries one single-byte character each: what it cannot carry
    // everyone else gets as "?", so this board draws the text as it travels
    // and shows what the others see.
    TextParams text = typed;
    text.Text = session::decodeText(session::encodeText(typed.Text));
    text.FName = session::decodeText(session::encodeText(typed.FName));
    return text;
}

bool DrawingTools::insertText(const TextParams &typed)
{
    if (!lookupColour())
        return false;
    const TextParams text = asSent(typed);
    // A rubber band left from an earlier segment would be inverted away
    // over the text later.
    ErasePendingSegment();
    if (TextRenderer::DrawText(*m_surface, *m_palette, text) != TextRenderer::Outcome::Drawn)
        return false;
    InsTextfrmMain(text);
    return true;
}

void DrawingTools::InsTextfrmMain(const TextParams &text)
{
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    // The angle goes as the real number chosen; every receiver rounds it.
    send(session::tag::testo(1) + text.Text);
    send(session::tag::testo(2) + QString::number(text.x));
    send(session::tag::testo(3) + QString::number(text.Y));
    send(session::tag::testo(4) + flag(text.Underlined));
    send(session::tag::testo(5) + flag(text.Italic));
    send(session::tag::testo(6) + flag(text.Strike));
    send(session::tag::testo(7) + QString::number(text.Height));
    send(session::tag::testo(8) + QString::number(text.Width));
    send(session::tag::testo(9) + QString::number(text.angle, 'g', 15));
    send(session::tag::testo(10) + QString::number(text.FWidth));
    send(session::tag::testo(11) + text.FName);
    send(session::tag::TestoColore + m_palette->sCurrentColor2() +
         QString::number(m_surface->scaleMode()));
}

void DrawingTools::receiveText(const session::TextSet &text, qint16 paletteIndex, qint16 unit)
{
    const int savedScale = m_surface->scaleMode();
    ErasePendingSegment();

    // The sender's swatch lends its colour for this one text; the local
    // selection is put back afterwards. An index that names no swatch
    // leaves none selected, and the text is then not drawn.
    const int selected = m_palette->selectedIndex();
    m_palette->clearBorders();
    m_palette->setBorder(paletteIndex, true);

    // Only the two units a board knows; another code leaves the board's.
    m_surface->setScaleMode(unit);
    TextParams p;
    p.Text = text.Text;
    p.x = text.x;
    p.Y = text.Y;
    p.Underlined = text.Underlined;
    p.Italic = text.Italic;
    p.Strike = text.Strike;
    // Sizes, weight and font are brought into range by the renderer, the
    // same way for the sender's own drawing; an angle whose tenfold does
    // not fit 16 bits is refused there and nothing is drawn.
    p.Height = text.Height;
    p.Width = text.Width;
    p.angle = text.angle;
    p.FWidth = text.FWidth;
    p.FName = text.FName;
    TextRenderer::DrawText(*m_surface, *m_palette, p);

    m_surface->setScaleMode(savedScale);
    m_palette->setBorder(paletteIndex, false);
    if (selected >= 0)
        m_palette->setBorder(selected, true);
}

} // namespace board
