#include "trafficlog.h"

#include <QTimer>


namespace session
{

TrafficLog::TrafficLog(QObject *parent) : QAbstractListModel(parent), m_notify(new QTimer(this))
{
    m_notify->setSingleShot(true);
    m_notify->setInterval(kNotifyIntervalMs);
    connect(m_notify, &QTimer::timeout, this, &TrafficLog::flushNotifications);
}

void TrafficLog::append(const QString &entry)
{
    m_entries.push_back({entry, kPlain});
    if (!m_notify->isActive())
        m_notify->start();
}

void TrafficLog::appendTraffic(qint32 connection, const QString &message)
{
    m_entries.push_back({message, connection});
    if (!m_notify->isActive())
        m_notify->start();
}

QString TrafficLog::at(qsizetype row) const
{
    const Entry &entry = m_entries[size_t(row)];
    if (entry.origin == kPlain)
        return entry.text;
    if (entry.origin == -1)
        return QStringLiteral("sckConnect: ") + entry.text;
    return QStringLiteral("sckConnection(") + QString::number(entry.origin) +
           QStringLiteral("): ") + entry.text;
}

QString TrafficLog::last() const
{
    return m_entries.empty() ? QString() : at(size() - 1);
}

void TrafficLog::flushNotifications()
{
    m_notify->stop();
    const qsizetype total = size();
    if (m_announced == total)
        return;
    // Rows beyond what an int can index are kept but never shown.
    const int first = int(qMin<qsizetype>(m_announced, INT_MAX));
    const int last = int(qMin<qsizetype>(total, INT_MAX)) - 1;
    if (last < first) {
        m_announced = total;
        return;
    }
    beginInsertRows(QModelIndex(), first, last);
    m_announced = total;
    endInsertRows();
    emit entryAppended(last);
}

int TrafficLog::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(qMin<qsizetype>(m_announced, INT_MAX));
}

QVariant TrafficLog::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() != 0)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return at(index.row());
    return {};
}

} // namespace session
