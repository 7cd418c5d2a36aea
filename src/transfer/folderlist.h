#pragma once

#include <QListWidget>

namespace transfer {

/**
 * @brief A folder list: the parent entry ".." and the folders inside the
 * current one. Activating an entry (double click or Enter) moves into it and
 * reports the new folder, as the list the user picks a save folder from.
 */
class FolderList : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    /// The folder shown, absolute, without a separator at its end.
    QString path() const { return m_path; }
    /// Shows @p folder; reports pathChanged when it differs from the one shown.
    void setPath(const QString &folder);

signals:
    void pathChanged(const QString &path);

private:
    void fill();
    QString m_path;
};

} // namespace transfer
