#pragma once

#include <QString>

#include <deque>
#include <vector>

namespace session
{

/**
 * @brief What a player said or drew for the table that the host has not
 * confirmed yet: lines written on the connection and waiting for the host's
 * count, and lines held while the link is down, to go out in order once the
 * player is seated again.
 *
 * The host counts the lines it reads from each connection and says the
 * count now and then; every item written at or before that count has
 * reached it. When the connection is lost, what it did not confirm waits
 * again, in front of what was held since, so nothing goes out twice and
 * nothing is skipped. A private line names its recipients by their places
 * at the table, which a return gives out anew, so it is never sent again:
 * it is handed back instead.
 *
 * It keeps order and counts; the session owns the socket and the pane.
 */
class Outbox
{
public:
    enum class Kind { Line, PrivateLine, Drawing };
    struct Item {
        quint64 id = 0;
        Kind kind = Kind::Line;
        QString message;   ///< as it travels: tag and text
        QString typed;     ///< what the player typed, to give back; empty for drawings
        qint64 position = 0; ///< its line number on the connection; 0 while held
        bool late = false; ///< it waited for a return before it went out
    };

    /// Bytes of drawings kept unconfirmed at most: a long evening drawn while
    /// away must not grow without bound.
    static constexpr qsizetype kDefaultDrawingBudget = 8 * 1024 * 1024;

    explicit Outbox(qsizetype drawingBudget = kDefaultDrawingBudget);

    /// @p message went out as line number @p position of the connection:
    /// kept until the host confirms it. Returns its id, 0 when a drawing no
    /// longer fits the budget (it went out, but is not kept).
    quint64 written(Kind kind, const QString &message, const QString &typed, qint64 position);
    /// The link is down: @p message waits for the return. Returns its id, 0
    /// when a drawing no longer fits the budget.
    quint64 hold(Kind kind, const QString &message, const QString &typed);
    /// Held item @p id went out as line number @p position.
    void markWritten(quint64 id, qint64 position);

    /// The host has read @p count lines of this connection: the items it
    /// confirmed leave, oldest first.
    std::vector<Item> confirm(qint64 count);
    /// What a lost connection left: the private lines it did not confirm,
    /// which leave the box, and the other items written on it, which wait
    /// again; both oldest first.
    struct Lost {
        std::vector<Item> privateLines;
        std::vector<Item> unconfirmed;
    };
    /// The connection is gone: every item but a private line waits again.
    Lost connectionLost();
    /// The items waiting for the link, oldest first (they stay until written).
    std::vector<Item> held() const;
    /// Everything still kept, oldest first; the box is empty afterwards.
    std::vector<Item> takeAll();
    /// Drops the waiting drawings (they belonged to a board that is gone).
    std::vector<Item> dropHeldDrawings();

    bool isEmpty() const { return m_items.empty(); }
    qsizetype size() const { return qsizetype(m_items.size()); }
    qsizetype drawingBytes() const { return m_drawingBytes; }

private:
    quint64 add(Kind kind, const QString &message, const QString &typed, qint64 position);
    void forget(const Item &item);

    std::deque<Item> m_items;
    qsizetype m_budget;
    qsizetype m_drawingBytes = 0;
    quint64 m_nextId = 1;
};

} // namespace session
