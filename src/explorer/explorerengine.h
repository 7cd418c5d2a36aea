#pragma once

#include <QImage>
#include <QLineF>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

namespace board
{
class BoardSurface;
class Palette;
} // namespace board

namespace session
{
class MessageService;
}

namespace explorer
{

/**
 * @brief The image explorer without its window: the picture being explored
 * as a drawing surface of its own, the grid of inverted dots laid over it,
 * snapping, the rubber band, connected lines and the right-click cancel.
 *
 * Every finished line is drawn on the picture and, at the same coordinates
 * and in the palette's current colour, on the main board's surface. Nothing
 * is sent to anyone: the engine knows no session.
 *
 * Coordinates are twips of the picture (15 per pixel), whatever unit the
 * board happens to be in.
 */
class ExplorerEngine : public QObject
{
    Q_OBJECT
public:
    /// Mouse button values as the handlers receive them.
    enum Button { Left = 1, Right = 2, Middle = 4 };

    static constexpr int kTwipsPerPixel = 15;
    /// What the title shows while no line is pending.
    static QString defaultTitle();

    /**
     * @param board the main board, drawn on with every finished line; may
     *        be null (then only the picture is drawn on)
     * @param palette where the drawing colour is read; may be null (then no
     *        line can be drawn)
     */
    ExplorerEngine(board::BoardSurface *board, board::Palette *palette, QObject *parent = nullptr);
    ~ExplorerEngine() override;

    /// Where "Selezionare un colore prima..." is shown; may be null.
    void setMessageService(session::MessageService *service);

    /// The picture to explore and draw on. A null picture leaves nothing to
    /// draw on: every drawing call then does nothing.
    void setPicture(const QImage &picture);
    /// The surface the picture is drawn on ("picImmagine"); null without one.
    board::BoardSurface *picture() const { return m_picture.get(); }
    bool canDraw() const { return m_picture != nullptr; }
    /// The main board this engine draws on, null once it is gone.
    board::BoardSurface *board() const;

    // --- grid -------------------------------------------------------------
    /// The grid spacing the explorer takes from the grid dialog's general
    /// step (twips, as text): divided by 1440 and kept to four decimals.
    /// A text that starts with no number gives 0.
    static float spacingFromText(const QString &twips);
    /// The step in whole twips of a spacing in inches, as the snap takes it
    /// (a negative spacing counts by its size); 0 means no grid at all.
    static int stepTwips(float spacingInches);
    /// Snaps one coordinate to the grid of @p spacingInches: to the nearest
    /// multiple of the step, a remainder of exactly half a step going up.
    /// With a step of 0 the coordinate stays as it is.
    static float snap(float v, float spacingInches);

    void setGridSpacing(float inches);
    float gridSpacing() const { return m_spacing; }
    /// The grid step in twips; 0 when the spacing rounds to nothing.
    int gridStep() const { return stepTwips(m_spacing); }
    /**
     * @brief "DrawGrid": one inverted dot at every (c x step, r x step) for
     * c, r from 1 inside the picture, so laying it twice restores the
     * picture. The picture's draw mode and pen width stay as they were.
     * False (and nothing drawn) without a picture or with a step of 0.
     */
    bool DrawGrid();

    // --- options -------------------------------------------------------------
    bool Snap2Grid() const { return m_snap; }
    void setSnap2Grid(bool on);
    bool MLine() const { return m_connected; }
    /// Switching connected lines off while a line is pending cancels it.
    void setMLine(bool on);

    // --- mouse on the picture (twips) -------------------------------------------
    void mouseDown(int button, float x, float y);
    void mouseMove(float x, float y);
    /// The right click: the rubber band leaves both surfaces, the end point
    /// goes to (0, 0) and no line is pending.
    void cancelLine();

    /// "Pulisci" (menu): the picture as it was loaded, without any drawing.
    void clearDrawing();

    // --- line state --------------------------------------------------------------
    bool linePending() const { return m_pending; }
    float x1() const { return m_x1; }
    float y1() const { return m_y1; }
    float x2() const { return m_x2; }
    float y2() const { return m_y2; }
    /// Whether a rubber band is inverted on the picture / on the board now.
    bool bandOnPicture() const { return m_bandOnPicture; }
    bool bandOnBoard() const { return m_bandOnBoard; }
    /// The window title: the mouse position while a line is pending.
    QString title() const { return m_title; }

signals:
    void titleChanged(const QString &title);
    /// A line was finished and drawn on both surfaces (twips).
    void lineDrawn(const QLineF &line);

private:
    /// The palette's colour, or nothing after telling the user.
    std::optional<quint32> lookupColour();
    void setPending(bool pending);
    void setTitle(const QString &title);
    /// Inverts the band start→end onto each surface that does not show it.
    void drawBand();
    /// Inverts the band away from each surface that shows it.
    void removeBand();
    /// Runs @p draw on the board in twips and draw mode @p mode, putting
    /// the board's own unit and mode back afterwards.
    template <class Draw> void onBoard(int mode, Draw draw);

    QPointer<board::BoardSurface> m_board;
    QPointer<board::Palette> m_palette;
    session::MessageService *m_messages = nullptr;
    std::unique_ptr<board::BoardSurface> m_picture;
    QImage m_original;

    float m_spacing = 0;
    bool m_snap = false;
    bool m_connected = false;
    bool m_pending = false;
    float m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;
    /// The band as it was inverted, so taking it away inverts exactly the
    /// same pixels even after the end point moved on.
    QLineF m_band;
    bool m_bandOnPicture = false;
    bool m_bandOnBoard = false;
    QString m_title;
};

} // namespace explorer
