#include "frmraggiungibilita.h"

#include "reachability.h"

#include <QCheckBox>
#include <QComboBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {
template <typename W> W *named(W *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}
} // namespace

frmRaggiungibilita::frmRaggiungibilita(Reachability *reach, QWidget *parent)
    : QWidget(parent, Qt::Window), m_reach(reach)
{
    setObjectName(QStringLiteral("frmRaggiungibilita"));
    setWindowTitle(tr("Raggiungibilità"));
    auto *box = new QVBoxLayout(this);
    box->addWidget(new QLabel(tr("Porta della sessione:"), this));
    lblChat = named(new QLabel(this), "lblChat");
    box->addWidget(lblChat);
    box->addWidget(new QLabel(tr("Porta dei file:"), this));
    lblFile = named(new QLabel(this), "lblFile");
    box->addWidget(lblFile);
    for (QLabel *l : {lblChat, lblFile}) {
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    box->addWidget(new QLabel(tr("Inviti da dare agli altri giocatori:"), this));
    lstInviti = named(new QListWidget(this), "lstInviti");
    box->addWidget(lstInviti, 1);
    cmdCopiaInvito = named(new QPushButton(tr("Copia invito"), this), "cmdCopiaInvito");
    box->addWidget(cmdCopiaInvito);
    lblCopiato = named(new QLabel(this), "lblCopiato");
    box->addWidget(lblCopiato);
    chkRouter = named(new QCheckBox(tr("Chiedi al router di aprire le porte "
                                       "(UPnP, NAT-PMP)"),
                                    this),
                      "chkRouter");
    box->addWidget(chkRouter);
    lblImpronta = named(new QLabel(this), "lblImpronta");
    lblImpronta->setWordWrap(true);
    lblImpronta->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->addWidget(lblImpronta);
    box->addWidget(new QLabel(tr("Chi può sedersi al tavolo:"), this));
    cboAccesso = named(new QComboBox(this), "cboAccesso");
    // The names are the program's own keys; the captions are translated.
    cboAccesso->addItem(tr("Rete locale libera, da Internet solo con l'invito"),
                        secure::accessName(secure::Access::LanOpen));
    cboAccesso->addItem(tr("Solo chi ha l'invito o la parola d'ordine"), secure::accessName(secure::Access::Invited));
    cboAccesso->addItem(tr("Chiunque trovi la porta"), secure::accessName(secure::Access::Anyone));
    box->addWidget(cboAccesso);
    txtParola = named(new QLineEdit(this), "txtParola");
    txtParola->setEchoMode(QLineEdit::Password);
    txtParola->setPlaceholderText(tr("Parola d'ordine del tavolo (facoltativa), poi Invio"));
    box->addWidget(txtParola);
    cmdNuovoInvito = named(new QPushButton(tr("Nuovo invito"), this), "cmdNuovoInvito");
    cmdNuovoInvito->setToolTip(tr("Una chiave nuova: gli inviti dati finora non valgono più, chi è seduto resta"));
    box->addWidget(cmdNuovoInvito);
    connect(cboAccesso, &QComboBox::activated, this, [this](int row) {
        if (const auto access = secure::accessFromName(cboAccesso->itemData(row).toString()))
            emit accessChosen(*access);
    });
    connect(cmdNuovoInvito, &QPushButton::clicked, this, &frmRaggiungibilita::newInvitationAsked);
    connect(txtParola, &QLineEdit::returnPressed, this, [this] {
        emit passwordChosen(txtParola->text());
        txtParola->clear();
    });
    // The router's answers run to five lines or so: room for them whole.
    lstInviti->setMinimumHeight(60);
    resize(560, 480);

    connect(cmdCopiaInvito, &QPushButton::clicked, this, &frmRaggiungibilita::copyInvitation);
    connect(chkRouter, &QCheckBox::toggled, this, &frmRaggiungibilita::routerSwitched);
    connect(m_reach, &Reachability::chatTextChanged, this, &frmRaggiungibilita::refresh);
    connect(m_reach, &Reachability::transferTextChanged, this, &frmRaggiungibilita::refresh);
    connect(m_reach, &Reachability::invitationsChanged, this, &frmRaggiungibilita::refresh);
    connect(m_reach, &Reachability::enabledChanged, this, &frmRaggiungibilita::refresh);
    refresh();
}

void frmRaggiungibilita::refresh()
{
    const QString none = m_reach->isEnabled() ? tr("Nessuna richiesta al router.")
                                              : tr("Richieste al router disattivate.");
    lblChat->setText(m_reach->chatText().isEmpty() ? none : m_reach->chatText());
    lblFile->setText(m_reach->transferText().isEmpty() ? none : m_reach->transferText());
    const int row = qMax(0, lstInviti->currentRow());
    lstInviti->clear();
    for (const Reachability::Address &a : m_reach->invitations()) {
        auto *item = new QListWidgetItem(a.link + QStringLiteral("  (") + a.where +
                                         QLatin1Char(')'));
        item->setData(Qt::UserRole, a.link);
        lstInviti->addItem(item);
    }
    if (lstInviti->count() > 0)
        lstInviti->setCurrentRow(qMin(row, lstInviti->count() - 1));
    const QSignalBlocker block(chkRouter);
    chkRouter->setChecked(m_reach->isEnabled());
    cmdCopiaInvito->setEnabled(lstInviti->count() > 0);
}

void frmRaggiungibilita::setTable(const QString &fingerprint, secure::Access access, bool hosting)
{
    lblImpronta->setText(fingerprint.isEmpty() ? tr("Impronta di questo programma: non ancora creata (al primo \"Host\").")
                                               : tr("Impronta di questo programma: %1").arg(fingerprint));
    const int row = cboAccesso->findData(secure::accessName(access));
    const QSignalBlocker block(cboAccesso);
    cboAccesso->setCurrentIndex(qMax(0, row));
    cmdNuovoInvito->setEnabled(hosting);
    txtParola->setEnabled(hosting);
    refresh();
}

QString frmRaggiungibilita::copyInvitation()
{
    QListWidgetItem *item = lstInviti->currentItem();
    if (!item && lstInviti->count() > 0)
        item = lstInviti->item(0);
    if (!item)
        return QString();
    const QString link = item->data(Qt::UserRole).toString();
    QGuiApplication::clipboard()->setText(link);
    lblCopiato->setText(tr("Invito copiato: %1").arg(link));
    return link;
}

} // namespace app
