#include "outbox.h"

#include <algorithm>

namespace session
{

Outbox::Outbox(qsizetype drawingBudget) : m_budget(drawingBudget) {}

quint64 Outbox::add(Kind kind, const QString &message, const QString &typed, qint64 position)
{
    if (kind == Kind::Drawing) {
        if (m_drawingBytes + message.size() > m_budget)
            return 0;
        m_drawingBytes += message.size();
    }
    Item item;
    item.id = m_nextId++;
    item.kind = kind;
    item.message = message;
    item.typed = typed;
    item.position = position;
    item.late = position == 0;
    m_items.push_back(std::move(item));
    return m_items.back().id;
}

void Outbox::forget(const Item &item)
{
    if (item.kind == Kind::Drawing)
        m_drawingBytes -= item.message.size();
}

quint64 Outbox::written(Kind kind, const QString &message, const QString &typed, qint64 position)
{
    return add(kind, message, typed, qMax<qint64>(1, position));
}

quint64 Outbox::hold(Kind kind, const QString &message, const QString &typed)
{
    return add(kind, message, typed, 0);
}

void Outbox::markWritten(quint64 id, qint64 position)
{
    for (Item &item : m_items) {
        if (item.id == id) {
            item.position = qMax<qint64>(1, position);
            return;
        }
    }
}

std::vector<Outbox::Item> Outbox::confirm(qint64 count)
{
    // Written in order, so the confirmed ones are at the front; a held item
    // (position 0) stops the scan, as everything behind it went out later.
    std::vector<Item> done;
    while (!m_items.empty() && m_items.front().position > 0 && m_items.front().position <= count) {
        forget(m_items.front());
        done.push_back(std::move(m_items.front()));
        m_items.pop_front();
    }
    return done;
}

Outbox::Lost Outbox::connectionLost()
{
    Lost lost;
    std::deque<Item> kept;
    for (Item &item : m_items) {
        if (item.kind == Kind::PrivateLine) {
            forget(item);
            lost.privateLines.push_back(std::move(item));
            continue;
        }
        if (item.position > 0) {
            item.late = true;
            item.position = 0;
            lost.unconfirmed.push_back(item);
        }
        kept.push_back(std::move(item));
    }
    m_items = std::move(kept);
    return lost;
}

std::vector<Outbox::Item> Outbox::held() const
{
    std::vector<Item> waiting;
    for (const Item &item : m_items) {
        if (item.position == 0)
            waiting.push_back(item);
    }
    return waiting;
}

std::vector<Outbox::Item> Outbox::takeAll()
{
    std::vector<Item> all(std::make_move_iterator(m_items.begin()),
                          std::make_move_iterator(m_items.end()));
    m_items.clear();
    m_drawingBytes = 0;
    return all;
}

std::vector<Outbox::Item> Outbox::dropHeldDrawings()
{
    std::vector<Item> dropped;
    std::deque<Item> kept;
    for (Item &item : m_items) {
        if (item.kind == Kind::Drawing && item.position == 0) {
            forget(item);
            dropped.push_back(std::move(item));
        } else {
            kept.push_back(std::move(item));
        }
    }
    m_items = std::move(kept);
    return dropped;
}

} // namespace session
