#pragma once

#include "rollclient.h"
#include "rollrecord.h"
#include "rollservice.h"

#include <QObject>
#include <QString>

#include <memory>

namespace session
{

class Routes;
struct TableState;

/**
 * @brief The table's dice: ties the host's roll service and the player's
 * side of it to the table, so that the coordinator only says when a session
 * begins and ends and who comes and goes, and the dispatcher only hands it
 * the dice tags.
 *
 * Hosting, it rolls what Tavernix players ask for and announces every roll
 * as each participant may see it; connected to a Tavernix host, it asks the
 * host to roll, gives nonces for the host's own rolls and checks every roll
 * at each reveal. At a basic-protocol host nothing here rolls: the player's
 * program rolls for itself (rollsHere() is false).
 */
class TableDice : public QObject
{
    Q_OBJECT
public:
    /// Reads @p state, the session's, and sends through @p routes.
    TableDice(TableState &state, Routes &routes, QObject *parent = nullptr);
    ~TableDice() override;

    /// The one sentence the window says about what checkable dice prove.
    static QString whatItProves();

    /// Says once a session, at its first checkable roll, what such dice prove.
    void tellWhatItProves();

    /// True when a roll made now is rolled by the host and can be checked.
    bool rollsHere() const;
    enum class Asked { Sent, TooFast, NotHere };
    /**
     * @brief Rolls @p expression (label included) as @p kind: hosting, with
     * a nonce from a seated player's program; as a client, by asking the host.
     * @p details: the dice of a plain roll on a second line for basic programs.
     */
    Asked roll(const dice::Expression &expression, dice::RollRecord::Kind kind, bool details);
    /// "Verifica i dadi": hosting, reveals the seed now; as a client, asks
    /// the host to (and says how the rolls seen so far stand).
    void verifyNow();

    // --- what the coordinator tells ------------------------------------------
    /// Hosting began: a fresh seed is promised.
    void hostingBegan();
    /**
     * @brief The session's file is ready: seeds of an earlier run never
     * revealed (@p unrevealed) are revealed now, those revealed before
     * (@p revealed) are sent to newcomers, and a fresh seed is promised, so
     * that the file keeps it.
     */
    void restart(const QList<QByteArray> &unrevealed, const QList<QByteArray> &revealed);
    /// Hosting ends (before the connections close): the seed is revealed.
    void hostingEnds();
    /// A Tavernix participant joined the hosted table.
    void welcome(qint16 index);
    /// Client connection @p index closed.
    void left(qint16 index);
    /// "Connetti" to a host: what was seen of another host is forgotten.
    void joining();
    /// The connection to the host was lost: it must promise again.
    void hostLost();
    /// A dice line from connection @p index (-1: our host); false when the
    /// tag is none of ours.
    bool onLine(const QString &tag, const QString &params, qint16 index);

    dice::RollService &service();
    dice::RollClient &client();

signals:
    /// Hosting: a seed was promised (keep it with the session), and revealed.
    void seedPromised(const QByteArray &commitment, const QByteArray &seed);
    void seedRevealed(const QByteArray &commitment);
    /// As a player: the result of the check at a reveal.
    void checked(const QString &summary, bool ok);

private:
    class HostSide;
    class PlayerSide;
    void setCheckable(bool on);

    TableState &m_state;
    std::unique_ptr<HostSide> m_host;
    std::unique_ptr<PlayerSide> m_player;
    std::unique_ptr<dice::RollService> m_service;
    std::unique_ptr<dice::RollClient> m_client;
    bool m_told = false;
};

} // namespace session
