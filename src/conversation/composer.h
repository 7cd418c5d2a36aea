#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

namespace session
{
class ChatSession;
}

namespace conversation
{

/**
 * @brief Turns typed text into conversation lines and delivers them to the
 * room. Holds no state between sends; everything it needs (role, name,
 * participants and their selection, sinks) is read from the session.
 */
class Composer
{
    Q_DECLARE_TR_FUNCTIONS(conversation::Composer)

public:
    /// What a typed line is: speech, an action (", ...") or narration ("# ...").
    enum class Kind { Speech, Action, Narration };

    /// The public and private forms of one line, built from one name and text.
    struct Lines {
        Kind kind = Kind::Speech;
        QString publicLine;
        QString privateLine;
    };

    /// What the send action did with the typed text.
    enum class Outcome {
        Refused,     ///< looked like somebody's dice roll; nothing sent or shown
        Done,        ///< delivered (or not, by role) and echoed; the box is emptied
        NoRecipient, ///< a private line with nobody chosen: not sent, the status box says so
        NotRolled,   ///< a roll command that could not roll (a mistyped expression): kept
    };

    /**
     * @brief The expression of a roll command, "/r 4d6kh3" or "/tira 1d20+5
     * attacco" (any letter case), or nothing when @p typed is not one.
     */
    static std::optional<QString> rollCommand(const QString &typed);

    /// The status line shown when a private line has nobody to go to.
    static QString noRecipientText();

    /// Kind of line and both forms, from the typed text @p msg and the speaker @p name.
    static Lines compose(const QString &msg, const QString &name);

    /**
     * @brief True when @p msg as a whole would read as a dice announcement
     * of one of @p names, or as an anonymous-looking action roll. Names are
     * compared literally, every run of digits may be empty and white space
     * at the end is ignored.
     */
    static bool isForgedRoll(const QString &msg, const QStringList &names);

    /**
     * @brief What the send action composes when the speaking way chosen
     * beside the message box is @p mode: the typed text with the prefix of
     * that kind in front (", " for an action, "# " for narration, nothing
     * for speech). Text that already starts with a prefix is left as typed,
     * so typing the prefix by hand works whatever the choice. "/me text"
     * is an action whatever the choice.
     */
    static QString withModePrefix(const QString &typed, Kind mode);

    /**
     * @brief The names a private line would go to now: the selected
     * participants, without the host's own entry when hosting (a host never
     * addresses itself), in list order.
     */
    static QStringList privateRecipients(const session::ChatSession &chat);

    /// The refusal text shown to @p name.
    static QString refusalText(const QString &name);

    /// Whether the send button is enabled for this message and name.
    static bool sendEnabled(const QString &msg, const QString &name);

    /**
     * @brief Delivers a line by the sender's role and echoes it in the own pane.
     *
     * A host sends public lines to every client, private ones to each selected
     * participant except its own entry; a connected client sends everything to
     * the host, private lines with the list of chosen connection indexes. With
     * @p anonymousAllowed false an empty name stops both sending and echo
     * (typed lines); dice rolls pass true and are always delivered and shown.
     *
     * In a session a private line needs a chosen participant other than the
     * host's own entry; without one nothing is sent or shown, the status box
     * says why and the result is false. So it is while the connection to the
     * host is lost: a private line cannot wait for a return.
     *
     * A client's line goes through the session (ChatSession::sayToHost),
     * which shows it as said, or as waiting while the link to a Tavernix host
     * is down; @p typed is given back should it never go.
     */
    static bool deliver(session::ChatSession &chat, const QString &publicLine,
                        const QString &privateLine, bool isPrivate, bool anonymousAllowed,
                        const QString &typed = QString());

    /// The status line shown when a private line is typed while the
    /// connection to the host is lost.
    static QString privateWhileAwayText();

    /**
     * @brief The send action: guard, delivery and echo of @p typed with the
     * session's name. Line breaks in the typed text become spaces first.
     * Shows the refusal through the session's message service.
     */
    static Outcome send(session::ChatSession &chat, const QString &typed, bool isPrivate);
};

} // namespace conversation
