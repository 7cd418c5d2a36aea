#pragma once

#include "sinks.h"

#include <QtGlobal>

#include <deque>
#include <functional>

namespace board
{

/**
 * @brief Puts what arrives for the board on it in the order it arrived,
 * though a shared picture takes a while to decode aside.
 *
 * A picture covers what was drawn before it and lies under what is drawn
 * after it. Drawings that arrive while a picture is being decoded wait here
 * and follow it once it is shown (or refused), so every board, a newcomer's
 * included, ends with the same pixels as the sharer's. A clear forgets what
 * waits: it would wipe it all the same.
 */
class ArrivalOrder : public session::BoardSink
{
public:
    /// Passes drawings on to @p board.
    explicit ArrivalOrder(session::BoardSink *board) : m_board(board) {}

    /// A place in the order for something ready later (a picture being decoded).
    quint64 reserve();
    /// What @p ticket was reserved for is ready: it runs at its place. A
    /// ticket forgotten by a clear does nothing.
    void fulfil(quint64 ticket, std::function<void()> apply);
    /// Runs @p apply now, or after what waits before it.
    void enqueue(std::function<void()> apply);
    /// Whether anything is waiting.
    bool isHolding() const { return !m_waiting.empty(); }

    // session::BoardSink
    void clearBoard() override;
    void receiveLine(const session::DrawFields &fields) override;
    void receiveCircle(const session::DrawFields &fields) override;
    void receiveFill(float x, float y, qint32 colour) override;
    void receiveText(const session::TextSet &text, qint16 paletteIndex, qint16 unit) override;

private:
    struct Entry {
        quint64 ticket = 0; ///< 0: ready from the start
        std::function<void()> apply;
    };
    void drain();

    session::BoardSink *m_board;
    std::deque<Entry> m_waiting;
    quint64 m_nextTicket = 0;
    bool m_draining = false;
};

} // namespace board
