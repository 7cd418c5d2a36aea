#include "explorerengine.h"

#include "boardsurface.h"
#include "drawingtools.h"
#include "numbertext.h"
#include "palette.h"
#include "sinks.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace explorer
{

using board::BoardSurface;

QString ExplorerEngine::defaultTitle()
{
    return tr("Esplora immagine");
}

ExplorerEngine::ExplorerEngine(BoardSurface *board, board::Palette *palette, QObject *parent)
    : QObject(parent), m_board(board), m_palette(palette), m_title(defaultTitle())
{
    if (m_board) {
        // A peer's "Pulisci" (or hosting, joining, leaving) wipes the board
        // while the explorer is open: the band went with it, and inverting
        // it again would draw it instead of taking it away.
        connect(m_board, &BoardSurface::cleared, this, [this] { m_bandOnBoard = false; });
    }
}

ExplorerEngine::~ExplorerEngine() = default;

BoardSurface *ExplorerEngine::board() const
{
    return m_board;
}

void ExplorerEngine::setMessageService(session::MessageService *service)
{
    m_messages = service;
}

void ExplorerEngine::setPicture(const QImage &picture)
{
    m_pending = false;
    m_bandOnPicture = false;
    m_original = picture;
    if (picture.isNull()) {
        m_picture.reset();
        return;
    }
    // The surface is exactly the picture's size, so setting the picture
    // again later restores every pixel ("Pulisci").
    m_picture = std::make_unique<BoardSurface>(picture.size());
    m_picture->setPicture(picture);
}

// --- grid -----------------------------------------------------------------

float ExplorerEngine::spacingFromText(const QString &twips)
{
    const auto value = board::leadingNumber(twips);
    if (!value || !std::isfinite(*value))
        return 0.0f;
    const float spacing = board::DrawingTools::gridStepFromTwips(*value);
    return std::isfinite(spacing) ? spacing : 0.0f;
}

int ExplorerEngine::stepTwips(float spacingInches)
{
    // The same step the board's snap computes (rounded, held to 16 bits,
    // taken by its size), so the dots lie where the snap takes the points.
    const double wide = std::nearbyint(double(spacingInches) * 1440.0);
    if (!std::isfinite(wide))
        return 0;
    const double held = std::clamp(wide, double(std::numeric_limits<qint16>::min()),
                                   double(std::numeric_limits<qint16>::max()));
    return std::abs(int(held));
}

float ExplorerEngine::snap(float v, float spacingInches)
{
    // The explorer snaps by the board's own rule; with a step of 0 that
    // rule leaves the value alone instead of dividing by zero.
    return board::DrawingTools::SnapToGrid(v, spacingInches);
}

void ExplorerEngine::setGridSpacing(float inches)
{
    m_spacing = std::isfinite(inches) ? inches : 0.0f;
}

bool ExplorerEngine::DrawGrid()
{
    // A spacing that rounds to 0 twips has no grid to lay: nothing is drawn
    // (and the snap leaves points where they were clicked).
    const int step = gridStep();
    if (!m_picture || step <= 0)
        return false;

    // Dot (c x step, r x step) lands on the pixel the surface would give a
    // one-pixel dot there; the columns and rows are worked out once, then
    // each dot inverts its pixel. A pixel reached twice (a step below one
    // pixel) is inverted twice, as two dots would do, so laying the grid
    // twice always restores the picture. The draw mode and pen width are
    // never touched, so they stay as they were.
    auto indices = [step](double extentTwips, int limit) {
        std::vector<int> out;
        const double count = std::floor(extentTwips / step);
        for (double i = 1; i <= count; ++i) {
            const double pixel = std::nearbyint(i * step / kTwipsPerPixel);
            if (pixel >= 0 && pixel < limit)
                out.push_back(int(pixel));
        }
        return out;
    };
    BoardSurface &surface = *m_picture;
    const double unitsPerPixel = kTwipsPerPixel;
    const QSize size = surface.pixelSize();
    const std::vector<int> columns = indices(size.width() * unitsPerPixel, size.width());
    const std::vector<int> rows = indices(size.height() * unitsPerPixel, size.height());
    if (columns.empty() || rows.empty())
        return true;
    surface.paintOn([&](QImage &image) {
        for (const int y : rows) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (const int x : columns)
                line[x] ^= 0x00FFFFFFu;
        }
        return QRect(QPoint(columns.front(), rows.front()), QPoint(columns.back(), rows.back()));
    });
    return true;
}

// --- options -------------------------------------------------------------------

void ExplorerEngine::setSnap2Grid(bool on)
{
    m_snap = on;
}

void ExplorerEngine::setMLine(bool on)
{
    m_connected = on;
    if (!on && m_pending)
        cancelLine();
}

// --- mouse -------------------------------------------------------------------------

std::optional<quint32> ExplorerEngine::lookupColour()
{
    if (m_palette) {
        if (const auto colour = m_palette->currentColour())
            return colour;
    }
    if (m_messages)
        m_messages->showMessage(session::MessageService::Icon::None, session::kAppTitle,
                                tr("Selezionare un colore prima..."));
    return std::nullopt;
}

