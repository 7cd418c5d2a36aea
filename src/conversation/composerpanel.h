#pragma once

#include "composer.h"

#include <QObject>

#include <functional>

class QAction;
class QCheckBox;
class QPlainTextEdit;
class QToolButton;

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
 *
 * Beside the box, cmdModo chooses how the character speaks ("Parla",
 * "Azione", "Narra"): the choice puts the line's prefix in front of what is
 * typed when it is sent, so the line is the one the prefix typed by hand
 * would give. While "Privato" is ticked the box is tinted and framed and
 * its tool tip and empty text name the recipients.
 */
class ComposerPanel : public QObject
{
    Q_OBJECT
public:
    ComposerPanel(session::ChatSession *chat, QWidget *parent);

    QPlainTextEdit *txtMessage() const { return m_txtMessage; }
    ToggleButton *cmdSend() const { return m_cmdSend; }
    QCheckBox *chkPrivate() const { return m_chkPrivate; }
    /// The speaking way chooser, with its menu of the three ways.
    QToolButton *cmdModo() const { return m_cmdModo; }
    Composer::Kind mode() const { return m_mode; }
    void setMode(Composer::Kind mode);
    /// Whether the box shows the private look now.
    bool privateLook() const { return m_privateLook; }

    /**
     * @brief Who rolls what follows "/r " or "/tira " in the message box:
     * true when it rolled; otherwise the box keeps the text (the roller has
     * said why).
     */
    void setRoller(std::function<bool(const QString &)> roll) { m_roll = std::move(roll); }

    void CmdSend_Click();
    /// Re-evaluates the send button after the message box changed.
    void txtMessage_Change();
    /// The Enter key in the message box.
    void txtMessage_Enter();

signals:
    /// The user's own line is being sent (true) and was sent (false): what
    /// the pane shows in between is the echo of what they typed.
    void sending(bool on);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// Sends the typed line; the box is emptied when it went.
    Composer::Outcome sendTyped();
    /// The box's look, tool tip and empty text for "Privato" and the mode.
    void updateLook();
    /// The private box's empty text for @p names: as many names as fit the
    /// box whole, the rest counted ("e altri 2"); the tool tip names them all.
    QString privatePlaceholder(const QStringList &names) const;
    /// Puts the private look on the message box, or takes it off.
    void showLook();

    session::ChatSession *m_chat;
    QPlainTextEdit *m_txtMessage;
    ToggleButton *m_cmdSend;
    QCheckBox *m_chkPrivate;
    QToolButton *m_cmdModo;
    QAction *m_modeActions[3] = {};
    Composer::Kind m_mode = Composer::Kind::Speech;
    bool m_privateLook = false;
    std::function<bool(const QString &)> m_roll;
};

} // namespace conversation
