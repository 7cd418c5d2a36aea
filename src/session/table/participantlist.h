#pragma once

#include <QAbstractListModel>

#include <functional>
#include <QString>
#include <QStringList>

#include <vector>

class QItemSelectionModel;

namespace session
{

/**
 * @brief The participant list ("Personaggi:"): a name per entry and a tag,
 * the participant's connection index on the host (kHostIndex for the host
 * itself, kListenerIndex for an entry not yet tagged). Entries keep the order in which they were
 * added; operations find them by tag. Several entries may be selected at
 * once: the selection chooses private recipients and participants to expel.
 */
class ParticipantList : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        TagRole = Qt::UserRole + 1,
        /// True for a participant whose connection to us is not encrypted.
        PlainRole,
    };
    /// Tells which connection indices speak plain text (none without it).
    void setPlainTest(std::function<bool(qint32 tag)> test) { m_plain = std::move(test); }

    explicit ParticipantList(QObject *parent = nullptr);

    /// Adds an entry named @p vsName with tag @p viConnection at the end.
    void AddName(qint32 viConnection, const QString &vsName);
    /// Renames the entry tagged @p viConnection, or adds one when there is none.
    void ChangeAddName(qint32 viConnection, const QString &vsName);
    /// Removes the first entry tagged @p viConnection, if any.
    void RemoveName(qint32 viConnection);
    /// The name of the first entry tagged @p viConnection, or an empty text.
    QString sConnectionName(qint32 viConnection) const;

    int count() const { return int(m_entries.size()); }
    /// Name and tag of entry @p row; empty and 0 outside the list.
    QString nameAt(int row) const;
    qint32 tagAt(int row) const;
    /// Every name, in list order.
    QStringList names() const;
    /// True when an entry is named exactly @p name (letter case counts).
    bool containsName(const QString &name) const;
    void removeAt(int row);
    /// Empties the list and forgets the selection (a session starts or ends).
    void clear();
    /**
     * @brief Empties the list ahead of the host's fresh copy of it: the
     * names selected now are selected again as entries of the same names
     * come back, so a list refresh does not lose the private recipients.
     */
    void clearForRefresh();

    /// The selection shared with the list view.
    QItemSelectionModel *selectionModel() const { return m_selection; }
    bool isSelected(int row) const;
    void setSelected(int row, bool selected);
    void deselectAll();

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Entry {
        QString name;
        qint32 tag;
    };
    std::vector<Entry> m_entries;
    QItemSelectionModel *m_selection;
    /// Names selected before the last refresh that have not come back yet.
    QStringList m_reselect;
    std::function<bool(qint32)> m_plain;
};

} // namespace session