template <class Draw> void ExplorerEngine::onBoard(int mode, Draw draw)
{
    if (!m_board)
        return;
    BoardSurface &board = *m_board;
    // The board may be in pixels (a fill leaves it so); the explorer's
    // points are twips, and "the same coordinates" means the same place.
    const int unit = board.scaleMode();
    const int drawMode = board.drawMode();
    board.setScaleMode(BoardSurface::Twips);
    board.setDrawMode(mode);
    draw(board);
    board.setDrawMode(drawMode);
    board.setScaleMode(unit);
}

void ExplorerEngine::drawBand()
{
    // A band of no length is not drawn: a lone inverted dot would be left
    // behind whenever the band is taken away before it grows.
    if (m_x1 == m_x2 && m_y1 == m_y2)
        return;
    if (m_bandOnPicture || m_bandOnBoard)
        removeBand();
    m_band = QLineF(m_x1, m_y1, m_x2, m_y2);
    if (m_picture) {
        const int mode = m_picture->drawMode();
        m_picture->setDrawMode(BoardSurface::Invert);
        m_picture->line(m_band.p1(), m_band.p2());
        m_picture->setDrawMode(mode);
        m_bandOnPicture = true;
    }
    if (m_board) {
        onBoard(BoardSurface::Invert, [this](BoardSurface &b) { b.line(m_band.p1(), m_band.p2()); });
        m_bandOnBoard = true;
    }
}

void ExplorerEngine::removeBand()
{
    if (m_bandOnPicture && m_picture) {
        const int mode = m_picture->drawMode();
        m_picture->setDrawMode(BoardSurface::Invert);
        m_picture->line(m_band.p1(), m_band.p2());
        m_picture->setDrawMode(mode);
    }
    if (m_bandOnBoard)
        onBoard(BoardSurface::Invert, [this](BoardSurface &b) { b.line(m_band.p1(), m_band.p2()); });
    m_bandOnPicture = false;
    m_bandOnBoard = false;
}

void ExplorerEngine::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(title);
}

void ExplorerEngine::setPending(bool pending)
{
    m_pending = pending;
    // The coordinates belong to the line being drawn; once it is over the
    // title says what the window is again.
    if (!pending)
        setTitle(defaultTitle());
}

void ExplorerEngine::cancelLine()
{
    removeBand();
    m_x2 = 0;
    m_y2 = 0;
    setPending(false);
}

void ExplorerEngine::mouseDown(int button, float x, float y)
{
    // Without a picture of its own (the board copy is only shown) nothing
    // can be drawn.
    if (!m_picture || !std::isfinite(x) || !std::isfinite(y))
        return;
    if (button == Right) {
        cancelLine();
        return;
    }

    const float spacing = m_spacing;
    if (!m_pending) {
        // The palette cannot be reached while the explorer is open, so a
        // missing colour is told at the first click, not after the line.
        if (!lookupColour())
            return;
        m_x2 = x;
        m_y2 = y;
        if (m_snap) {
            // The start jumps to the grid, so the band to the pointer shows at once.
            m_x1 = snap(x, spacing);
            m_y1 = snap(y, spacing);
            drawBand();
        } else {
            m_x1 = x;
            m_y1 = y;
        }
        setPending(true);
        return;
    }

    removeBand();
    const auto colour = lookupColour();
    if (!colour) {
        m_x2 = 0;
        m_y2 = 0;
        setPending(false);
        return;
    }
    if (m_snap) {
        m_x2 = snap(x, spacing);
        m_y2 = snap(y, spacing);
    } else {
        m_x2 = x;
        m_y2 = y;
    }
    const QLineF line(m_x1, m_y1, m_x2, m_y2);
    {
        const int mode = m_picture->drawMode();
        m_picture->setDrawMode(BoardSurface::CopyPen);
        m_picture->line(line.p1(), line.p2(), *colour);
        m_picture->setDrawMode(mode);
    }
    onBoard(BoardSurface::CopyPen,
            [&line, &colour](BoardSurface &b) { b.line(line.p1(), line.p2(), *colour); });
    emit lineDrawn(line);

    if (m_snap) {
        m_x1 = m_x2;
        m_y1 = m_y2;
    } else {
        m_x1 = x;
        m_y1 = y;
    }
    if (!m_connected) {
        m_x2 = 0;
        m_y2 = 0;
        setPending(false);
    }
}

void ExplorerEngine::mouseMove(float x, float y)
{
    if (!m_picture || !m_pending) {
        setTitle(defaultTitle());
        return;
    }
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    removeBand();
    m_x2 = x;
    m_y2 = y;
    drawBand();
    const QLocale c = QLocale::c();
    setTitle(QStringLiteral("X = ") + c.toString(double(x), 'g', 7) + QStringLiteral("    Y = ") +
             c.toString(double(y), 'g', 7));
}

void ExplorerEngine::clearDrawing()
{
    if (!m_picture)
        return;
    // Setting the picture again repaints every pixel of the surface, grid,
    // lines and band alike; a pending line keeps going and its band shows
    // again at the next move.
    m_picture->setPicture(m_original);
    m_bandOnPicture = false;
}

} // namespace explorer
