#include "frmraggiungibilita.h"

#include "controlnames.h"
#include "readingorder.h"

#include "privatetable.h"
#include "reachability.h"

#include <QCheckBox>
#include <QComboBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
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

frmRaggiungibilita::frmRaggiungibilita(session::Reachability *reach, QWidget *parent)
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
    // A link with fingerprint and key is long: it must not widen the window.
    lblCopiato->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    box->addWidget(lblCopiato);
    chkRouter = named(new QCheckBox(tr("Chiedi al router di aprire le porte "
                                       "(UPnP, NAT-PMP)"),
                                    this),
                      "chkRouter");
    box->addWidget(chkRouter);
    // The private table: who we are, who our host is, who may sit down.
    auto *table = named(new QGroupBox(tr("Tavolo riservato"), this), "fraTavolo");
    auto *tableBox = new QVBoxLayout(table);
    lblImpronta = named(new QLabel(table), "lblImpronta");
    lblImprontaOste = named(new QLabel(table), "lblImprontaOste");
    for (QLabel *l : {lblImpronta, lblImprontaOste}) {
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        tableBox->addWidget(l);
    }
    auto *accessLabel = new QLabel(tr("Chi può sedersi al tavolo:"), table);
    tableBox->addWidget(accessLabel);
    cboAccesso = named(new QComboBox(table), "cboAccesso");
    accessLabel->setBuddy(cboAccesso);
    // The names are the program's own keys; the captions are translated.
    cboAccesso->addItem(tr("Rete locale libera, da Internet solo con l'invito"),
                        secure::accessName(secure::Access::LanOpen));
    cboAccesso->addItem(tr("Solo chi ha l'invito o la parola d'ordine"), secure::accessName(secure::Access::Invited));
    cboAccesso->addItem(tr("Chiunque trovi la porta"), secure::accessName(secure::Access::Anyone));
    tableBox->addWidget(cboAccesso);
    auto *row = new QHBoxLayout;
    txtParola = named(new QLineEdit(table), "txtParola");
    txtParola->setEchoMode(QLineEdit::Password);
    txtParola->setPlaceholderText(tr("Parola d'ordine del tavolo (facoltativa)"));
    cmdParola = named(new QPushButton(tr("Imposta"), table), "cmdParola");
    row->addWidget(txtParola, 1);
    row->addWidget(cmdParola);
    tableBox->addLayout(row);
    lblAccessoOspite = named(new QLabel(table), "lblAccessoOspite");
    lblAccessoOspite->setWordWrap(true);
    tableBox->addWidget(lblAccessoOspite);
    cmdNuovoInvito = named(new QPushButton(tr("Nuovo invito"), table), "cmdNuovoInvito");
    cmdNuovoInvito->setToolTip(tr("Una chiave nuova: gli inviti dati finora non fanno più entrare, "
                                  "chi è già seduto resta"));
    tableBox->addWidget(cmdNuovoInvito, 0, Qt::AlignLeft);
    box->addWidget(table);
    connect(cboAccesso, &QComboBox::activated, this, [this](int chosen) {
        if (const auto access = secure::accessFromName(cboAccesso->itemData(chosen).toString()))
            emit accessChosen(*access);
    });
    connect(cmdNuovoInvito, &QPushButton::clicked, this, &frmRaggiungibilita::newInvitationAsked);
    auto setPassword = [this] {
        emit passwordChosen(txtParola->text());
        txtParola->clear();
    };
    connect(txtParola, &QLineEdit::returnPressed, this, setPassword);
    connect(cmdParola, &QPushButton::clicked, this, setPassword);
    // The router's answers run to five lines or so: room for them whole.
    lstInviti->setMinimumHeight(60);
    resize(560, 480);

    connect(cmdCopiaInvito, &QPushButton::clicked, this, &frmRaggiungibilita::copyInvitation);
    connect(chkRouter, &QCheckBox::toggled, this, &frmRaggiungibilita::routerSwitched);
    connect(m_reach, &session::Reachability::chatTextChanged, this, &frmRaggiungibilita::refresh);
    connect(m_reach, &session::Reachability::transferTextChanged, this,
            &frmRaggiungibilita::refresh);
    connect(m_reach, &session::Reachability::invitationsChanged, this,
            &frmRaggiungibilita::refresh);
    connect(m_reach, &session::Reachability::enabledChanged, this, &frmRaggiungibilita::refresh);
    refresh();
    nameControls();
}

