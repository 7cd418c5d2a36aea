#pragma once

#include "diesource.h"

#include <QList>

namespace dice
{

/**
 * @brief Gives back throws already made, in order: how a receiver rebuilds
 * an announced roll from its throws, and refuses throws that a die of that
 * kind could not show or that are too few or too many.
 */
class ReplayDieSource : public DieSource
{
public:
    explicit ReplayDieSource(QList<int> draws) : m_draws(std::move(draws)) {}

    std::optional<int> draw(int faces) override;
    /// True when every throw was taken.
    bool finished() const { return m_next == m_draws.size(); }

private:
    QList<int> m_draws;
    qsizetype m_next = 0;
};

} // namespace dice
