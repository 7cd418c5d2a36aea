#pragma once

#include "composer.h"

#include <QObject>

class QCheckBox;
class QPlainTextEdit;

namespace session
{
class ChatSession;
}

namespace conversation
{

class ToggleButton;

/**
 * @brief The message box txtMessage, the send button cmdSend and the
 * "Privato" box chkPrivate. Enter in the message box sends (when the button
 * is enabled) and empties the box; a click sends and leaves a refused line
 * in the box so it can be corrected. A private line with nobody to go to
 * stays in the box either way.
 */
class ComposerPanel : public QObject
{
    Q_OBJECT
public:
    ComposerPanel(session::ChatSession *chat, QWidget *parent);

    QPlainTextEdit *txtMessage() const { return m_txtMessage; }
    ToggleButton *cmdSend() const { return m_cmdSend; }
    QCheckBox *chkPrivate() const { return m_chkPrivate; }

    void CmdSend_Click();
    /// Re-evaluates the send button after the message box changed.
    void txtMessage_Change();
    /// The Enter key in the message box.
    void txtMessage_Enter();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// Sends the typed line; the box is emptied when it went.
    Composer::Outcome sendTyped();

    session::ChatSession *m_chat;
    QPlainTextEdit *m_txtMessage;
    ToggleButton *m_cmdSend;
    QCheckBox *m_chkPrivate;
};

} // namespace conversation
