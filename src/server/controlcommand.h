#pragma once

#include <QString>
#include <QStringList>

namespace server
{

/**
 * @brief One administration command, as `tavernix-server ctl` sends it and
 * the running server reads it: one line, the command word, a space and the
 * argument, if any.
 *
 * Parsing is a pure function, so the client refuses a malformed command
 * before it looks for a server, and the server refuses the same way whatever
 * reaches its socket.
 */
struct ControlCommand {
    enum class Kind { Invalid, List, Kick, Say, Clear, Restore, Save, Reveal, Stop, Invite, Ban, Bans, Unban };
    Kind kind = Kind::Invalid;
    QString argument; ///< the name for Kick, the text for Say
    QString error;    ///< why it is Invalid, in Italian

    /// Longest command line, in bytes of UTF-8 with its line end.
    static constexpr int kMaxLineBytes = 16 * 1024;

    /// The words after "ctl" on the command line: the first is the command,
    /// the others (joined by one space) its argument.
    static ControlCommand fromWords(const QStringList &words);
    /// A line as read from the socket, without its line end.
    static ControlCommand fromLine(const QString &line);
    /// The line that carries this command (without line end).
    QString toLine() const;
    bool isValid() const { return kind != Kind::Invalid; }
};

/**
 * @brief The server's answer to one command: an exit status and one line of
 * text. On the socket it is the status, a space and the text.
 */
struct ControlReply {
    /// 0 done, 1 could not be done, 2 a malformed command.
    int status = 0;
    QString text;

    static ControlReply ok(const QString &text) { return {0, text}; }
    static ControlReply failed(const QString &text) { return {1, text}; }
    static ControlReply usage(const QString &text) { return {2, text}; }

    QString toLine() const;
    /// Reads a reply line; false when the line is not one.
    static bool fromLine(const QString &line, ControlReply *reply);
};

} // namespace server