void frmRaggiungibilita::refresh()
{
    const QString none = m_reach->isEnabled() ? tr("Nessuna richiesta al router.")
                                              : tr("Richieste al router disattivate.");
    lblChat->setText(m_reach->chatText().isEmpty() ? none : m_reach->chatText());
    lblFile->setText(m_reach->transferText().isEmpty() ? none : m_reach->transferText());
    const int row = qMax(0, lstInviti->currentRow());
    lstInviti->clear();
    for (const session::Reachability::Address &a : m_reach->invitations()) {
        auto *item = new QListWidgetItem(a.link + QStringLiteral("  (") + a.where +
                                         QLatin1Char(')'));
        item->setData(Qt::UserRole, a.link);
        lstInviti->addItem(item);
    }
    if (lstInviti->count() > 0)
        lstInviti->setCurrentRow(qMin(row, lstInviti->count() - 1));
    // A link copied before "Nuovo invito" no longer lets anyone in: not shown as current.
    bool copiedStillGood = false;
    for (int i = 0; i < lstInviti->count(); ++i)
        copiedStillGood |= lstInviti->item(i)->data(Qt::UserRole).toString() == lblCopiato->toolTip();
    if (!copiedStillGood) {
        lblCopiato->clear();
        lblCopiato->setToolTip(QString());
    }
    const QSignalBlocker block(chkRouter);
    chkRouter->setChecked(m_reach->isEnabled());
    cmdCopiaInvito->setEnabled(lstInviti->count() > 0);
}

void frmRaggiungibilita::setTable(PrivateTable *table)
{
    if (m_table == table)
        return;
    m_table = table;
    connect(table, &PrivateTable::changed, this, &frmRaggiungibilita::refreshTable);
    refreshTable();
}

void frmRaggiungibilita::refreshTable()
{
    if (!m_table)
        return;
    const QString own = m_table->ownFingerprint();
    lblImpronta->setText(own.isEmpty() ? tr("Impronta di questo programma: non ancora creata.")
                                       : tr("Impronta di questo programma: %1").arg(own));
    // A player compares what its host shows with what the host reads out.
    const QString host = m_table->hostFingerprint();
    lblImprontaOste->setText(tr("Impronta del tavolo a cui sei collegato: %1").arg(host));
    lblImprontaOste->setVisible(!host.isEmpty());
    const QSignalBlocker block(cboAccesso);
    cboAccesso->setCurrentIndex(qMax(0, cboAccesso->findData(secure::accessName(m_table->access()))));
    cmdNuovoInvito->setEnabled(m_table->isHosting());
    // At someone else's table its host decides who sits down; what is set
    // here would only apply to our next "Host", which reads as a change to
    // the table the player is at. Said plainly rather than greyed silently.
    const bool guest = m_table->isGuest();
    const QString why = guest ? tr("Sei al tavolo di un altro: chi può sedersi e la parola d'ordine "
                                   "li sceglie chi lo ospita. Si impostano qui quando non sei collegato.")
                              : QString();
    for (QWidget *w : {static_cast<QWidget *>(cboAccesso), static_cast<QWidget *>(txtParola),
                       static_cast<QWidget *>(cmdParola)}) {
        w->setEnabled(!guest);
        w->setToolTip(why);
    }
    lblAccessoOspite->setText(why);
    lblAccessoOspite->setVisible(guest);
}

void frmRaggiungibilita::showEvent(QShowEvent *event)
{
    refreshTable();
    QWidget::showEvent(event);
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
    lblCopiato->setToolTip(link);
    return link;
}

// What a screen reader says for each control, and the Tab key's way
// through the window in its reading order.
void frmRaggiungibilita::nameControls()
{
    a11y::ControlNames::apply(this, "app::frmRaggiungibilita", {
        {"lstInviti", QT_TRANSLATE_NOOP("app::frmRaggiungibilita", "Inviti"),
         QT_TRANSLATE_NOOP("app::frmRaggiungibilita", "Gli indirizzi da dare agli altri giocatori")},
        {"cmdCopiaInvito", QT_TRANSLATE_NOOP("app::frmRaggiungibilita", "Copia invito")},
        {"chkRouter", QT_TRANSLATE_NOOP("app::frmRaggiungibilita", "Chiedi al router di aprire le porte")},
    });
    // The private table's controls.
    lblImpronta->setAccessibleName(tr("Impronta di questo programma"));
    lblImprontaOste->setAccessibleName(tr("Impronta del tavolo a cui sei collegato"));
    cboAccesso->setAccessibleName(tr("Chi può sedersi al tavolo"));
    txtParola->setAccessibleName(tr("Parola d'ordine del tavolo"));
    txtParola->setAccessibleDescription(tr("Conservata solo come impronta; vuota e Imposta la toglie"));
    cmdParola->setAccessibleName(tr("Imposta la parola d'ordine"));
    cmdNuovoInvito->setAccessibleDescription(cmdNuovoInvito->toolTip());
    a11y::ReadingOrder::keep(this);
}

} // namespace app
