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
 * same name beside it. Two more entries choose the folder the journal is
 * kept in from now on ("Conserva il dialogo in…", a folder dialog that does
 * not block either) and stop keeping it.
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

    /// "Conserva il dialogo in…" and "Non conservare più il dialogo".
    QAction *keepAction() const { return m_keep; }
    QAction *stopAction() const { return m_stop; }
    /// Opens the folder dialog; choosing a folder keeps the journal there.
    void chooseJournalFolder();
    /// The folder dialog while it is open, else null.
    QFileDialog *folderDialog() const { return m_folderDialog; }
    /// Keeps the journal in @p folder from now on (empty: stops it).
    bool keepIn(const QString &folder);

signals:
    /// The journal's folder changed (empty: the journal is off).
    void journalFolderChanged(const QString &folder);

private:
    DialogPane *m_pane;
    Journal *m_journal;
    QAction *m_save;
    QAction *m_keep;
    QAction *m_stop;
    QPointer<QFileDialog> m_dialog;
    QPointer<QFileDialog> m_folderDialog;
};

} // namespace conversation
