#pragma once

#include <QObject>
#include <QFileDialog>
#include <QPointer>
#include <QString>

class QAction;
class QMenu;
class QPoint;

namespace conversation
{

class DialogPane;
class Journal;

/**
 * @brief "Salva dialogo…" in the conversation pane's context menu, and the
 * journal kept line by line: every line the pane shows goes to @p journal.
 *
 * Saving asks for a file in a file dialog that does not block the window,
 * then writes the pane whole: the HTML file chosen and a text file of the
 * same name beside it.
 */
class DialogSaver : public QObject
{
    Q_OBJECT
public:
    DialogSaver(DialogPane *pane, Journal *journal, QObject *parent = nullptr);

    /// The menu entry "Salva dialogo…".
    QAction *saveAction() const { return m_save; }
    /// The pane's context menu: the text edit's own entries and "Salva dialogo…".
    QMenu *contextMenu(const QPoint &pos);

    /// Opens the file dialog; choosing a file saves there.
    void saveDialog();
    /// The file dialog while it is open, else null.
    QFileDialog *fileDialog() const { return m_dialog; }
    /// Writes the pane as it is now to @p htmlPath and beside it the ".txt".
    bool saveTo(const QString &htmlPath);

    /// The name the file dialog proposes: the session's date and time.
    QString proposedName() const;

private:
    DialogPane *m_pane;
    Journal *m_journal;
    QAction *m_save;
    QPointer<QFileDialog> m_dialog;
};

} // namespace conversation
