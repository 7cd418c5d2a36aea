#pragma once

#include "access.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QListWidget;
class QPushButton;

namespace session {
class Reachability;
}

namespace app {

class PrivateTable;

/**
 * @brief The small "Raggiungibilità" window: what the router said about the
 * chat and transfer ports, the invitations to give out, a button that copies
 * the chosen one, and the switch for asking the router at all.
 */
class frmRaggiungibilita : public QWidget
{
    Q_OBJECT
public:
    frmRaggiungibilita(session::Reachability *reach, QWidget *parent = nullptr);

    QLabel *lblChat;
    QLabel *lblFile;
    QListWidget *lstInviti;
    QPushButton *cmdCopiaInvito;
    QLabel *lblCopiato;
    QCheckBox *chkRouter;
    QLabel *lblImpronta;      ///< this program's fingerprint, for players to compare
    QLabel *lblImprontaOste;  ///< the host's, while connected to one inside TLS
    QComboBox *cboAccesso;    ///< who may sit at the table
    QLineEdit *txtParola;     ///< a table password (kept only as a hash)
    QPushButton *cmdParola;
    QPushButton *cmdNuovoInvito;
    QLabel *lblAccessoOspite; ///< why access and password wait, while a guest elsewhere

    /// The private table the window shows and sets.
    void setTable(PrivateTable *table);

    /// Copies the chosen invitation (the first when none is chosen); returns it.
    QString copyInvitation();

signals:
    /// The user switched asking the router on or off.
    void routerSwitched(bool on);
    /// The user chose who may sit at the table ("anyone", "invited", "lan-open").
    void accessChosen(secure::Access access);
    /// "Nuovo invito": the old links are to stop working.
    void newInvitationAsked();
    /// A table password was typed and confirmed (empty: none).
    void passwordChosen(const QString &password);

protected:
    void showEvent(QShowEvent *event) override;

private:
    /// Names the controls for a screen reader and orders the Tab key.
    void nameControls();
    void refresh();
    void refreshTable();

    session::Reachability *m_reach;
    QPointer<PrivateTable> m_table;
};

} // namespace app
