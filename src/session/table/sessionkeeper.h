#pragma once

#include "sessionstore.h"

#include <QObject>
#include <QPointer>

namespace session
{

class ChatSession;

/**
 * @brief Ties a hosting session to its file: at "Host" it offers to take up
 * the last session, and while hosting it keeps the board and the public
 * conversation in the file as they happen.
 *
 * Taking a session up draws its board again (pixel for pixel, through the
 * same drawing the newcomers' replay uses), makes it the board newcomers
 * receive, shows its last lines as a recap and goes on writing the same
 * file. A file that is refused is named in a message and left as it is; the
 * new session gets a file of its own. Messages go through the session's
 * MessageService.
 */
class SessionKeeper : public QObject
{
    Q_OBJECT
public:
    /// How the question at "Host" is answered.
    enum class Resume { Ask, Yes, No };

    SessionKeeper(ChatSession *chat, SessionStore *store, QObject *parent = nullptr);

    void setResume(Resume resume) { m_resume = resume; }
    Resume resume() const { return m_resume; }

    /// "Host": hosts at once, or first asks whether to take up the last
    /// session and hosts when answered.
    void host();
    /// True while the question waits for its answer.
    bool isAsking() const { return m_asking; }

    /// "Riprendi la partita del …?" for @p contents.
    static QString question(const SessionStore::Contents &contents);

private:
    void start(const SessionStore::Contents *taken);
    /// Dice seeds the last session promised and never revealed.
    QList<QByteArray> m_leftSeeds;
    void warn(const QString &text);

    QPointer<ChatSession> m_chat;
    SessionStore *m_store;
    Resume m_resume = Resume::Ask;
    bool m_asking = false;
};

} // namespace session
