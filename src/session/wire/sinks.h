#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class QObject;

/**
 * @brief The narrow doors through which the session reaches the rest of the
 * window: the conversation pane and status box, the board, and message boxes.
 * The session library never sees a widget; the window plugs implementations
 * in, tests plug in recorders.
 */
namespace session {

/// Where conversation lines and status texts end up.
class ConversationSink
{
public:
    virtual ~ConversationSink() = default;
    /// Appends one conversation line (it may hold a line break).
    virtual void UpdateDialog(const QString &vsDialog) = 0;
    /// Appends one line to the status box.
    virtual void UpdateStatus(const QString &vsStatus) = 0;
    /// Empties the conversation pane (a session starts or ends).
    virtual void clearDialog() = 0;
    /// A public line said at @p said, before this participant joined or
    /// came back: shown so that it cannot pass for live talk.
    virtual void showRecap(const QString &line, const QDateTime &said)
    {
        UpdateDialog(QCoreApplication::translate("session::DialogSink", "(già detto alle %1) ")
                         .arg(said.toString(QStringLiteral("H.mm"))) +
                     line);
    }
    /// A note of the program's own in the pane: where the connection broke
    /// or came back.
    virtual void markPane(const QString &note) { UpdateDialog(note); }
    /// A roll the host announced as such, which can be checked: the pane
    /// marks it so that no typed line can pass for one.
    virtual void showRoll(const QString &line) { UpdateDialog(line); }
    /// Whether this session's rolls can be checked (the host promised a seed).
    virtual void setRollsCheckable(bool) {}
    /// A dice line that a later check of the saved conversation needs.
    virtual void keepDiceEvidence(const QString &) {}

    /// Where a line of our own stands on its way to the table.
    enum class OwnLine {
        Sent,      ///< written to the host, not yet confirmed: shown as said
        Waiting,   ///< the link is down: it goes when the player is back
        Confirmed, ///< the host has it
        Unsent,    ///< it will not go (the player left, the table closed)
    };
    /**
     * @brief A line of our own, said now; @p id names it for the changes of
     * its state that may follow (0: none will). A waiting line must not
     * look said.
     */
    virtual void showOwnLine(quint64 id, const QString &line, OwnLine state)
    {
        Q_UNUSED(id)
        UpdateDialog(state == OwnLine::Waiting
                         ? QCoreApplication::translate("session::ConversationSink", "(in attesa) ") +
                               line
                     : state == OwnLine::Unsent
                         ? QCoreApplication::translate("session::ConversationSink",
                                                       "(non inviato) ") +
                               line
                         : line);
    }
    /// Line @p id is in @p state now. @p late: it went out after a return.
    virtual void markOwnLine(quint64 id, OwnLine state, bool late)
    {
        Q_UNUSED(id)
        Q_UNUSED(state)
        Q_UNUSED(late)
    }
};

/// Fields of a received "[Linea]" or "[Circonferenza]". Coordinates are in the
/// sender's unit; pen width and unit are absent when the sender left them out
/// or they were not numeric, and the receiver then keeps its own.
struct DrawFields {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    qint32 colour = 0;
    std::optional<qint16> penWidth;
    std::optional<qint16> unit;
};

/// The values of one text placed on the board, as the receiver keeps them
/// between the twelve messages that carry them.
struct TextSet {
    QString Text;
    qint32 x = 0;
    qint32 Y = 0;
    bool Underlined = false;
    bool Italic = false;
    bool Strike = false;
    qint16 Height = 0;
    qint16 Width = 0;
    qint16 angle = 0;
    qint32 FWidth = 0;
    QString FName;
};

/// The board as the dispatcher sees it. Each drawing call runs the erase step
/// of the local rubber band itself before it draws.
class BoardSink
{
public:
    virtual ~BoardSink() = default;
    /// Clears the drawing and removes the background picture.
    virtual void clearBoard() = 0;
    /// A segment from (x1, y1) to (x2, y2) in the sender's unit and colour.
    virtual void receiveLine(const DrawFields &fields) = 0;
    /// A circle centred on (x1, y1) through (x2, y2).
    virtual void receiveCircle(const DrawFields &fields) = 0;
    /// Flood fill at a pixel position with a colour 0x00BBGGRR.
    virtual void receiveFill(float x, float y, qint32 colour) = 0;
    /// Draws the stored text in the colour of palette swatch @p paletteIndex.
    virtual void receiveText(const TextSet &text, qint16 paletteIndex, qint16 unit) = 0;
};

/// A grid shared with the table: the grid dialog's kind (its index in the
/// dialog's list), its two steps as whole grid units, the colour 0x00BBGGRR
/// and the pen width in pixels it was laid with.
struct GridFields {
    qint16 kind = 0;
    qint16 passi1 = 0;
    qint16 passi2 = 0;
    qint32 colour = 0;
    qint16 width = 1;
    QString from; ///< who shared it
};

/// Where pictures and grids shared with the table are shown.
class SharedBoardSink
{
public:
    virtual ~SharedBoardSink() = default;
    /**
     * @brief A picture shared by @p from, as the encoded file it was (PNG or
     * JPEG). Its size and fingerprint were checked; whether it decodes, and
     * within the board's limits, is the board's to find out.
     */
    virtual void showSharedPicture(const QByteArray &encoded, const QString &from) = 0;
    /// A grid shared by grid.from, to lay on the board and snap to.
    virtual void showSharedGrid(const GridFields &grid) = 0;
};

/// Message boxes. The window shows real ones; tests record what was asked.
class MessageService
{
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    virtual ~MessageService() = default;
    /// Shows a message with an OK button. Does not wait for the user.
    virtual void showMessage(Icon icon, const QString &title, const QString &text) = 0;

    /// The buttons of a question.
    enum class Buttons { YesNo, OkCancel };
    /**
     * @brief Asks a question and returns at once, so no nested event loop
     * runs inside a socket handler while the user thinks. @p answer runs
     * later with true for Yes or OK and false for No, Cancel or a box closed
     * otherwise. It never runs once @p context is gone.
     */
    virtual void ask(Icon icon, const QString &title, const QString &text, Buttons buttons,
                     QObject *context, std::function<void(bool)> answer) = 0;
};

/// The program's title, the caption of its message boxes.
inline const QString kAppTitle = QStringLiteral("Vellumara");

} // namespace session
