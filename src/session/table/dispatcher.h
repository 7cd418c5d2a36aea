#pragma once

#include "sinks.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace session
{

class ParticipantList;
class Routes;
struct TableState;

/**
 * @brief Acts on every received protocol line: the participant and address
 * lists, the status box and conversation pane, the board, and on the host
 * the relays to the other clients.
 *
 * Host and client share it; the session's bHost decides where they differ.
 * It reads and keeps up to date the session's TableState, sends through the
 * session's Routes, and tells the session through its hooks what a line
 * settles that only the session can act on.
 * A line with a malformed field (a number that does not parse or does not
 * fit, a missing field, a private count larger than its fields) is ignored
 * whole: nothing is shown and nothing is relayed. Lines that only a host
 * sends to its clients are ignored when they reach a host from a client, so
 * a client cannot empty or rename the host's lists.
 */
class Dispatcher
{
public:
    /// What a received line settles that the session acts on; each may be empty.
    struct Hooks {
        /// Client: our host confirmed our name (or gave us another).
        std::function<void(const QString &name)> named;
        /// Host: newcomer @p newcomer took back the seat of connection
        /// @p old, which is to be let go.
        std::function<void(qint16 old, qint16 newcomer)> seatTaken;
        /// Client: the host said it expels us.
        std::function<void()> expelled;
        /// Client: the host beats; from now on its silence counts.
        std::function<void()> hostBeats;
        /// Client: the host greeted this connection with table @p id.
        std::function<void(const QString &id)> greeted;
        /// Client: the host has read @p count lines of this connection.
        std::function<void(qint64 count)> acknowledged;
        /// Client: the host's welcome is all here; what waited goes now.
        std::function<void()> seated;
        /// Client: the host closes the table on purpose.
        std::function<void()> tableClosed;
    };

    /// Status text after a participant's name when its connection is lost.
    inline static const QString kLostContact = QStringLiteral(" ha perso il contatto con la realtà.");

    Dispatcher(TableState &state, Routes &routes);
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    /// Splits @p vsData at CR LF and dispatches every complete line. Text
    /// after the last CR LF is not dispatched.
    void ProcessData(const QString &vsData, qint16 index);
    /// Logs one line (without CR LF) as received and acts on it.
    void dispatchLine(const QString &line, qint16 index);
    /// Acts on one board line on this board only, as a client draws what
    /// its host sends: nothing is logged, passed on or kept.
    void applyLocally(const QString &line);

    /// The values of the text being received, kept between messages.
    const TextSet &textSet() const { return m_text; }

    /// The requested name, or the first of name[2], name[3], ... that no
    /// entry of @p list carries.
    static QString uniqueName(const QString &requested, const ParticipantList &list);
    /// A truth value of the text set: True/False/Vero/Falso in any letter
    /// case, or a whole number (0 false, anything else true).
    static std::optional<bool> toTruth(QStringView text);
    /// The text angle: a decimal real with "." or "," as separator, rounded
    /// half to even into 16 bits.
    static std::optional<qint16> toAngle(QStringView text);
    /// Fields 1 to 7 of a "[Linea]" or "[Circonferenza]"; nothing when a
    /// coordinate or the colour is missing or malformed.
    static std::optional<DrawFields> parseDrawFields(const QString &params);
    /// A colour field: 0x00BBGGRR as a decimal number from 0 to 0xFFFFFF.
    static std::optional<qint32> toColour(QStringView text);

    /// The board's outer size in twips (800 x 800 pixels), which the
    /// greeting a newcomer receives is built from.
    static constexpr int kBoardExtentTwips = 12000;
    /// Number fields four times: the board's extent plus 500 twips, then
    /// "255" in place of colour, pen width and unit. A newcomer's first
    /// drawing message.
    static QString greeting(int boardWidth, int boardHeight);

private:
    void act(const QString &line, qint16 index);
    /// Whether this line is passed on and kept: on the host, unless it is
    /// only drawn here.
    bool relays() const;
    void onConnessione(const QString &params, qint16 origin);
    void onRename(const QString &params);
    void onCambiaNome(const QString &params, qint16 origin);
    void onLeft(const QString &params, const QString &suffix);
    void onRiordina(const QString &params);
    void onListatoInviaFile();
    void onComboIP(const QString &params, qint16 origin);
    void onNeoConnesso(const QString &params, qint16 origin);
    void onMessaggio(const QString &params, qint16 origin);
    void onPrivato(const QString &params, qint16 origin);
    void onPulisci(qint16 origin);
    void onDraw(const QString &tag, const QString &params);
    void onFill(const QString &params);
    void onTextPart(int part, const QString &params);
    void onTextColour(const QString &params, qint16 origin);
    /// The tags beyond the basic protocol; false for any other tag.
    bool onExtension(const QString &tag, const QString &params, qint16 index);

    TableState &m_state;
    Routes &m_routes;
    Hooks m_hooks;
    TextSet m_text;
    bool m_localOnly = false;
};

} // namespace session
