#include "composerpanel.h"

#include "chatsession.h"
#include "composer.h"
#include "togglebutton.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QPlainTextEdit>

namespace conversation
{

ComposerPanel::ComposerPanel(session::ChatSession *chat, QWidget *parent)
    : QObject(parent), m_chat(chat), m_txtMessage(new QPlainTextEdit(parent)),
      m_cmdSend(new ToggleButton(QStringLiteral("cmdSend"), parent)),
      m_chkPrivate(new QCheckBox(QStringLiteral("Privato"), parent))
{
    setObjectName(QStringLiteral("ComposerPanel"));

    m_txtMessage->setObjectName(QStringLiteral("txtMessage"));
    m_txtMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtMessage->setTabChangesFocus(true);
    m_txtMessage->setGeometry(8, 320, 6000 / 15, 600 / 15);
    m_txtMessage->installEventFilter(this);
    connect(m_txtMessage, &QPlainTextEdit::textChanged, this, &ComposerPanel::txtMessage_Change);

    m_cmdSend->setPicture(ToggleButton::Picture::Send);
    m_cmdSend->setFocusPolicy(Qt::StrongFocus);
    m_cmdSend->setGeometry(8 + 6000 / 15 + 4, 320, 40, 600 / 15);
    m_cmdSend->setEnabled(false);
    m_cmdSend->setMenuBack(true);
    connect(m_cmdSend, &QPushButton::clicked, this, &ComposerPanel::CmdSend_Click);

    m_chkPrivate->setObjectName(QStringLiteral("chkPrivate"));
    m_chkPrivate->setGeometry(8, 364, 1200 / 15, 255 / 15);
}

void ComposerPanel::txtMessage_Change()
{
    const bool enabled =
        Composer::sendEnabled(m_txtMessage->toPlainText(), m_chat ? m_chat->name() : QString());
    m_cmdSend->setEnabled(enabled);
    m_cmdSend->setMenuBack(!enabled);
}

void ComposerPanel::CmdSend_Click()
{
    sendTyped();
}

Composer::Outcome ComposerPanel::sendTyped()
{
    if (!m_chat)
        return Composer::Outcome::Refused;
    const Composer::Outcome outcome =
        Composer::send(*m_chat, m_txtMessage->toPlainText(), m_chkPrivate->isChecked());
    if (outcome == Composer::Outcome::Done)
        m_txtMessage->clear();
    return outcome;
}

void ComposerPanel::txtMessage_Enter()
{
    // A private line that found nobody to go to stays, to be sent again once
    // a recipient is chosen.
    if (m_cmdSend->isEnabled() && sendTyped() == Composer::Outcome::NoRecipient)
        return;
    m_txtMessage->clear();
}

bool ComposerPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txtMessage && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            txtMessage_Enter();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace conversation
