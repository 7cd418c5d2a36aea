#include "tabledice.h"

#include "announcement.h"
#include "dicewire.h"
#include "participantlist.h"
#include "routes.h"
#include "sinks.h"
#include "tablestate.h"
#include "tags.h"

#include <QCoreApplication>

namespace session
{

/// What the roll service reaches of the hosted table.
class TableDice::HostSide : public dice::RollService::Table
{
public:
    HostSide(TableState &state, Routes &routes, TableDice &dice)
        : m_state(state), m_routes(routes), m_dice(dice)
    {
    }

    QString hostName() const override { return m_state.myName; }
    QList<dice::RollService::Seat> seats() const override
    {
        QList<dice::RollService::Seat> seated;
        const ParticipantList *people = m_state.people;
        for (int row = 0; row < people->count(); ++row) {
            const qint32 index = people->tagAt(row);
            if (isClientIndex(index))
                seated.append({qint16(index), people->nameAt(row),
                               m_state.peers.isTavernix(qint16(index))});
        }
        return seated;
    }
    void sendTo(qint16 index, const QString &line) override { m_routes.send(index, line); }
    void sayTo(qint16 index, const QString &line) override
    {
        m_routes.send(index, tag::Messaggio + line);
    }
    void showHere(const dice::RollRecord &record) override
    {
        m_dice.tellWhatItProves();
        if (ConversationSink *sink = m_state.conversation)
            sink->showRoll(dice::Announcement::recordLine(record, true));
    }
    void keepPublicLine(const QString &line) override { m_routes.keepPublic(line); }
    void keepSeed(const QByteArray &commitment, const QByteArray &seed) override
    {
        emit m_dice.seedPromised(commitment, seed);
    }
    void keepReveal(const QByteArray &commitment) override { emit m_dice.seedRevealed(commitment); }
    void keepEvidence(const QString &line) override
    {
        if (ConversationSink *sink = m_state.conversation)
            sink->keepDiceEvidence(line);
    }
    void status(const QString &text) override { m_state.status(text); }

private:
    TableState &m_state;
    Routes &m_routes;
    TableDice &m_dice;
};

/// What the player's side reaches of the session with its host.
class TableDice::PlayerSide : public dice::RollClient::Link
{
public:
    PlayerSide(TableState &state, Routes &routes, TableDice &dice)
        : m_state(state), m_routes(routes), m_dice(dice)
    {
    }

    void sendToHost(const QString &line) override { m_routes.sendToHost(line); }
    void showRoll(const dice::RollRecord &record) override
    {
        m_dice.tellWhatItProves();
        if (ConversationSink *sink = m_state.conversation)
            sink->showRoll(dice::Announcement::recordLine(record, true));
    }
    void keepEvidence(const QString &line) override
    {
        if (ConversationSink *sink = m_state.conversation)
            sink->keepDiceEvidence(line);
    }
    void status(const QString &text) override { m_state.status(text); }

private:
    TableState &m_state;
    Routes &m_routes;
    TableDice &m_dice;
};

TableDice::TableDice(TableState &state, Routes &routes, QObject *parent)
    : QObject(parent), m_state(state),
      m_host(std::make_unique<HostSide>(state, routes, *this)),
      m_player(std::make_unique<PlayerSide>(state, routes, *this)),
      m_service(std::make_unique<dice::RollService>(*m_host)),
      m_client(std::make_unique<dice::RollClient>(*m_player))
{
    connect(m_client.get(), &dice::RollClient::checked, this,
            [this](const QString &summary, bool ok) {
                m_state.status(tr("Verifica dei dadi: %1").arg(summary));
                if (!ok)
                    if (MessageService *messages = m_state.messages)
                        messages->showMessage(
                            MessageService::Icon::Warning, kAppTitle,
                            tr("I dadi dell'host non tornano: %1").arg(summary));
                emit checked(summary, ok);
            });
}

TableDice::~TableDice() = default;

QString TableDice::whatItProves()
{
    return tr("Dadi verificabili: nessun giocatore può falsificare un tiro e l'host non può "
              "cambiarne uno né farlo sparire senza che i programmi dei giocatori se ne "
              "accorgano, ma l'host vede i tiri segreti e i tiri privati o fatti da "
              "programmi che non usano questo metodo restano non verificabili.");
}

dice::RollService &TableDice::service()
{
    return *m_service;
}

dice::RollClient &TableDice::client()
{
    return *m_client;
}

void TableDice::setCheckable(bool on)
{
    if (ConversationSink *sink = m_state.conversation)
        sink->setRollsCheckable(on);
}

bool TableDice::rollsHere() const
{
    return m_state.host ? m_service->active() : m_client->hostRolls();
}

TableDice::Asked TableDice::roll(const dice::Expression &expression, dice::RollRecord::Kind kind,
                                 bool details)
{
    if (m_state.host) {
        if (!m_service->active())
            return Asked::NotHere;
        m_service->rollOwn(expression, kind, details);
        return Asked::Sent;
    }
    switch (m_client->request(expression, kind, details)) {
    case dice::RollClient::Asked::Sent:
        return Asked::Sent;
    case dice::RollClient::Asked::TooFast:
        return Asked::TooFast;
    case dice::RollClient::Asked::NotHere:
        break;
    }
    return Asked::NotHere;
}

void TableDice::verifyNow()
{
    if (!rollsHere()) {
        m_player->status(tr("In questa sessione i dadi non sono verificabili: l'host non li "
                            "tira per i giocatori."));
        return;
    }
    if (m_state.host) {
        if (m_service->rollsWithCurrent() == 0) {
            m_host->status(tr("Nessun tiro da verificare dall'ultima rivelazione del seme."));
            return;
        }
        m_service->reveal();
        m_host->status(tr("Seme dei dadi rivelato: i giocatori verificano i tiri."));
        return;
    }
    m_client->askReveal();
    m_player->status(tr("Chiesto all'host di rivelare il seme dei dadi."));
}

void TableDice::hostingBegan()
{
    m_client->reset();
    m_service->begin();
    setCheckable(true);
    m_told = false;
}

void TableDice::tellWhatItProves()
{
    if (m_told)
        return;
    m_told = true;
    m_host->status(whatItProves());
}

void TableDice::restart(const QList<QByteArray> &unrevealed, const QList<QByteArray> &revealed)
{
    m_service->begin(unrevealed, revealed);
}

void TableDice::hostingEnds()
{
    if (!m_service->active())
        return;
    m_service->reveal(true);
    setCheckable(false);
}

void TableDice::welcome(qint16 index)
{
    if (m_state.peers.isTavernix(index))
        m_service->welcome(index);
}

void TableDice::left(qint16 index)
{
    m_service->left(index);
}

void TableDice::joining()
{
    m_told = false;
    m_client->reset();
    setCheckable(false);
}

void TableDice::hostLost()
{
    m_client->hostGone();
}

bool TableDice::onLine(const QString &tag, const QString &params, qint16 index)
{
    if (!dice::DiceWire::isDiceTag(tag))
        return false;
    if (m_state.host) {
        // Only a Tavernix client that has joined may ask.
        if (isClientIndex(index) && m_state.peers.isTavernix(index))
            m_service->onLine(index, tag, params);
        return true;
    }
    if (index != kHostIndex)
        return true;
    const bool knew = m_client->hostRolls();
    m_client->onLine(tag, params);
    if (!knew && m_client->hostRolls())
        setCheckable(true);
    return true;
}

} // namespace session
