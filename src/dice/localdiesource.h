#pragma once

#include "diesource.h"

namespace dice
{

/**
 * @brief Throws from the system's random source, for rolls nobody can check
 * afterwards: a client at a host that does not roll for its players.
 */
class LocalDieSource : public DieSource
{
public:
    std::optional<int> draw(int faces) override;
};

} // namespace dice
