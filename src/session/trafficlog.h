#pragma once

#include <QAbstractListModel>
#include <QString>

#include <climits>
#include <vector>

class QTimer;

namespace session
{

/**
 * @brief One traffic log ("Messaggi inviati:" or "Messaggi ricevuti:").
 *
 * Append-only and never trimmed for the life of the window, so it is a model
 * a list view shows lazily: appending stays cheap at a million entries.
 *
 * size() and at() follow every append at once. Views are told about new rows
 * in batches, at most once per kNotifyIntervalMs: a shown list view repaints
 * and scrolls for every rowsInserted, which costs far more than the append
 * (about 0.7 ms against well under a microsecond), so one notification per
 * entry, or even per socket read, would let the log view eat the time meant
 * for the traffic. rowCount() is the number of rows announced so far.
 */
class TrafficLog : public QAbstractListModel
{
    Q_OBJECT
public:
    /// Longest delay before views hear of a new entry.
    static constexpr int kNotifyIntervalMs = 30;

    explicit TrafficLog(QObject *parent = nullptr);

    /// Appends one entry, as given, as the last row.
    void append(const QString &entry);
    /**
     * @brief Appends the entry of a message that went out on or came in from
     * a connection: "sckConnect: " + message for -1, "sckConnection(i): " +
     * message otherwise. The message text is kept as given, so one message
     * sent to fifty clients is stored once, not fifty times.
     */
    void appendTraffic(qint32 connection, const QString &message);

    qsizetype size() const { return qsizetype(m_entries.size()); }
    /// The entry's text, as a view shows it.
    QString at(qsizetype row) const;
    /// The newest entry, or an empty text.
    QString last() const;

    /// Announces the pending rows to views now instead of when the
    /// notification interval ends.
    void flushNotifications();

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

signals:
    /// A view scrolls so that this newest row is the first one visible.
    /// Emitted once per batch of announced rows, with the newest row.
    void entryAppended(int row);

private:
    /// A connection number, or kPlain for an entry appended as whole text.
    struct Entry {
        QString text;
        qint32 origin;
    };
    static constexpr qint32 kPlain = INT_MIN;
    std::vector<Entry> m_entries;
    qsizetype m_announced = 0; ///< rows views know about
    QTimer *m_notify;
};

} // namespace session
