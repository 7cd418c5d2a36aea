#include "folderlist.h"

#include <QDir>
#include <QFileInfo>

namespace transfer {

FolderList::FolderList(QWidget *parent) : QListWidget(parent)
{
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const QString name = item->data(Qt::UserRole).toString();
        setPath(QDir(m_path).absoluteFilePath(name));
    });
}

void FolderList::setPath(const QString &folder)
{
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (clean == m_path)
        return;
    m_path = clean;
    fill();
    emit pathChanged(m_path);
}

void FolderList::fill()
{
    clear();
    QDir dir(m_path);
    if (!dir.isRoot()) {
        auto *up = new QListWidgetItem(QStringLiteral(".."), this);
        up->setData(Qt::UserRole, QStringLiteral(".."));
    }
    const QStringList names =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names) {
        auto *item = new QListWidgetItem(name, this);
        item->setData(Qt::UserRole, name);
    }
}

} // namespace transfer
