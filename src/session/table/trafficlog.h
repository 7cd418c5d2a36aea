#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QString>

#include <climits>
#include <deque>
#include <memory>

class QTimer;

namespace session
{

/**
 * @brief One traffic log ("Messaggi inviati:" or "Messaggi ricevuti:").
 *
 * Entries are appended in order and kept up to a bound in entries
 * (kDefaultBound) and one in bytes of text (kDefaultByteBound); past either
 * the oldest entries go. A host relaying to many clients logs every copy it
 * sends, and a log nobody can read to the end is no reason to run the
 * machine out of memory. Below the bounds nothing is ever dropped, and what
 * is kept keeps its order and its texts.
 *
 * One message sent to many connections is kept once with the list of its
 * connections, and the lines of a board replay are kept as the very bytes
 * that went out (shared with the host's board history): each still reads as
 * one entry per connection and per line.
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
    /// Entries a log keeps before it drops its oldest (a message sent to
    /// many counts one per connection, as it shows). Each entry costs about
    /// 90 bytes beyond its text, so this bound is what keeps a log of short
    /// messages small: some 6 MB of a host's memory at most.
    static constexpr qsizetype kDefaultBound = 50000;
    /// Bytes of text a log keeps before it drops its oldest entries (the
    /// text of a message sent to many counts once): with the entry bound,
    /// at most about 9 MB a log, whatever the traffic.
    static constexpr qint64 kDefaultByteBound = 4LL * 1024 * 1024;

    explicit TrafficLog(QObject *parent = nullptr, qsizetype bound = kDefaultBound,
                        qint64 byteBound = kDefaultByteBound);

    /// Appends one entry, as given, as the last row.
    void append(const QString &entry);
    /**
     * @brief Appends the entry of a message that went out on or came in from
     * a connection: "sckConnect: " + message for kHostIndex, "sckConnection(i): " +
     * message otherwise. The message text is kept as given, so one message
     * sent to fifty clients is stored once, not fifty times.
     */
    void appendTraffic(qint32 connection, const QString &message);
    /// appendTraffic() for each of @p connections in turn, with the message
    /// kept once.
    void appendTraffic(const QList<qint16> &connections, const QString &message);
    /**
     * @brief Appends one entry of @p connection per line of @p lines, the
     * wire bytes of whole lines (each ending in CR LF) as they went out.
     * The bytes are kept as they are, shared, and read back as text.
     */
    void appendWire(qint32 connection, const QByteArray &lines);

    /// Entries kept, at most bound().
    qsizetype size() const { return qsizetype(m_end - m_dropped); }
    qsizetype bound() const { return m_bound; }
    /// Changes the bound (at least 1), dropping the oldest entries past it:
    /// a program nobody watches keeps only the last few, for a diagnosis.
    void setBound(qsizetype bound);
    /// Bytes of text kept, within byteBound() (the newest entry is kept
    /// whatever its size).
    qint64 bytes() const { return m_bytes; }
    qint64 byteBound() const { return m_byteBound; }
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
    /// Rows that share one text. The text is in Latin-1 when every
    /// character is, which halves a chat line, or else its UTF-16 as it is,
    /// or wire lines (one row each). Origin is a connection number, or
    /// kPlain for an entry appended as whole text; a message sent to several
    /// connections has one row per connection, listed in many.
    struct Entry {
        enum Kind : quint8 { Latin1, Utf16, Wire };
        QByteArray text;
        qint64 first = 0; ///< the number of its first row
        qint32 origin = 0;
        qint32 rows = 1;
        Kind kind = Latin1;
        std::unique_ptr<qint16[]> many;
    };
    static constexpr qint32 kPlain = INT_MIN;
    /// The entry for @p text, sharing the bytes kept for the previous append
    /// when the text is the same: a message sent to many clients is still
    /// stored once.
    Entry stored(const QString &text, qint32 origin);
    void push(Entry entry);
    /// Drops the oldest entries (or rows) past either bound.
    void trim();
    /// The text of row @p k of wire entry @p entry.
    QString wireLine(const Entry &entry, qint32 k) const;

    std::deque<Entry> m_entries;
    QString m_last;
    QByteArray m_lastStored;
    bool m_lastLatin1 = true;
    qsizetype m_bound;
    qint64 m_byteBound;
    qint64 m_bytes = 0;
    qint64 m_end = 0;     ///< the number the next row will have
    qint64 m_dropped = 0; ///< rows dropped: the number of the first row kept
    /// Where the last wire line read was, so views reading rows in turn do
    /// not scan a block from its start for each.
    mutable struct {
        qint64 first = -1;
        qint32 k = 0;
        qsizetype pos = 0;
    } m_wireAt;
    /// The entries views know of as rows, by number (m_viewFirst is row 0);
    /// they may still hold numbers dropped since the last announcement.
    qint64 m_viewFirst = 0;
    qint64 m_viewEnd = 0;
    bool m_viewsShown = true;
    QTimer *m_notify;
};

} // namespace session
