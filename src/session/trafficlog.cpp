#include "trafficlog.h"

#include <QTimer>

#include <climits>

namespace session
{

TrafficLog::TrafficLog(QObject *parent) : QAbstractListModel(parent) {}

void TrafficLog::append(const QString &entry)
{
    m_entries.push_back(entry);
    if (!m_flushQueued) {
        m_flushQueued = true;
        QTimer::singleShot(0, this, &TrafficLog::flushNotifications);
    }
}

QString TrafficLog::last() const
{
    return m_entries.empty() ? QString() : m_entries.back();
}

void TrafficLog::flushNotifications()
{
    m_flushQueued = false;
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
        return m_entries[size_t(index.row())];
    return {};
}

} // namespace session
