#pragma once

#include "sinks.h"

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

namespace fill
{
class Bruvela;
}
namespace session
{
class ChatSession;
}

namespace board
{

class BoardSurface;
class Palette;
class Viewport;
struct TextParams;

/**
 * @brief The whiteboard's drawing tools without any widget: the tool state
 * that the hidden check boxes hold, the tool buttons' logic and highlights,
 * the mouse handlers that draw freehand strokes, straight lines, circles and
 * fills, and the rendering of the drawing messages other participants send.
 *
 * Coordinates given to the mouse handlers are in the surface's current unit.
 * Every finished operation is drawn locally first and then handed to the
 * broadcaster (by default ChatSession::Broadcast) as one protocol message.
 */
class DrawingTools : public QObject, public session::BoardSink
{
    Q_OBJECT
public:
    /// Mouse button values as the handlers receive them.
    enum Button { Left = 1, Right = 2, Middle = 4 };

    /// The items of the drawing-style list, in list order.
    static const QStringList &listItems();
    /// @p item of listItems() as the reader's language says it.
    static QString toolCaption(const QString &item);
    /// Names of the tool buttons whose highlight the tools decide.
    static const QStringList &buttonNames();

    /**
     * @brief @p surface and @p palette are required. @p bruvela does the
     * fills (local and received); without it fills draw nothing. @p session,
     * when given, is where messages go and message boxes are shown.
     */
    DrawingTools(BoardSurface *surface, Palette *palette, fill::Bruvela *bruvela,
                 session::ChatSession *session = nullptr, QObject *parent = nullptr);

    BoardSurface *surface() const { return m_surface; }
    Palette *palette() const { return m_palette; }

    /// Replaces where finished drawings are sent (tests record them here).
    void setBroadcaster(std::function<void(const QString &)> broadcaster);
    /// Where "Selezionare un colore prima..." is shown; defaults to the session's.
    void setMessageService(session::MessageService *service);
    /// The service messages go to now: the one set, else the session's; may be null.
    session::MessageService *messageService() const;
    /// Right-button panning goes here; without a viewport it does nothing.
    void setViewport(Viewport *viewport);
    Viewport *viewport() const { return m_viewport; }

    // --- tool state (the hidden check boxes) --------------------------------
    bool riempi() const { return m_riempi; }
    bool testoinBox() const { return m_testoinBox; }
    bool lineaRetta() const { return m_lineaRetta; }
    bool MLine() const { return m_MLine; }
    bool Snap2Grid() const { return m_Snap2Grid; }
    void setRiempi(bool on);
    void setTestoinBox(bool on);
    void setLineaRetta(bool on);
    /// Switching chain mode off while a segment is started removes its
    /// rubber band and ends the segment; the end point keeps its value.
    void setMLine(bool on);
    void setSnap2Grid(bool on);

    /// The drawing-style list's text.
    QString List1() const { return m_list1; }
    /// Sets the list's text and applies its selection rules.
    void setList1(const QString &text);
    /// The mouse moved over the list while it shows @p text: the selection
    /// rules except that the fill tool is left as it is.
    void List1_MouseMove(const QString &text);

    /// Pen width chosen with the pen scroll bar, 1..25. A rubber band on
    /// the board is redrawn at the new width.
    int pennello() const { return m_pennello; }
    void setPennello(int width);

    // --- tool buttons --------------------------------------------------------
    void Command13_Click(); ///< "Mano libera"
    void Command14_Click(); ///< "Linee rette"
    void Command15_Click(); ///< "Cerchi"
    void Command16_Click(); ///< "Colora"
    void Command12_Click(); ///< "Testo"
    void Command5_Click();  ///< "Approssima"
    void Command6_Click();  ///< "Collega"
    /// Whether the button @p name currently shows its "on" colour.
    bool highlighted(const QString &name) const;

    // --- segment state --------------------------------------------------------
    float sngStartX() const { return m_startX; }
    float sngStartY() const { return m_startY; }
    float sngEndX() const { return m_endX; }
    float sngEndY() const { return m_endY; }
    bool bLineStarted() const { return m_lineStarted; }
    qint16 iLastX() const { return m_lastX; }
    qint16 iLastY() const { return m_lastY; }

    // --- grid snap ---------------------------------------------------------------
    /// Snap step in inches.
    float sngGridStep() const { return m_gridStep; }
    /// Sets the grid's general step in twips, as text; the snap step is
    /// taken from it at every press that is not a fill. Used when no source
    /// is set.
    void setGeneralGridStep(const QString &twips);
    /// Where the general step is read: the grid dialog's hidden step box.
    void setGeneralStepSource(std::function<QString()> source);
    /// Takes the snap step from the general step now (the window's start
    /// does, and every press that is not a fill). A text that starts with no
    /// number leaves the step as it was.
    void refreshGridStep();
    /// A step in twips as the snap reads it: divided by 1440 and kept to
    /// four decimals.
    static float gridStepFromTwips(double twips);
    /// Snaps one coordinate (twips) to a step given in inches: to the
    /// nearest multiple, a remainder of exactly half a step going up. A step
    /// that rounds to 0 twips leaves the coordinate unchanged; a negative
    /// step snaps as its size does.
    static float SnapToGrid(float p, float stepInches);

