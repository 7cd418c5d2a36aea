#pragma once

#include "admission.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThreadPool;

namespace secure
{

/**
 * @brief The door of the host: every connection is a stranger until the
 * guard admits it, and a stranger is handed nothing of the table.
 *
 * The relay tells the guard of each new connection and hands it every line
 * a stranger sends. Where the table's access lets the connection in as it
 * is (anyone, or lan-open from the local network), it is admitted at once
 * and everything goes on as before. Otherwise its lines are held, not
 * delivered, until its "[Connessione]": by then a Tavernix client has said
 * "[Tavernix Accesso]" with its key or password, and the guard decides.
 * Admitted, the held lines are released in order; refused, the relay sends
 * the refusal and closes. A password is checked on a worker thread, one at
 * a time, with a short queue: a flood of guesses never holds up the relay.
 */
class JoinGuard : public QObject
{
    Q_OBJECT
public:
    /// What the relay does with a stranger's line.
    enum class Fate {
        Deliver, ///< admitted: to the dispatcher as usual
        Hold,    ///< kept by the guard; released with admitted() if it comes
        Drop,    ///< thrown away
    };
    /// Lines a stranger may have held before its "[Connessione]".
    static constexpr int kMaxHeldLines = 16;
    /// Passwords waiting to be checked, at most; more are refused at once.
    static constexpr int kMaxQueuedChecks = 8;

    explicit JoinGuard(Admission *admission, QObject *parent = nullptr);
    ~JoinGuard() override;

    /// A connection from @p peer was accepted as @p index.
    void accepted(qint16 index, const QHostAddress &peer);
    /// Connection @p index finished its TLS handshake.
    void setEncrypted(qint16 index);
    bool isEncrypted(qint16 index) const;
    bool isAdmitted(qint16 index) const;
    /// Said "[Tavernix]" (so it gets the refusal as a tag and is told its pass).
    bool isTavernix(qint16 index) const;
    Fate line(qint16 index, const QByteArray &line);
    /// The connection is gone; a check under way for it is forgotten.
    void closed(qint16 index);

    /**
     * @brief How the guard tells a seat token of this table (shown by a
     * player coming back after a lost connection) from any other text; none
     * set: no token is good.
     */
    void setSeatCheck(std::function<bool(const QString &token)> check) { m_seatCheck = std::move(check); }

    /// The text a basic-protocol joiner is shown, as a "[Messaggio]" line.
    static QByteArray plainRefusalLine(const QString &code);

signals:
    /// Connection @p index may sit down; @p held are its lines so far, in order.
    void admitted(qint16 index, const QList<QByteArray> &held);
    /// Connection @p index is refused for @p code (Admission::refusalCode);
    /// @p tavernix when it said "[Tavernix]" (it reads the refusal tag).
    void refused(qint16 index, const QString &code, bool tavernix);

private:
    struct Stranger
    {
        QHostAddress peer;
        bool encrypted = false;
        bool admitted = false;
        bool tavernix = false;
        bool deciding = false; ///< a password check runs
        quint64 turn = 0;      ///< tells a stale check's answer from a current one
        QByteArray key;
        QString password;
        QString seatToken; ///< from "[Tavernix Ritorno]", if it came back
        QList<QByteArray> held;
    };
    void decide(qint16 index, Stranger &s);
    void admit(qint16 index, Stranger &s);
    void refuse(qint16 index, Admission::Verdict verdict);
    void checkPassword(qint16 index, Stranger &s);
    void onChecked(qint16 index, quint64 turn, bool matched);

    Admission *m_admission;
    std::function<bool(const QString &)> m_seatCheck;
    QHash<qint16, Stranger> m_peers;
    std::unique_ptr<QThreadPool> m_checks;
    int m_queued = 0;
    quint64 m_nextTurn = 1;
};

} // namespace secure
