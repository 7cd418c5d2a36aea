#include "readpacer.h"

#include <QElapsedTimer>

namespace session
{

ReadPacer::ReadPacer(Serve serve, QObject *parent) : QObject(parent), m_serve(std::move(serve))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, [this] { round(); });
}

void ReadPacer::wake(qint16 index)
{
    if (index < 1)
        return;
    const size_t slot = size_t(index - 1);
    if (slot >= m_inLine.size())
        m_inLine.resize(slot + 1, false);
    if (!m_inLine[slot]) {
        m_inLine[slot] = true;
        m_line.push_back(index);
    }
    if (!m_timer.isActive())
        m_timer.start();
}

void ReadPacer::round()
{
    QElapsedTimer clock;
    clock.start();
    // Only those in line when the round starts: one woken meanwhile waits
    // for the next round, as does one that still has input.
    for (size_t turns = m_line.size(); turns > 0 && !m_line.empty(); --turns) {
        const qint16 index = m_line.front();
        m_line.pop_front();
        m_inLine[size_t(index - 1)] = false;
        if (m_serve(index))
            wake(index);
        if (clock.elapsed() >= m_budgetMs)
            break;
    }
    if (!m_line.empty() && !m_timer.isActive())
        m_timer.start();
}

} // namespace session
