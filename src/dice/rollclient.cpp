#include "rollclient.h"

#include "commitment.h"
#include "dicewire.h"
#include "rollservice.h"

#include <QCoreApplication>

namespace dice
{

RollClient::RollClient(Link &link, QObject *parent)
    : QObject(parent), m_link(link), m_rate(RollService::kBurst, RollService::kRefillMs)
{
    m_clock.start();
}

void RollClient::reset()
{
    m_ledger.clear();
    m_hostRolls = false;
    m_rate = RateLimit(RollService::kBurst, RollService::kRefillMs);
}

void RollClient::keep(const QString &line)
{
    m_ledger.add(line, m_clock.elapsed());
    m_link.keepEvidence(line);
}

RollClient::Asked RollClient::request(const Expression &expression, RollRecord::Kind kind,
                                      bool details)
{
    if (!m_hostRolls)
        return Asked::NotHere;
    // The host allows the same pace: an honest player is never refused.
    if (!m_rate.take(m_clock.elapsed()))
        return Asked::TooFast;
    DiceWire::Request r;
    r.kind = kind;
    r.details = details;
    r.nonce = Commitment::freshNonce();
    r.expression = expression.text();
    if (!expression.label.isEmpty())
        r.expression += u' ' + expression.label;
    const QString line = DiceWire::Richiesta + DiceWire::encode(r);
    keep(line);
    m_link.sendToHost(line);
    return Asked::Sent;
}

void RollClient::askReveal()
{
    if (m_hostRolls)
        m_link.sendToHost(DiceWire::Verifica);
}

Verifier::Report RollClient::check() const
{
    return m_ledger.check(m_clock.elapsed(), m_graceMs);
}

bool RollClient::onLine(const QString &tag, QStringView params)
{
    if (!DiceWire::isDiceTag(tag))
        return false;
    const QString line = tag + params.toString();
    if (tag == DiceWire::Impegno) {
        if (DiceWire::decodeCommitment(params)) {
            m_hostRolls = true;
            keep(line);
        }
    } else if (tag == DiceWire::Tiro) {
        // Decoded here, so a roll that does not rebuild exactly is never
        // shown as a roll at all.
        if (const auto record = RollRecord::decode(params)) {
            keep(line);
            m_link.showRoll(*record);
        }
    } else if (tag == DiceWire::Rivela) {
        if (DiceWire::decodeReveal(params)) {
            keep(line);
            const Verifier::Report report = check();
            emit checked(report.summary(), report.ok());
        }
    } else if (tag == DiceWire::ChiediNonce) {
        if (const auto id = DiceWire::decodeId(params)) {
            const QString answer =
                DiceWire::Nonce +
                DiceWire::encode(DiceWire::NonceAnswer{*id, Commitment::freshNonce()});
            keep(answer);
            m_link.sendToHost(answer);
        }
    } else if (tag == DiceWire::Rifiuto) {
        if (const auto refused = DiceWire::decodeRefusal(params)) {
            static const char *const why[] = {
                "",
                QT_TRANSLATE_NOOP("dice::RollClient", "troppi tiri di seguito, aspetta un momento"),
                QT_TRANSLATE_NOOP("dice::RollClient", "l'espressione non è valida"),
                QT_TRANSLATE_NOOP("dice::RollClient", "l'host non tira i dadi in questo momento"),
                QT_TRANSLATE_NOOP("dice::RollClient", "lo stesso nonce era già stato usato")};
            m_link.status(
                tr("L'host non ha tirato i dadi chiesti: %1.").arg(tr(why[int(refused->reason)])));
        }
    }
    return true;
}

} // namespace dice
