#include "clsvolume.h"

#include <QtGlobal>

namespace accessories
{

clsVolume::clsVolume(QObject *parent) : QObject(parent) {}

float clsVolume::gain() const
{
    if (m_muted)
        return 0.0f;
    // Loudness follows the gain roughly as its cube root, so a cubic curve
    // makes the slider's steps sound alike (desktop volume controls do the same).
    const float x = float(m_level) / kMaxLevel;
    return x * x * x;
}

void clsVolume::setLevel(int level)
{
    level = qBound(0, level, kMaxLevel);
    if (level == m_level)
        return;
    m_level = level;
    emit levelChanged(level);
    emit gainChanged(gain());
}

void clsVolume::setMuted(bool muted)
{
    if (muted == m_muted)
        return;
    m_muted = muted;
    emit mutedChanged(muted);
    emit gainChanged(gain());
}

} // namespace accessories
