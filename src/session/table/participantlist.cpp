#include "participantlist.h"

#include "connectionindex.h"

#include <QCoreApplication>
#include <QItemSelectionModel>

namespace session
{

ParticipantList::ParticipantList(QObject *parent)
    : QAbstractListModel(parent), m_selection(new QItemSelectionModel(this, this))
{
}

void ParticipantList::AddName(qint32 viConnection, const QString &vsName)
{
    // The new entry is the only untagged one, so tagging it directly is the
    // same as tagging the first entry whose tag is 0, and it cannot mistag an
    // older entry that a peer sent us with tag 0.
    const int row = count();
    beginInsertRows(QModelIndex(), row, row);
    m_entries.push_back({vsName, viConnection});
    endInsertRows();
    if (m_reselect.removeOne(vsName))
        setSelected(row, true);
}

void ParticipantList::ChangeAddName(qint32 viConnection, const QString &vsName)
{
    for (int row = 0; row < count(); ++row) {
        if (m_entries[size_t(row)].tag == viConnection) {
            // Removed and added again: the renamed entry goes to the end,
            // still chosen if it was (it is the same participant).
            const bool selected = isSelected(row);
            removeAt(row);
            AddName(viConnection, vsName);
            if (selected)
                setSelected(count() - 1, true);
            return;
        }
    }
    AddName(viConnection, vsName);
}

void ParticipantList::RemoveName(qint32 viConnection)
{
    for (int row = 0; row < count(); ++row) {
        if (m_entries[size_t(row)].tag == viConnection) {
            removeAt(row);
            return;
        }
    }
}

QString ParticipantList::sConnectionName(qint32 viConnection) const
{
    for (const Entry &entry : m_entries) {
        if (entry.tag == viConnection)
            return entry.name;
    }
    return {};
}

QString ParticipantList::nameAt(int row) const
{
    if (row < 0 || row >= count())
        return {};
    return m_entries[size_t(row)].name;
}

qint32 ParticipantList::tagAt(int row) const
{
    if (row < 0 || row >= count())
        return kListenerIndex;
    return m_entries[size_t(row)].tag;
}

QStringList ParticipantList::names() const
{
    QStringList result;
    result.reserve(count());
    for (const Entry &entry : m_entries)
        result.append(entry.name);
    return result;
}

bool ParticipantList::containsName(const QString &name) const
{
    for (const Entry &entry : m_entries) {
        if (entry.name == name)
            return true;
    }
    return false;
}

void ParticipantList::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_entries.erase(m_entries.begin() + row);
    endRemoveRows();
}

void ParticipantList::clear()
{
    m_reselect.clear();
    if (m_entries.empty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
    m_selection->clear();
}

void ParticipantList::clearForRefresh()
{
    QStringList selected;
    for (int row = 0; row < count(); ++row) {
        if (isSelected(row))
            selected.append(m_entries[size_t(row)].name);
    }
    clear();
    // Kept until the next refresh or clearing: a name that has not come back
    // by then has left.
    m_reselect = selected;
}

bool ParticipantList::isSelected(int row) const
{
    if (row < 0 || row >= count())
        return false;
    return m_selection->isSelected(index(row));
}

void ParticipantList::setSelected(int row, bool selected)
{
    if (row < 0 || row >= count())
        return;
    m_selection->select(index(row),
                        selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void ParticipantList::deselectAll()
{
    m_reselect.clear();
    m_selection->clearSelection();
}

int ParticipantList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ParticipantList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count() || index.column() != 0)
        return {};
    const Entry &entry = m_entries[size_t(index.row())];
    if (role == Qt::DisplayRole)
        return entry.name;
    if (role == TagRole)
        return entry.tag;
    const bool plain = m_plain && m_plain(entry.tag);
    if (role == PlainRole)
        return plain;
    if (role == Qt::ToolTipRole && plain)
        return QCoreApplication::translate("session::ParticipantList",
                                           "In chiaro: la sua connessione non è cifrata, chi sta sulla rete "
                                           "può leggerla.");
    return {};
}

} // namespace session