    // --- text on the board -------------------------------------------------------
    /**
     * @brief The text dialog's "OK": draws @p text at its anchor in the
     * palette's colour, then sends it to everyone as the twelve text
     * messages. Without a colour it says "Selezionare un colore prima..."
     * and neither draws nor sends. False when nothing was drawn. Characters
     * the single-byte wire cannot carry are drawn and sent as "?", as every
     * receiver gets them.
     */
    bool insertText(const TextParams &text);
    /// @p text as the others receive it: text and font name through the
    /// single-byte wire, where what it cannot carry becomes "?".
    static TextParams asSent(const TextParams &text);
    /// Sends @p text as the twelve text messages, by the broadcast rule.
    void InsTextfrmMain(const TextParams &text);

    // --- mouse on the board ----------------------------------------------------
    void mousePress(int button, bool shift, float x, float y);
    void mouseMove(int button, bool shift, float x, float y);
    void mouseRelease(int button, bool shift, float x, float y);

    /// Inverts a pending rubber band away and moves its end onto its start.
    void ErasePendingSegment();
    /// Whether a rubber band is on the board now.
    bool segmentPending() const { return m_bandOnBoard; }

    /// "Pulisci": sends the clearing to everyone, then clears locally.
    /// A started segment is forgotten with the board.
    void cmdClearDraw_Click();

    // --- session::BoardSink -----------------------------------------------------
    /// Clears the board and forgets a started segment, as "Pulisci" does.
    void clearBoard() override;
    void receiveLine(const session::DrawFields &fields) override;
    void receiveCircle(const session::DrawFields &fields) override;
    void receiveFill(float x, float y, qint32 colour) override;
    void receiveText(const session::TextSet &text, qint16 paletteIndex, qint16 unit) override;

signals:
    void highlightChanged(const QString &name, bool on);
    /// Any of the check-box states, the list text or the pen width changed.
    void stateChanged();
    /// The text tool wants its dialog, anchored at @p anchor (whole units).
    void textRequested(const QPoint &anchor);

private:
    void setHighlight(const QString &name, bool on);
    /// The shared part of "Linee rette" and "Cerchi": list item @p item,
    /// button @p button on and the other tool buttons off.
    void selectTwoPointTool(const QString &item, const char *button);
    void applyListRules(const QString &text, bool touchFill);
    void straightPress(float x, float y);
    /// Inverts the rubber band start→end (draw mode must be invert) and
    /// notes whether it is now on the board.
    void invertBand();
    /// Inverts the band away if it is on the board.
    void removeBand();
    /// The board was wiped: whatever band was on it is gone without inverting.
    void forgetBand();
    /// The first click of a line or circle is given up (the tool changed or
    /// the board was cleared): its band goes and the next press starts anew.
    void forgetPendingClick();
    void floodFill(float x, float y);
    /// The current colour as a number, or nothing after telling the user.
    std::optional<quint32> lookupColour();
    void send(const QString &message);
    /// The fields of a line or circle message: the points, @p colour (the
    /// palette's, as the sender draws with it), the pen width and the unit.
    QString lineFields(float x1, float y1, float x2, float y2, quint32 colour) const;
    void receiveShape(const session::DrawFields &fields, bool circle);

    BoardSurface *m_surface;
    Palette *m_palette;
    fill::Bruvela *m_bruvela;
    session::ChatSession *m_session;
    session::MessageService *m_messages = nullptr;
    Viewport *m_viewport = nullptr;
    std::function<void(const QString &)> m_broadcaster;

    bool m_riempi = false;
    bool m_testoinBox = false;
    bool m_lineaRetta = false;
    bool m_MLine = false;
    bool m_Snap2Grid = false;
    QString m_list1;
    int m_pennello = 1;
    QHash<QString, bool> m_highlight;

    float m_startX = 0, m_startY = 0;
    float m_endX = 0, m_endY = 0;
    bool m_lineStarted = false;
    /// The band start→end is inverted on the board right now. Kept apart
    /// from the coordinates, which cannot tell (an end on the board's edge
    /// is 0, and a finished segment keeps its start).
    bool m_bandOnBoard = false;
    qint16 m_lastX = 0, m_lastY = 0;
    /// The freehand stroke of the current press was told it has no colour.
    bool m_strokeRefused = false;

    QString m_generalStep = QStringLiteral("120");
    std::function<QString()> m_generalStepSource;
    float m_gridStep;
};

} // namespace board
