#include "frmports.h"

#include "controlnames.h"
#include "fontscale.h"
#include "readingorder.h"

#include "sinks.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace app {

frmPorts::frmPorts(qint32 port, session::MessageService *messages, QWidget *parent)
    : QDialog(parent), m_port(port), m_messages(messages)
{
    setObjectName(QStringLiteral("frmPorts"));
    setWindowTitle(tr("Porta"));
    setModal(true);
    setFixedSize(210, 90);

    auto *label = new QLabel(tr("Porta:"), this);
    label->setObjectName(QStringLiteral("lblPort"));
    label->setGeometry(10, 14, 50, 22);

    txtPort = new QLineEdit(QString::number(port), this);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->setGeometry(64, 12, 136, 24);
    txtPort->selectAll();

    cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(30, 52, 80, 28);
    cmdOK->setDefault(true);

    CmdCancel = new QPushButton(tr("Annulla"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    CmdCancel->setGeometry(120, 52, 80, 28);

    connect(cmdOK, &QPushButton::clicked, this, &frmPorts::cmdOK_Click);
    connect(CmdCancel, &QPushButton::clicked, this, &frmPorts::CmdCancel_Click);
    a11y::FontScale::fit(this);
    nameControls();
}

qint32 frmPorts::parsePort(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 1 && value <= 65535 ? value : 0;
}

void frmPorts::cmdOK_Click()
{
    const qint32 port = parsePort(txtPort->text());
    if (port == 0) {
        // The dialog stays open so the user can correct the number.
        if (m_messages)
            m_messages->showMessage(session::MessageService::Icon::Warning, session::kAppTitle,
                                    tr("La porta deve essere un numero intero "
                                       "compreso tra 1 e 65535."));
        txtPort->setText(QString::number(m_port));
        txtPort->selectAll();
        return;
    }
    m_port = port;
    accept();
}

void frmPorts::CmdCancel_Click() { reject(); }

// What a screen reader says for each control, and the Tab key's way
// through the window in its reading order.
void frmPorts::nameControls()
{
    a11y::ControlNames::apply(this, "app::frmPorts", {
        {"txtPort", QT_TRANSLATE_NOOP("app::frmPorts", "Porta"),
         QT_TRANSLATE_NOOP("app::frmPorts", "La porta della sessione, da 1 a 65535")},
        {"cmdOK", QT_TRANSLATE_NOOP("app::frmPorts", "OK")},
        {"CmdCancel", QT_TRANSLATE_NOOP("app::frmPorts", "Annulla")},
    });
    a11y::ReadingOrder::keep(this);
}

} // namespace app
