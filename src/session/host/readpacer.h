#pragma once

#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

namespace session
{

/**
 * @brief Takes turns among the connections that have input waiting, one
 * bounded slice each, so that one busy sender cannot hold the event loop.
 *
 * A connection with input is woken; the pacer serves the woken connections
 * in the order they woke, one slice at a time, and puts a connection that
 * still has input at the back of the line. A round stops after its time
 * budget and the rest waits for the next round, which a zero timer starts
 * once the event loop has dealt with everything else (new connections,
 * writes, a request to end). Connections are numbered from 1.
 */
class ReadPacer : public QObject
{
public:
    /// Reads and acts on one slice of connection @p index; true when more waits.
    using Serve = std::function<bool(qint16 index)>;
    static constexpr int kDefaultRoundBudgetMs = 10;

    explicit ReadPacer(Serve serve, QObject *parent = nullptr);

    /// Connection @p index has input: it gets a turn in the next round.
    void wake(qint16 index);
    /// Connections waiting for a turn.
    qsizetype waiting() const { return qsizetype(m_line.size()); }
    void setRoundBudgetMs(int ms) { m_budgetMs = qMax(0, ms); }

private:
    void round();

    Serve m_serve;
    std::deque<qint16> m_line;
    std::vector<bool> m_inLine; ///< connection i at i - 1
    QTimer m_timer;
    int m_budgetMs = kDefaultRoundBudgetMs;
};

} // namespace session
