#pragma once

#include <QWidget>

class QLabel;

namespace accessories
{

/**
 * @brief The player's file panel: the piece playing now, by its title when
 * the file carries one, with its artist and the file's name.
 */
class ppFileName : public QWidget
{
    Q_OBJECT
public:
    explicit ppFileName(QWidget *parent = nullptr);

    /// Shows @p path's piece; @p title and @p artist may be empty.
    void setTrack(const QString &path, const QString &title, const QString &artist);

    QLabel *lblTitle;
    QLabel *lblDetails;
};

} // namespace accessories
