#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace app {

/// What the command line asks for.
struct CommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, Error, VerifyDice };
    Action action = Action::Run;
    QString helpText;  ///< for ShowHelp
    QString error;     ///< for Error, one line
    QString name;      ///< --name: typed into "Nome:"
    bool hasName = false;
    qint32 port = 0;   ///< --port, 0 when not given
    bool host = false; ///< --host: press "Host"
    QString connectTo; ///< --connect: typed into "Server:", then "Connetti"
    QString logDir;    ///< --log-dir: the conversation is kept in files there
    /// --resume / --no-resume: the answer to "Riprendi la partita …?" at "Host".
    std::optional<bool> resume;
    /// An invitation link given alone (as the desktop hands it over): fills
    /// in "Server:" and the port without connecting; checked by the window,
    /// which refuses a malformed one with a message. Also the link --connect
    /// was given, for the fingerprint and key it carries.
    QString invitation;
    bool noPortMapping = false; ///< --no-port-mapping: nothing is asked of the router this run
    QString verifyDice; ///< --verify-dice: the saved conversation or journal to check
    QString language;           ///< --lang: "it" or "en", empty when not given

    /// Parses the program's arguments (the first one is the program).
    /// Qt's own options (-platform, -style, …) are left to Qt.
    static CommandLine parse(const QStringList &arguments);
    /// @p arguments without the options the Qt application object handles.
    static QStringList withoutQtOptions(const QStringList &arguments);
};

} // namespace app
