#include "arrivalorder.h"

namespace board
{

quint64 ArrivalOrder::reserve()
{
    m_waiting.push_back({++m_nextTicket, {}});
    return m_nextTicket;
}

void ArrivalOrder::fulfil(quint64 ticket, std::function<void()> apply)
{
    for (Entry &e : m_waiting) {
        if (e.ticket == ticket && !e.apply) {
            e.apply = std::move(apply);
            drain();
            return;
        }
    }
}

void ArrivalOrder::enqueue(std::function<void()> apply)
{
    if (m_waiting.empty() && !m_draining) {
        apply();
        return;
    }
    m_waiting.push_back({0, std::move(apply)});
}

void ArrivalOrder::drain()
{
    // What runs may enqueue more; it waits its turn behind the rest.
    if (m_draining)
        return;
    m_draining = true;
    while (!m_waiting.empty() && m_waiting.front().apply) {
        const std::function<void()> apply = std::move(m_waiting.front().apply);
        m_waiting.pop_front();
        apply();
    }
    m_draining = false;
}

void ArrivalOrder::clearBoard()
{
    m_waiting.clear();
    m_board->clearBoard();
}

void ArrivalOrder::receiveLine(const session::DrawFields &fields)
{
    enqueue([this, fields] { m_board->receiveLine(fields); });
}

void ArrivalOrder::receiveCircle(const session::DrawFields &fields)
{
    enqueue([this, fields] { m_board->receiveCircle(fields); });
}

void ArrivalOrder::receiveFill(float x, float y, qint32 colour)
{
    enqueue([this, x, y, colour] { m_board->receiveFill(x, y, colour); });
}

void ArrivalOrder::receiveText(const session::TextSet &text, qint16 paletteIndex, qint16 unit)
{
    enqueue([this, text, paletteIndex, unit] { m_board->receiveText(text, paletteIndex, unit); });
}

} // namespace board
