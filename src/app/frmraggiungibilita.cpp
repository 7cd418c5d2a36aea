#include "frmraggiungibilita.h"

#include "controlnames.h"
#include "readingorder.h"

#include "reachability.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
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
    box->addWidget(lblCopiato);
    chkRouter = named(new QCheckBox(tr("Chiedi al router di aprire le porte "
                                       "(UPnP, NAT-PMP)"),
                                    this),
                      "chkRouter");
    box->addWidget(chkRouter);
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
    const QSignalBlocker block(chkRouter);
    chkRouter->setChecked(m_reach->isEnabled());
    cmdCopiaInvito->setEnabled(lstInviti->count() > 0);
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
    a11y::ReadingOrder::keep(this);
}

} // namespace app
