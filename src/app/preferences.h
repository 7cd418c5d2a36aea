#pragma once

#include "access.h"

#include <QRect>
#include <QString>

namespace app {

/// The settings that outlive a run of the program.
struct Preferences {
    static constexpr qint32 kDefaultPort = 600;
    qint32 port = kDefaultPort; ///< "Port": the chat session's TCP port
    int tutorial = 1;           ///< "Tutorial": 1 when the events panel opens at start
    QString name;               ///< "Name": the name last typed into "Nome:"
    QString server;             ///< "Server": the address last typed into "Server:"
    /// "WindowLeft", "WindowTop", "WindowWidth", "WindowHeight": where the
    /// main window's content was and its size when not maximised, in
    /// pixels; invalid when not kept (or not usable).
    QRect window;
    /// "Preset": the size preset the window had (0 to 3, 1 maximised), -1 none.
    int preset = -1;
    bool timeStamps = false; ///< "Ora": the conversation's time stamps on
    bool colours = false;    ///< "Colori": the conversation's colours on
    QString logDir;          ///< "LogDir": the folder the conversation is kept in

    /// "PortMapping": 1 when the router is asked to open the ports (UPnP, NAT-PMP)
    bool portMapping = true;
    /// "Accesso": who may sit at a table this window hosts ("anyone",
    /// "invited", "lan-open"); lan-open when absent or unknown
    secure::Access access = secure::kDefaultAccess;
    double boardZoom = 1.0;     ///< "BoardZoom": how large the board was shown (1 = 100 %)
    bool boardZoomFit = false;  ///< "BoardZoomFit": 1 when the whole board was kept in view
    /// "Language": "it" or "en" for the window whatever the desktop's
    /// language, empty to follow the desktop
    QString language;
};

/**
 * @brief Reads and writes "tavernix.ini", section "Vellumara", keys "Port",
 * "Tutorial", "Name" and "Server", and what the window keeps between
 * evenings: "WindowLeft", "WindowTop", "WindowWidth", "WindowHeight",
 * "Preset", "Ora", "Colori" and "LogDir", "PortMapping", "BoardZoom",
 * "BoardZoomFit" and "Language". A missing file or key gives the defaults; a value that is
 * not a usable number gives the default too, so a hand-edited file cannot
 * stop the program from starting.
 */
class PreferencesStore
{
public:
    /// @p filePath defaults to defaultPath().
    explicit PreferencesStore(QString filePath = QString());

    /// "tavernix.ini" in the user's configuration folder ($XDG_CONFIG_HOME, ~/.config).
    static QString defaultPath();
    QString filePath() const { return m_path; }

    Preferences GetPreferences() const;
    /// Returns false when the file could not be written.
    bool WritePreferences(const Preferences &prefs) const;

private:
    QString m_path;
};

} // namespace app
