#include "trafficlog.h"

#include <QTimer>

#include <algorithm>

namespace session
{

TrafficLog::TrafficLog(QObject *parent, qsizetype bound)
    : QAbstractListModel(parent), m_bound(qBound<qsizetype>(1, bound, qsizetype(INT_MAX))),
      m_notify(new QTimer(this))
{
    m_notify->setSingleShot(true);
    m_notify->setInterval(kNotifyIntervalMs);
    connect(m_notify, &QTimer::timeout, this, &TrafficLog::flushNotifications);
}

void TrafficLog::setBound(qsizetype bound)
{
    m_bound = qBound<qsizetype>(1, bound, qsizetype(INT_MAX));
    while (qsizetype(m_entries.size()) > m_bound) {
        m_entries.pop_front();
        ++m_dropped;
    }
    if (m_viewsShown && !m_notify->isActive())
        m_notify->start();
}

void TrafficLog::push(Entry entry)
{
    m_entries.push_back(std::move(entry));
    if (qsizetype(m_entries.size()) > m_bound) {
        m_entries.pop_front();
        ++m_dropped;
    }
    if (m_viewsShown && !m_notify->isActive())
        m_notify->start();
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
    return {m_lastStored, origin, m_lastLatin1};
}

void TrafficLog::append(const QString &entry)
{
    push(stored(entry, kPlain));
}

void TrafficLog::appendTraffic(qint32 connection, const QString &message)
{
    push(stored(message, connection));
}

QString TrafficLog::at(qsizetype row) const
{
    const Entry &entry = m_entries[size_t(row)];
    const QString text =
        entry.latin1 ? QString::fromLatin1(entry.text)
                     : QString(reinterpret_cast<const QChar *>(entry.text.constData()),
                               entry.text.size() / qsizetype(sizeof(char16_t)));
    if (entry.origin == kPlain)
        return text;
    if (entry.origin == -1)
        return QStringLiteral("sckConnect: ") + text;
    return QStringLiteral("sckConnection(") + QString::number(entry.origin) +
           QStringLiteral("): ") + text;
}

QString TrafficLog::last() const
{
    return m_entries.empty() ? QString() : at(size() - 1);
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
