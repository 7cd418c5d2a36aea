#include "trafficlog.h"

#include "connectionindex.h"
#include "protocol.h"

#include <QTimer>

#include <algorithm>

namespace session
{

TrafficLog::TrafficLog(QObject *parent, qsizetype bound, qint64 byteBound)
    : QAbstractListModel(parent), m_bound(qBound<qsizetype>(1, bound, qsizetype(INT_MAX))),
      m_byteBound(qMax<qint64>(0, byteBound)), m_notify(new QTimer(this))
{
    m_notify->setSingleShot(true);
    m_notify->setInterval(kNotifyIntervalMs);
    connect(m_notify, &QTimer::timeout, this, &TrafficLog::flushNotifications);
}

void TrafficLog::setBound(qsizetype bound)
{
    m_bound = qBound<qsizetype>(1, bound, qsizetype(INT_MAX));
    trim();
    if (m_viewsShown && !m_notify->isActive())
        m_notify->start();
}

void TrafficLog::push(Entry entry)
{
    entry.first = m_end;
    m_end += entry.rows;
    m_bytes += entry.text.size();
    m_entries.push_back(std::move(entry));
    trim();
    if (m_viewsShown && !m_notify->isActive())
        m_notify->start();
}

void TrafficLog::trim()
{
    // Past the byte bound whole entries go, oldest first; past the entry
    // bound only as many rows as needed, so a broadcast may lose its first
    // few. The newest entry always stays.
    while (m_entries.size() > 1 && m_bytes > m_byteBound) {
        m_dropped = m_entries.front().first + m_entries.front().rows;
        m_bytes -= m_entries.front().text.size();
        m_entries.pop_front();
    }
    while (m_end - m_dropped > m_bound) {
        const Entry &front = m_entries.front();
        const qint64 frontEnd = front.first + front.rows;
        m_dropped = qMin(frontEnd, m_end - m_bound);
        if (m_dropped == frontEnd) {
            m_bytes -= front.text.size();
            m_entries.pop_front();
        }
    }
}

TrafficLog::Entry TrafficLog::stored(const QString &text, qint32 origin)
{
    // A relay logs the same message once per client in a row: the same
    // string, so comparing it costs next to nothing.
    if (!(text.isSharedWith(m_last) || text == m_last)) {
        m_last = text;
        const auto *units = reinterpret_cast<const char16_t *>(text.constData());
        const qsizetype n = text.size();
        m_lastLatin1 = std::all_of(units, units + n, [](char16_t u) { return u < 0x100; });
        // Both forms are allocated at their exact size and give back the
        // very text logged, unpaired surrogates included.
        m_lastStored = m_lastLatin1
                           ? text.toLatin1()
                           : QByteArray(reinterpret_cast<const char *>(units),
                                        n * qsizetype(sizeof(char16_t)));
    }
    Entry entry;
    entry.text = m_lastStored;
    entry.origin = origin;
    entry.kind = m_lastLatin1 ? Entry::Latin1 : Entry::Utf16;
    return entry;
}

void TrafficLog::append(const QString &entry)
{
    push(stored(entry, kPlain));
}

void TrafficLog::appendTraffic(qint32 connection, const QString &message)
{
    push(stored(message, connection));
}

void TrafficLog::appendTraffic(const QList<qint16> &connections, const QString &message)
{
    if (connections.size() <= 1) {
        for (const qint16 connection : connections)
            appendTraffic(connection, message);
        return;
    }
    Entry entry = stored(message, 0);
    entry.rows = qint32(connections.size());
    entry.many = std::make_unique<qint16[]>(size_t(connections.size()));
    std::copy(connections.cbegin(), connections.cend(), entry.many.get());
    push(std::move(entry));
}

void TrafficLog::appendWire(qint32 connection, const QByteArray &lines)
{
    const qsizetype rows = lines.count("\r\n");
    if (rows == 0)
        return;
    Entry entry;
    entry.text = lines;
    entry.origin = connection;
    entry.rows = qint32(rows);
    entry.kind = Entry::Wire;
    push(std::move(entry));
}

QString TrafficLog::wireLine(const Entry &entry, qint32 k) const
{
    qint32 at = 0;
    qsizetype pos = 0;
    if (m_wireAt.first == entry.first && m_wireAt.k <= k) {
        at = m_wireAt.k;
        pos = m_wireAt.pos;
    }
    for (; at < k; ++at)
        pos = entry.text.indexOf("\r\n", pos) + 2;
    const qsizetype end = entry.text.indexOf("\r\n", pos);
    m_wireAt = {entry.first, k, pos};
    return decodeText(QByteArrayView(entry.text).sliced(pos, end - pos));
}

QString TrafficLog::at(qsizetype row) const
{
    const qint64 number = m_dropped + row;
    // The last entry whose first row is at or before the one asked for.
    const auto it = std::upper_bound(m_entries.cbegin(), m_entries.cend(), number,
                                     [](qint64 n, const Entry &e) { return n < e.first; });
    const Entry &entry = *std::prev(it);
    const qint32 k = qint32(number - entry.first);
    QString text;
    switch (entry.kind) {
    case Entry::Latin1:
        text = QString::fromLatin1(entry.text);
        break;
    case Entry::Utf16:
        text = QString(reinterpret_cast<const QChar *>(entry.text.constData()),
                       entry.text.size() / qsizetype(sizeof(char16_t)));
        break;
    case Entry::Wire:
        text = wireLine(entry, k);
        break;
    }
    const qint32 origin = entry.many ? entry.many[size_t(k)] : entry.origin;
    if (origin == kPlain)
        return text;
    if (origin == kHostIndex)
        return QStringLiteral("sckConnect: ") + text;
    return QStringLiteral("sckConnection(") + QString::number(origin) + QStringLiteral("): ") +
           text;
}

QString TrafficLog::last() const
{
    return size() == 0 ? QString() : at(size() - 1);
}

void TrafficLog::flushNotifications()
{
    m_notify->stop();
    if (!m_viewsShown)
        return;
    // Rows of entries dropped since the views last heard go first, then the
    // new entries follow: views keep what they show in the log's order.
    if (m_viewFirst < m_dropped && m_viewEnd > m_viewFirst) {
        const qint64 gone = qMin(m_dropped, m_viewEnd) - m_viewFirst;
        beginRemoveRows(QModelIndex(), 0, int(gone - 1));
        m_viewFirst += gone;
        endRemoveRows();
    }
    if (m_viewFirst == m_viewEnd)
        m_viewFirst = m_viewEnd = qMax(m_viewEnd, m_dropped);
    const qint64 end = m_dropped + size();
    if (m_viewEnd == end)
        return;
    const int first = int(m_viewEnd - m_viewFirst);
    const int last = int(end - m_viewFirst) - 1;
    beginInsertRows(QModelIndex(), first, last);
    m_viewEnd = end;
    endInsertRows();
    emit entryAppended(last);
}

void TrafficLog::setViewsShown(bool shown)
{
    if (m_viewsShown == shown)
        return;
    m_viewsShown = shown;
    if (shown)
        flushNotifications();
    else
        m_notify->stop();
}

int TrafficLog::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(m_viewEnd - m_viewFirst);
}

QModelIndex TrafficLog::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || column != 0 || row < 0 || row >= int(m_viewEnd - m_viewFirst))
        return {};
    return createIndex(row, column);
}

QVariant TrafficLog::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() != 0)
        return {};
    // A row whose entry was dropped after the views last heard shows
    // nothing until they hear of it.
    const qint64 number = m_viewFirst + index.row();
    if (number < m_dropped)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return at(qsizetype(number - m_dropped));
    return {};
}

} // namespace session
