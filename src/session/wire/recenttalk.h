#pragma once

#include <QString>
#include <QStringList>

#include <deque>

namespace session
{

/**
 * @brief The last public conversation lines of a hosted session, each with
 * the time it was said, so that a participant who joins late (or comes
 * back) can be shown what was just said.
 *
 * Only lines the host sends to everyone are kept: never a private line,
 * never the detail of a roll meant for a few.
 */
class RecentTalk
{
public:
    static constexpr int kDefaultCapacity = 100;

    struct Said {
        QString line;
        qint64 secs = 0; ///< when it was said, seconds since 1970 UTC
    };

    explicit RecentTalk(int capacity = kDefaultCapacity) : m_capacity(qMax(0, capacity)) {}

    /// Keeps @p line, said at @p secs; the oldest line goes past the capacity.
    void add(const QString &line, qint64 secs);
    void clear() { m_lines.clear(); }

    const std::deque<Said> &lines() const { return m_lines; }
    int capacity() const { return m_capacity; }

    /// The messages a newcomer is sent, oldest first: "[Riepilogo]", the
    /// time as a number field, the line.
    QStringList messages() const;
    /// The time and line of a "[Riepilogo]" message's parameter text;
    /// nothing when the time field is not a number.
    static bool parse(const QString &params, Said *said);

private:
    int m_capacity;
    std::deque<Said> m_lines;
};

} // namespace session
