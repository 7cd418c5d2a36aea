#include "playlist.h"

#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

namespace accessories
{

PlayList::PlayList(QObject *parent) : QAbstractListModel(parent) {}

int PlayList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant PlayList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    const Entry &e = m_entries.at(index.row());
    const bool playing = index.row() == m_current;
    switch (role) {
    case Qt::DisplayRole:
        return QFileInfo(e.path).fileName();
    case Qt::ToolTipRole:
        return e.failure.isEmpty() ? e.path : e.path + QLatin1Char('\n') + e.failure;
    case Qt::AccessibleTextRole:
        // Bold and grey do not reach a screen reader: say it in words.
        if (!e.failure.isEmpty())
            return tr("%1, non riproducibile").arg(QFileInfo(e.path).fileName());
        if (playing)
            return tr("%1, brano corrente").arg(QFileInfo(e.path).fileName());
        return QFileInfo(e.path).fileName();
    case Qt::FontRole:
        if (playing) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return QVariant();
    case Qt::ForegroundRole:
        if (!e.failure.isEmpty())
            return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return QVariant();
    case PathRole:
        return e.path;
    default:
        return QVariant();
    }
}

QString PlayList::path(int row) const
{
    return row >= 0 && row < count() ? m_entries.at(row).path : QString();
}

QStringList PlayList::paths() const
{
    QStringList list;
    for (const Entry &e : m_entries)
        list << e.path;
    return list;
}

void PlayList::append(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    beginInsertRows(QModelIndex(), count(), count() + int(paths.size()) - 1);
    for (const QString &p : paths)
        m_entries.append({p, QString()});
    endInsertRows();
}

void PlayList::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_entries.removeAt(row);
    endRemoveRows();
    if (row == m_current)
        setCurrent(-1);
    else if (row < m_current)
        setCurrent(m_current - 1);
}

void PlayList::clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
    setCurrent(-1);
}

void PlayList::setCurrent(int row)
{
    if (row < -1 || row >= count())
        row = -1;
    if (row == m_current)
        return;
    const int old = m_current;
    m_current = row;
    rowChanged(old);
    rowChanged(row);
    emit currentChanged(row);
}

void PlayList::setFailure(int row, const QString &reason)
{
    if (row < 0 || row >= count())
        return;
    m_entries[row].failure = reason;
    rowChanged(row);
}

QString PlayList::failure(int row) const
{
    return row >= 0 && row < count() ? m_entries.at(row).failure : QString();
}

void PlayList::rowChanged(int row)
{
    if (row >= 0 && row < count())
        emit dataChanged(index(row), index(row));
}

} // namespace accessories
