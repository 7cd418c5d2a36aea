#pragma once

#include <QAbstractListModel>
#include <QString>

#include <vector>

namespace session {

/**
 * @brief One traffic log ("Messaggi inviati:" or "Messaggi ricevuti:").
 *
 * Append-only and never trimmed for the life of the window, so it is a model
 * a list view shows lazily: appending stays cheap at a million entries.
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

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

signals:
    /// A view scrolls so that this newest row is the first one visible.
    void entryAppended(int row);

private:
    std::vector<QString> m_entries;
};

} // namespace session
