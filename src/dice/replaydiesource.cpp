#include "replaydiesource.h"

namespace dice
{

std::optional<int> ReplayDieSource::draw(int faces)
{
    if (m_next >= m_draws.size())
        return std::nullopt;
    const int v = m_draws[m_next];
    if (v < 1 || v > faces)
        return std::nullopt;
    ++m_next;
    return v;
}

} // namespace dice
