#pragma once

#include <QObject>

namespace accessories
{

/**
 * @brief The music player's own volume: a level from 0 to 100 and a mute
 * switch, turned into the gain the player applies to its own sound.
 *
 * The system's mixer is never touched: the game master's voice chat and
 * the desktop keep their volume when the music is turned down.
 */
class clsVolume : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxLevel = 100;
    static constexpr int kDefaultLevel = 60;
    /// One press of a volume key.
    static constexpr int kStep = 5;

    explicit clsVolume(QObject *parent = nullptr);

    int level() const { return m_level; }
    bool isMuted() const { return m_muted; }
    /// The gain for the sound library: 0 when muted, else the level on a
    /// curve that sounds even (each step is about as much louder as the last).
    float gain() const;

public slots:
    /// Sets the level, kept within 0 to 100.
    void setLevel(int level);
    void setMuted(bool muted);
    void toggleMuted() { setMuted(!m_muted); }
    void stepUp() { setLevel(m_level + kStep); }
    void stepDown() { setLevel(m_level - kStep); }

signals:
    void levelChanged(int level);
    void mutedChanged(bool muted);
    /// The level or the mute switch changed.
    void gainChanged(float gain);

private:
    int m_level = kDefaultLevel;
    bool m_muted = false;
};

} // namespace accessories
