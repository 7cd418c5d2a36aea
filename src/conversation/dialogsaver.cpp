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
      m_save(new QAction(QStringLiteral("Salva dialogo…"), this))
{
    m_save->setObjectName(QStringLiteral("actSalvaDialogo"));
    connect(m_save, &QAction::triggered, this, &DialogSaver::saveDialog);
    // What happens to the journal during a session is said where the
    // session's own news go.
    journal->setStatusReporter([pane](const QString &text) { pane->UpdateStatus(text); });
    connect(pane, &DialogPane::lineShown, this,
            [this](const QString &stamp, const QString &line, const std::vector<ColourRun> &runs) {
                m_journal->appendLine(stamp, line, runs);
            });

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
    return menu;
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
    auto *dialog = new QFileDialog(m_pane->txtDialog()->window(), QStringLiteral("Salva dialogo"),
                                   proposedName(),
                                   QStringLiteral("Pagina HTML (*.html);;Tutti i file (*)"));
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
    return m_journal->writeWhole(m_pane->shownRows(), htmlPath);
}

} // namespace conversation
