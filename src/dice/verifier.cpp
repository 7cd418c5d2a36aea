#include "verifier.h"

#include "commitment.h"
#include "roller.h"
#include "seededdiesource.h"

#include <QCoreApplication>

namespace dice
{

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("dice::Verifier", text);
}

QString throwsText(const QList<int> &draws)
{
    QStringList s;
    for (int d : draws)
        s << QString::number(d);
    return s.join(QStringLiteral(", "));
}

QString shortHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().left(16));
}

} // namespace

void Verifier::addCommitment(const QByteArray &commitment)
{
    m_promised.insert(commitment);
}

void Verifier::addReveal(const QByteArray &commitment, const QByteArray &seed)
{
    m_reveals.append({commitment, seed});
}

void Verifier::addRoll(const RollRecord &record)
{
    m_rolls.append({record, m_promised.contains(record.commitment)});
}

void Verifier::addRequest(const QByteArray &nonce, const QString &expression)
{
    m_requests.append({nonce, expression});
}

void Verifier::addSuppliedNonce(const QByteArray &nonce)
{
    m_supplied.append(nonce);
}

QString Verifier::rollName(const RollRecord &record)
{
    const QString what = record.roll ? record.roll->expression.text() : tr("segreto");
    return tr("il tiro n. %1 di %2 (%3)").arg(record.counter).arg(record.roller, what);
}

Verifier::Report Verifier::check() const
{
    using Kind = Problem::Kind;
    Report report;

    QHash<QByteArray, QByteArray> seeds; // commitment -> its seed, when it matches
    QSet<QByteArray> broken;
    for (const auto &[commitment, seed] : m_reveals) {
        if (Commitment::matches(seed, commitment)) {
            seeds.insert(commitment, seed);
        } else if (!broken.contains(commitment)) {
            broken.insert(commitment);
            report.problems.append(
                {Kind::SeedMismatch,
                 tr("Il seme rivelato non corrisponde all'impegno %1…: i tiri fatti con "
                    "quell'impegno non si possono verificare.")
                     .arg(shortHex(commitment))});
        }
    }

    QHash<QByteArray, const RollRecord *> byNonce;
    QHash<QPair<QByteArray, quint64>, const RollRecord *> byCounter;
    for (const Seen &seen : m_rolls) {
        const RollRecord &r = seen.record;
        if (!seen.promised)
            report.problems.append(
                {Kind::UnknownCommitment,
                 tr("%1 usa un seme che non era stato promesso prima.").arg(rollName(r))});
        if (const RollRecord *other = byNonce.value(r.nonceKey()))
            report.problems.append(
                {Kind::NonceReused, tr("%1 usa lo stesso nonce di %2: una richiesta ha avuto "
                                       "due risposte.")
                                        .arg(rollName(r), rollName(*other))});
        else
            byNonce.insert(r.nonceKey(), &r);
        const QPair<QByteArray, quint64> key{r.commitment, r.counter};
        if (const RollRecord *other = byCounter.value(key))
            report.problems.append(
                {Kind::CounterReused, tr("%1 ha lo stesso numero di %2 con lo stesso seme.")
                                          .arg(rollName(r), rollName(*other))});
        else
            byCounter.insert(key, &r);

        if (!r.roll) {
            ++report.hidden;
            continue;
        }
        if (broken.contains(r.commitment))
            continue;
        const auto seed = seeds.constFind(r.commitment);
        if (seed == seeds.cend()) {
            ++report.pending;
            continue;
        }
        SeededDieSource source(*seed, r.roller, r.nonce, r.counter, r.roll->expression.text());
        const auto again = Roller::roll(r.roll->expression, source);
        if (again && again->draws == r.roll->draws) {
            ++report.checked;
        } else {
            report.problems.append(
                {Kind::WrongDice, tr("%1 non corrisponde al seme rivelato: annunciati %2, "
                                     "dal seme %3.")
                                      .arg(rollName(r), throwsText(r.roll->draws),
                                           again ? throwsText(again->draws) : QString())});
        }
    }

    for (const Request &q : m_requests) {
        const RollRecord *r = byNonce.value(Commitment::fingerprint(q.nonce));
        if (!r)
            report.problems.append(
                {Kind::Unanswered, tr("Il tiro %1 chiesto dal tuo programma (nonce %2…) non è "
                                      "mai stato annunciato.")
                                       .arg(q.expression, shortHex(q.nonce))});
        else if (r->roll && r->roll->expression.text() != q.expression)
            report.problems.append(
                {Kind::WrongAnswer, tr("Il tuo programma ha chiesto %1, ma %2 ha lanciato "
                                       "altro con il suo nonce.")
                                        .arg(q.expression, rollName(*r))});
    }
    for (const QByteArray &nonce : m_supplied)
        if (!byNonce.contains(Commitment::fingerprint(nonce)))
            report.problems.append(
                {Kind::NonceUnused, tr("Il nonce %1… dato dal tuo programma per un tiro del "
                                       "master non è stato usato da nessun tiro annunciato.")
                                        .arg(shortHex(nonce))});
    return report;
}

QString Verifier::Report::summary() const
{
    // The texts go by the name the rest of this file's texts go by.
    if (!problems.isEmpty()) {
        QString line = problems.first().text;
        const int more = int(problems.size()) - 1;
        if (more > 0)
            line += QLatin1Char(' ') + QCoreApplication::translate("dice::Verifier",
                                                                   "(e altri %n problemi)", nullptr,
                                                                   more);
        return line;
    }
    QString line;
    if (checked == 0)
        line = QCoreApplication::translate("dice::Verifier", "nessun tiro da verificare");
    else if (checked == 1)
        line = QCoreApplication::translate("dice::Verifier", "l'unico tiro verificato");
    else
        line = QCoreApplication::translate("dice::Verifier", "tutti i %1 tiri verificati")
                   .arg(checked);
    if (pending > 0)
        line += QStringLiteral(", ") +
                QCoreApplication::translate("dice::Verifier", "%1 in attesa del seme").arg(pending);
    return line;
}

} // namespace dice
