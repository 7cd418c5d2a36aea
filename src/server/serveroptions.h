#pragma once

#include "access.h"

#include <QString>
#include <QStringList>

namespace server
{

/**
 * @brief What `tavernix-server` was asked for on its command line: run the
 * server, or send one administration command to the running one.
 */
struct ServerOptions {
    enum class Action { Run, Control, ShowHelp, ShowVersion, Error };
    Action action = Action::Run;
    QString helpText;
    QString error;

    /// The port players connect to; the window's default.
    static constexpr quint16 kDefaultPort = 600;
    static inline const QString kDefaultName = QStringLiteral("Locanda");

    quint16 port = kDefaultPort;
    QString name = kDefaultName;  ///< the server's own participant
    QString stateDir;             ///< never empty once parsed
    bool resume = false;          ///< start from the session kept on disk
    bool portMapping = true;      ///< ask the router to forward the port
    secure::Access access = secure::kDefaultAccess; ///< who may sit down
    QStringList controlWords;     ///< for Control: the command and its argument

    /**
     * @brief Parses the arguments (the first is the program). The state
     * folder is --state-dir, else the first of $STATE_DIRECTORY, else
     * $XDG_STATE_HOME/tavernix-server (~/.local/state/tavernix-server);
     * @p environment stands in for the process environment in tests.
     */
    static ServerOptions parse(const QStringList &arguments);
    static ServerOptions parse(const QStringList &arguments, const QStringList &environment);
};

} // namespace server
