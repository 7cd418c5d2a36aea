#pragma once

#include <QAbstractListModel>
#include <QString>

#include <vector>

namespace session
{

/**
 * @brief One traffic log ("Messaggi inviati:" or "Messaggi ricevuti:").
 *
 * Append-only and never trimmed for the life of the window, so it is a model
 * a list view shows lazily: appending stays cheap at a million entries.
 *
 * size() and at() follow every append at once. Views are told about new rows
 * in batches: the appends of one pass of the event loop become a single
 * rowsInserted, because a view that lays itself out again for each of
 * 200,000 single-row insertions spends its time there instead of on the
 * traffic. rowCount() is the number of rows announced so far.
 */
class TrafficLog : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit TrafficLog(QObject *parent = nullptr);

    /// Appends one entry as the last row and emits entryAppended.
    void append(const QString &entry);

    qsizetype size() const { return qsizetype(m_entries.size()); }
    const QString &at(qsizetype row) const { return m_entries[size_t(row)]; }
    /// The newest entry, or an empty text.
    QString last() const;

    /// Announces the pending rows to views now instead of on the next pass of
    /// the event loop.
    void flushNotifications();

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

signals:
    /// A view scrolls so that this newest row is the first one visible.
    /// Emitted once per batch of announced rows, with the newest row.
    void entryAppended(int row);

private:
    std::vector<QString> m_entries;
    qsizetype m_announced = 0; ///< rows views know about
    bool m_flushQueued = false;
};

} // namespace session
