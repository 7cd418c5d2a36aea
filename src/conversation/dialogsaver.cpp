#include "dialogsaver.h"

#include "dialogpane.h"
#include "journal.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QPlainTextEdit>

namespace conversation
{

DialogSaver::DialogSaver(DialogPane *pane, Journal *journal, QObject *parent)
    : QObject(parent), m_pane(pane), m_journal(journal),
      m_save(new QAction(tr("Salva dialogo…"), this)),
      m_keep(new QAction(tr("Conserva il dialogo in…"), this)),
      m_stop(new QAction(tr("Non conservare più il dialogo"), this))
{
    m_save->setObjectName(QStringLiteral("actSalvaDialogo"));
    connect(m_save, &QAction::triggered, this, &DialogSaver::saveDialog);
    m_keep->setObjectName(QStringLiteral("actConservaDialogo"));
    connect(m_keep, &QAction::triggered, this, &DialogSaver::chooseJournalFolder);
    m_stop->setObjectName(QStringLiteral("actNonConservare"));
    connect(m_stop, &QAction::triggered, this, [this] { keepIn(QString()); });
    // What happens to the journal during a session is said where the
    // session's own news go.
    journal->setStatusReporter([pane](const QString &text) { pane->UpdateStatus(text); });
    connect(pane, &DialogPane::lineShown, this,
            [this](const QString &stamp, const QString &line, const std::vector<ColourRun> &runs) {
                m_journal->appendLine(stamp, line, runs);
            });
    connect(pane, &DialogPane::evidenceKept, this,
            [this](const QString &line) { m_journal->appendEvidence(line); });

    QPlainTextEdit *edit = pane->txtDialog();
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QWidget::customContextMenuRequested, this, [this, edit](const QPoint &pos) {
        QMenu *menu = contextMenu(pos);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(edit->viewport()->mapToGlobal(pos));
    });
}

QMenu *DialogSaver::contextMenu(const QPoint &pos)
{
    QPlainTextEdit *edit = m_pane->txtDialog();
    QMenu *menu = edit->createStandardContextMenu(edit->viewport()->mapToGlobal(pos));
    menu->setObjectName(QStringLiteral("mnuDialogo"));
    menu->addSeparator();
    menu->addAction(m_save);
    const QString folder = m_journal->folder();
    m_keep->setToolTip(folder.isEmpty() ? QString()
                                        : tr("Ora in: %1").arg(QDir::toNativeSeparators(folder)));
    menu->addAction(m_keep);
    m_stop->setEnabled(!folder.isEmpty());
    menu->addAction(m_stop);
    menu->setToolTipsVisible(true);
    return menu;
}

void DialogSaver::chooseJournalFolder()
{
    if (m_folderDialog) {
        m_folderDialog->raise();
        m_folderDialog->activateWindow();
        return;
    }
    const QString start = m_journal->folder().isEmpty() ? QDir::homePath() : m_journal->folder();
    auto *dialog =
        new QFileDialog(m_pane->txtDialog()->window(), tr("Conserva il dialogo in"), start);
    dialog->setObjectName(QStringLiteral("dlgCartellaDialogo"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &DialogSaver::keepIn);
    m_folderDialog = dialog;
    dialog->open();
}

bool DialogSaver::keepIn(const QString &folder)
{
    const bool ok = m_journal->setFolder(folder);
    // A folder that cannot be written was reported; nothing is kept there.
    emit journalFolderChanged(ok ? m_journal->folder() : QString());
    return ok;
}

QString DialogSaver::proposedName() const
{
    const QString folder = m_journal->folder().isEmpty() ? QDir::homePath() : m_journal->folder();
    return QDir(folder).filePath(Journal::baseName(m_journal->sessionStart()) +
                                 QStringLiteral(".html"));
}

void DialogSaver::saveDialog()
{
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    // Not modal to the event loop: the session goes on while the user chooses.
    auto *dialog = new QFileDialog(m_pane->txtDialog()->window(), tr("Salva dialogo"),
                                   proposedName(), tr("Pagina HTML (*.html);;Tutti i file (*)"));
    dialog->setObjectName(QStringLiteral("dlgSalvaDialogo"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("html"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &DialogSaver::saveTo);
    m_dialog = dialog;
    dialog->open();
}

bool DialogSaver::saveTo(const QString &htmlPath)
{
    return m_journal->writeWhole(m_pane->shownRows(), htmlPath, m_pane->evidence());
}

} // namespace conversation
