// Times the dice engine as a host and a checking player meet it:
//  1. parse and roll 10,000 random expressions typed as players type them
//     (some mistyped, refused with their message);
//  2. verify 10,000 rolls received as text, once the seed is revealed:
//     decoding each record as it arrived, then recomputing every roll.
//
// Usage: bench_dice [count]   (default 10000)

#include "commitment.h"
#include "expressionparser.h"
#include "roller.h"
#include "rollrecord.h"
#include "seededdiesource.h"
#include "verifier.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

using namespace dice;

namespace
{

/// A random expression: one to three groups with random modifiers and a
/// constant now and then; about one in twenty has a typing mistake.
QString randomExpression(QRandomGenerator &rng)
{
    static const char *const faces[] = {"4", "6", "8", "10", "12", "20", "100", "%", "F"};
    static const char *const mods[] = {"", "", "", "kh1", "kl1", "dl1", "!", "!!", "r1", "ro1"};
    QString s;
    const int groups = 1 + rng.bounded(3);
    const bool pool = rng.bounded(6) == 0;
    for (int g = 0; g < groups; ++g) {
        if (g)
            s += rng.bounded(4) ? QLatin1Char('+') : QLatin1Char('-');
        const int count = 2 + rng.bounded(9);
        const char *face = pool ? "10" : faces[rng.bounded(9)];
        s += QString::number(count) + QLatin1Char('d') + QLatin1String(face);
        if (qstrcmp(face, "F") != 0)
            s += QLatin1String(mods[rng.bounded(10)]);
        if (pool)
            s += QStringLiteral(">=8f1");
    }
    if (!pool && rng.bounded(3) == 0)
        s += QLatin1Char('+') + QString::number(rng.bounded(10));
    if (rng.bounded(4) == 0)
        s += QStringLiteral(" attacco");
    if (rng.bounded(20) == 0)
        s.insert(rng.bounded(int(s.size())), QLatin1Char('?'));
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 10000;
    QRandomGenerator rng(20260307);
    QStringList typed;
    for (int i = 0; i < count; ++i)
        typed << randomExpression(rng);

    // 1. Parse and roll, as the host answers requests.
    Commitment host;
    QList<RollRecord> records;
    int refused = 0;
    long long dice = 0;
    QElapsedTimer t;
    t.start();
    for (const QString &text : typed) {
        const auto parsed = ExpressionParser::parse(text);
        if (!parsed.ok()) {
            ++refused;
            (void)parsed.error.message();
            continue;
        }
        RollRecord r;
        r.commitment = host.hash();
        r.counter = host.takeCounter();
        r.nonce = Commitment::freshNonce();
        r.roller = r.nonceBy = QStringLiteral("Ada");
        SeededDieSource source(host.seed(), r.roller, r.nonce, r.counter,
                               parsed.expression->text());
        r.roll = Roller::roll(*parsed.expression, source);
        dice += r.roll->draws.size();
        records.append(r);
    }
    const double rollMs = t.nsecsElapsed() / 1e6;
    std::printf("parse and roll: %d expressions (%d refused, %lld throws) in %.1f ms, "
                "%.2f us each\n",
                count, refused, dice, rollMs, rollMs * 1000 / count);

    // As many rolls to check as expressions were typed: the refused ones
    // are made up with rolls of typed expressions again.
    for (qsizetype i = 0; records.size() < count; ++i) {
        RollRecord r = records[i];
        r.counter = host.takeCounter();
        r.nonce = Commitment::freshNonce();
        SeededDieSource source(host.seed(), r.roller, r.nonce, r.counter,
                               r.roll->expression.text());
        r.roll = Roller::roll(r.roll->expression, source);
        records.append(r);
    }
    QStringList wire;
    for (const RollRecord &r : records)
        wire << r.encode();

    // 2. A player's check: each record decoded as it arrives, then the seed.
    t.restart();
    Verifier player;
    player.addCommitment(host.hash());
    for (const QString &text : wire)
        player.addRoll(*RollRecord::decode(text));
    const double decodeMs = t.nsecsElapsed() / 1e6;
    t.restart();
    player.addReveal(host.hash(), host.seed());
    const Verifier::Report report = player.check();
    const double checkMs = t.nsecsElapsed() / 1e6;
    std::printf("verification: %d rolls decoded in %.1f ms, recomputed in %.1f ms "
                "(%.2f us each): %s\n",
                int(wire.size()), decodeMs, checkMs, checkMs * 1000 / wire.size(),
                qPrintable(report.summary()));
    return report.ok() && report.checked == wire.size() ? 0 : 1;
}
