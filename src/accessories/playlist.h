#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace accessories
{

/**
 * @brief The music player's play list: files in the order they play, the
 * one playing now, and the ones that could not be played (with why).
 *
 * Each row shows the file's name; its tool tip the whole path and, for a
 * file that failed, the reason. The row playing now is bold.
 */
class PlayList : public QAbstractListModel
{
    Q_OBJECT
public:
    /// The whole path of a row's file.
    static constexpr int PathRole = Qt::UserRole + 1;

    explicit PlayList(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    int count() const { return int(m_entries.size()); }
    QString path(int row) const;
    QStringList paths() const;
    /// Adds @p paths at the end (a file already listed is added again,
    /// since a list may well play a piece twice).
    void append(const QStringList &paths);
    void removeAt(int row);
    void clear();

    /// The row playing or about to play, -1 with none.
    int current() const { return m_current; }
    void setCurrent(int row);
    /// Marks @p row as not playable for @p reason (empty: playable again).
    void setFailure(int row, const QString &reason);
    QString failure(int row) const;

signals:
    void currentChanged(int row);

private:
    struct Entry {
        QString path;
        QString failure;
    };
    void rowChanged(int row);

    QList<Entry> m_entries;
    int m_current = -1;
};

} // namespace accessories
