#include "rollservice.h"

#include "announcement.h"
#include "expressionparser.h"
#include "roller.h"
#include "seededdiesource.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTimer>

namespace dice
{

namespace
{

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

RollService::RollService(Table &table, QObject *parent) : QObject(parent), m_table(table)
{
    m_clock.start();
}

RollService::~RollService() = default;

QByteArray RollService::commitment() const
{
    return m_current ? m_current->hash() : QByteArray();
}

quint64 RollService::rollsWithCurrent() const
{
    return m_current ? m_current->nextCounter() - 1 : 0;
}

QString RollService::nameOf(qint16 index) const
{
    for (const Seat &s : m_table.seats())
        if (s.index == index)
            return s.name;
    return {};
}

void RollService::sendToTavernix(const QString &line)
{
    for (const Seat &s : m_table.seats())
        if (s.tavernix)
            m_table.sendTo(s.index, line);
}

void RollService::begin(const QList<QByteArray> &unrevealed, const QList<QByteArray> &revealed)
{
    for (PendingOwn &p : m_pending)
        delete p.timer;
    m_pending.clear();
    m_reveals.clear();
    m_usedNonces.clear();
    m_current.reset();
    for (const QByteArray &seed : revealed)
        m_reveals.append({Commitment::hashOf(seed), seed});
    for (const QByteArray &seed : unrevealed) {
        // An earlier run of this session ended without revealing: do it now,
        // so its rolls can still be checked.
        m_current = Commitment(seed, 1);
        reveal(true);
    }
    promise();
}

void RollService::promise()
{
    m_current = Commitment();
    m_table.keepSeed(m_current->hash(), m_current->seed());
    const QString line = DiceWire::Impegno + hexText(m_current->hash());
    sendToTavernix(line);
    m_table.keepEvidence(line);
}

void RollService::reveal(bool sessionEnds)
{
    if (!m_current)
        return;
    const DiceWire::Reveal r{m_current->hash(), m_current->seed()};
    m_current.reset();
    const QString line = DiceWire::Rivela + DiceWire::encode(r);
    sendToTavernix(line);
    m_table.keepReveal(r.commitment);
    m_table.keepEvidence(line);
    m_reveals.append(r);
    if (m_reveals.size() > kMaxKeptReveals)
        m_reveals.removeFirst();
    if (sessionEnds) {
        for (PendingOwn &p : m_pending)
            delete p.timer;
        m_pending.clear();
    } else {
        promise();
    }
}

void RollService::welcome(qint16 index)
{
    for (const DiceWire::Reveal &r : std::as_const(m_reveals))
        m_table.sendTo(index, DiceWire::Rivela + DiceWire::encode(r));
    if (m_current)
        m_table.sendTo(index, DiceWire::Impegno + hexText(m_current->hash()));
}

void RollService::left(qint16 index)
{
    m_rates.remove(index);
    m_lastRevealAsk.remove(index);
    // Asking again may roll at once (nobody else to ask), which takes the
    // roll out of the list: go by ids.
    QList<quint32> ids;
    for (const PendingOwn &p : std::as_const(m_pending))
        if (p.askedOf == index)
            ids.append(p.id);
    for (quint32 id : ids)
        for (PendingOwn &p : m_pending)
            if (p.id == id) {
                askNonce(p);
                break;
            }
}

bool RollService::onLine(qint16 origin, const QString &tag, QStringView params)
{
    if (tag == DiceWire::Richiesta)
        onRequest(origin, params);
    else if (tag == DiceWire::Nonce)
        onNonce(origin, params);
    else if (tag == DiceWire::Verifica)
        onRevealAsked(origin);
    // Other dice tags are the host's to send: from a client they are ignored.
    return DiceWire::isDiceTag(tag);
}

void RollService::onRequest(qint16 origin, QStringView params)
{
    const QString name = nameOf(origin);
    const auto request = DiceWire::decodeRequest(params);
    if (name.isEmpty() || !request)
        return;
    auto refuse = [&](DiceWire::Refusal why) {
        m_table.sendTo(origin, DiceWire::Rifiuto +
                                   DiceWire::encode(DiceWire::Refused{request->nonce, why}));
    };
    auto rate = m_rates.find(origin);
    if (rate == m_rates.end())
        rate = m_rates.insert(origin, RateLimit(kBurst, kRefillMs));
    if (!rate->take(m_clock.elapsed()))
        return refuse(DiceWire::Refusal::TooFast);
    if (!m_current)
        return refuse(DiceWire::Refusal::NotRolling);
    if (m_usedNonces.contains(Commitment::fingerprint(request->nonce)))
        return refuse(DiceWire::Refusal::RepeatedNonce);
    const auto parsed = ExpressionParser::parse(request->expression);
    if (!parsed.ok())
        return refuse(DiceWire::Refusal::BadExpression);
    roll(name, origin, request->nonce, name, *parsed.expression, request->kind, request->details);
}

void RollService::onNonce(qint16 origin, QStringView params)
{
    const auto answer = DiceWire::decodeNonce(params);
    if (!answer || m_usedNonces.contains(Commitment::fingerprint(answer->nonce)))
        return;
    for (const PendingOwn &p : std::as_const(m_pending))
        if (p.id == answer->id && p.askedOf == origin)
            return rollPending(p.id, answer->nonce, p.askedName);
}

void RollService::onRevealAsked(qint16 origin)
{
    const QString name = nameOf(origin);
    const qint64 now = m_clock.elapsed();
    const auto last = m_lastRevealAsk.constFind(origin);
    if (name.isEmpty() || (last != m_lastRevealAsk.cend() && now - *last < kRevealAskMs))
        return;
    m_lastRevealAsk.insert(origin, now);
    if (rollsWithCurrent() == 0)
        return; // nothing rolled since the last reveal
    m_table.status(tr("%1 ha chiesto di verificare i dadi: il seme è rivelato.").arg(name));
    reveal();
}

void RollService::rollOwn(const Expression &expression, RollRecord::Kind kind, bool details)
{
    if (!m_current)
        return;
    PendingOwn p;
    p.id = m_nextId++;
    p.expression = expression;
    p.kind = kind;
    p.details = details;
    p.timer = new QTimer(this);
    p.timer->setSingleShot(true);
    const quint32 id = p.id;
    connect(p.timer, &QTimer::timeout, this, [this, id] {
        for (PendingOwn &q : m_pending)
            if (q.id == id)
                return askNonce(q);
    });
    m_pending.append(p);
    askNonce(m_pending.last());
}

void RollService::askNonce(PendingOwn &p)
{
    // A player's program chosen at random gives the nonce, so the host cannot
    // pick one that rolls what it wants; one that does not answer in time is
    // passed over for another.
    QList<Seat> candidates;
    for (const Seat &s : m_table.seats())
        if (s.tavernix && !p.tried.contains(s.index))
            candidates.append(s);
    if (candidates.isEmpty())
        return rollPending(p.id, Commitment::freshNonce(), m_table.hostName());
    const Seat &chosen = candidates[QRandomGenerator::system()->bounded(int(candidates.size()))];
    p.tried.append(chosen.index);
    p.askedOf = chosen.index;
    p.askedName = chosen.name;
    m_table.sendTo(chosen.index, DiceWire::ChiediNonce + QString::number(p.id));
    p.timer->start(kNonceWaitMs);
}

void RollService::rollPending(quint32 id, QByteArray nonce, QString nonceBy)
{
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        if (m_pending[i].id != id)
            continue;
        const PendingOwn p = m_pending.takeAt(i);
        p.timer->deleteLater();
        if (m_current)
            roll(m_table.hostName(), kHostIndex, nonce, nonceBy, p.expression, p.kind, p.details);
        return;
    }
}

void RollService::roll(const QString &roller, qint16 rollerIndex, const QByteArray &nonce,
                       const QString &nonceBy, const Expression &expression, RollRecord::Kind kind,
                       bool details)
{
    RollRecord record;
    record.kind = kind;
    record.commitment = m_current->hash();
    record.counter = m_current->takeCounter();
    record.nonce = nonce;
    record.roller = roller;
    record.nonceBy = nonceBy;
    SeededDieSource source(m_current->seed(), roller, nonce, record.counter, expression.text());
    record.roll = Roller::roll(expression, source);
    m_usedNonces.insert(Commitment::fingerprint(nonce));

    const RollRecord hidden = record.hiddenCopy();
    const QString whole = DiceWire::Tiro + record.encode();
    const QString counted = DiceWire::Tiro + hidden.encode();
    const bool isPublic = kind == RollRecord::Kind::Public;
    const QString said = isPublic ? Announcement::line(roller, *record.roll, false, details)
                                  : Announcement::recordLine(hidden, false);
    for (const Seat &s : m_table.seats()) {
        const bool sees = isPublic || (kind == RollRecord::Kind::Secret && s.index == rollerIndex);
        if (s.tavernix)
            m_table.sendTo(s.index, sees ? whole : counted);
        else
            m_table.sayTo(s.index, said);
    }
    m_table.showHere(record);
    m_table.keepEvidence(whole);
    if (isPublic)
        m_table.keepPublicLine(said);
    emit announced(record);
}

} // namespace dice
