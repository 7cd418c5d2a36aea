#pragma once

#include "magnifier.h"

#include <QRect>
#include <QString>
#include <QStringList>

namespace accessories
{

/// Where an accessory's window was and whether it was kept on top.
struct WindowPlace {
    QRect geometry; ///< invalid when not kept
    bool onTop = false;
};

/// What the music player keeps between evenings.
struct PlayerSettings {
    int volume = -1; ///< 0 to 100; -1 when not kept (the player's default then)
    bool muted = false;
    bool repeat = false;
    QStringList playList;
    int current = -1;
    QString folder; ///< where the file dialog opens
};

/**
 * @brief The accessories' part of the preferences file: a section each,
 * "Calcolatrice", "Lente" and "Lettore", beside the main window's.
 *
 * Values that are missing, not numbers or out of range read as the
 * defaults, so a hand-edited file cannot keep a window off the screen or
 * the magnifier from working.
 */
class AccessorySettings
{
public:
    static constexpr const char *kCalculator = "Calcolatrice";
    static constexpr const char *kMagnifier = "Lente";
    static constexpr const char *kPlayer = "Lettore";
    /// More files than any evening's music: a longer list in the file is cut.
    static constexpr int kMaxPlayList = 5000;

    explicit AccessorySettings(QString iniPath);

    WindowPlace window(const char *section) const;
    void setWindow(const char *section, const WindowPlace &place);

    ZoomSettings zoom() const;
    void setZoom(const ZoomSettings &zoom);
    /// Whether the user was told once that only the program's own windows
    /// can be magnified here.
    bool screenNoticeShown() const;
    void setScreenNoticeShown(bool shown);

    PlayerSettings player() const;
    void setPlayer(const PlayerSettings &player);

private:
    QString m_path;
};

} // namespace accessories
