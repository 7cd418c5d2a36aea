#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QString>

#include <climits>
#include <deque>

class QTimer;

namespace session
{

/**
 * @brief One traffic log ("Messaggi inviati:" or "Messaggi ricevuti:").
 *
 * Entries are appended in order and kept up to a bound (kDefaultBound);
 * past it the oldest entry goes for each new one. A host relaying to many
 * clients logs every copy it sends, and a log nobody can read to the end is
 * no reason to run the machine out of memory. Below the bound nothing is
 * ever dropped, and what is kept keeps its order and its texts.
 *
 * size() and at() follow every append at once; at(0) is the oldest entry
 * kept. Views are told about new rows in batches, at most once per
 * kNotifyIntervalMs: a list view lays its whole list out again for every
 * rowsInserted, which costs far more than the append, so one notification
 * per entry, or even per socket read, would let the log view eat the time
 * meant for the traffic. While no view is shown (setViewsShown(false)) views
 * are told nothing at all, and showing them brings them up to date in one
 * step. rowCount() is the number of rows views know of.
 */
class TrafficLog : public QAbstractListModel
{
    Q_OBJECT
public:
    /// Longest delay before views hear of a new entry.
    static constexpr int kNotifyIntervalMs = 30;
    /// Entries a log keeps before it drops its oldest.
    static constexpr qsizetype kDefaultBound = 200000;

    explicit TrafficLog(QObject *parent = nullptr, qsizetype bound = kDefaultBound);

    /// Appends one entry, as given, as the last row.
    void append(const QString &entry);
    /**
     * @brief Appends the entry of a message that went out on or came in from
     * a connection: "sckConnect: " + message for -1, "sckConnection(i): " +
     * message otherwise. The message text is kept as given, so one message
     * sent to fifty clients is stored once, not fifty times.
     */
    void appendTraffic(qint32 connection, const QString &message);

    /// Entries kept, at most bound().
    qsizetype size() const { return qsizetype(m_entries.size()); }
    qsizetype bound() const { return m_bound; }
    /// Changes the bound (at least 1), dropping the oldest entries past it:
    /// a program nobody watches keeps only the last few, for a diagnosis.
    void setBound(qsizetype bound);
    /// Entries dropped so far to stay within the bound.
    qint64 dropped() const { return m_dropped; }
    /// The text of kept entry @p row (0 is the oldest kept), as a view shows it.
    QString at(qsizetype row) const;
    /// The newest entry, or an empty text.
    QString last() const;

    /// Announces the pending changes to views now instead of when the
    /// notification interval ends (nothing while views are not shown).
    void flushNotifications();
    /// Whether the views on this log are on the screen. Hidden views are
    /// told nothing, so a hidden log costs nothing beyond its append.
    void setViewsShown(bool shown);
    bool viewsShown() const { return m_viewsShown; }

    int rowCount(const QModelIndex &parent = {}) const override;
    /// A list view asks for the index of every row each time it lays its
    /// list out: this answers without the three virtual calls of the
    /// general check.
    QModelIndex index(int row, int column = 0, const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

signals:
    /// A view scrolls so that this newest row is the first one visible.
    /// Emitted once per batch of announced rows, with the newest row.
    void entryAppended(int row);

private:
    /// The text in Latin-1 when every character is, which halves a chat
    /// line, or else its UTF-16 as it is; origin is a connection number, or
    /// kPlain for an entry appended as whole text.
    struct Entry {
        QByteArray text;
        qint32 origin;
        bool latin1;
    };
    static constexpr qint32 kPlain = INT_MIN;
    /// The entry for @p text, sharing the bytes kept for the previous append
    /// when the text is the same: a message sent to many clients is still
    /// stored once.
    Entry stored(const QString &text, qint32 origin);
    void push(Entry entry);

    std::deque<Entry> m_entries;
    QString m_last;
    QByteArray m_lastStored;
    bool m_lastLatin1 = true;
    qsizetype m_bound;
    qint64 m_dropped = 0; ///< entries dropped: the number of m_entries.front()
    /// The entries views know of as rows, by number (m_viewFirst is row 0);
    /// they may still hold numbers dropped since the last announcement.
    qint64 m_viewFirst = 0;
    qint64 m_viewEnd = 0;
    bool m_viewsShown = true;
    QTimer *m_notify;
};

} // namespace session
