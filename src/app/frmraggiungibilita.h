#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace session {
class Reachability;
}

namespace app {

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

    /// Copies the chosen invitation (the first when none is chosen); returns it.
    QString copyInvitation();

signals:
    /// The user switched asking the router on or off.
    void routerSwitched(bool on);

private:
    /// Names the controls for a screen reader and orders the Tab key.
    void nameControls();
    void refresh();

    session::Reachability *m_reach;
};

} // namespace app
