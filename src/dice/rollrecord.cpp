#include "rollrecord.h"

#include "commitment.h"
#include "dicewire.h"
#include "expressionparser.h"
#include "replaydiesource.h"
#include "roller.h"

namespace dice
{

namespace
{

constexpr int kFields = 10;
constexpr int kMaxCounterDigits = 15;
const QString kNone = QStringLiteral("-");

QString base64(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

/// Strict Base64 of UTF-8: the only spelling of its bytes, valid UTF-8.
std::optional<QString> unbase64(QStringView field)
{
    const QByteArray ascii = field.toLatin1();
    const auto decoded =
        QByteArray::fromBase64Encoding(ascii, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.toBase64() != ascii)
        return std::nullopt;
    const QString text = QString::fromUtf8(decoded.decoded);
    if (text.toUtf8() != decoded.decoded)
        return std::nullopt;
    return text;
}

std::optional<QString> name(QStringView field)
{
    const auto text = unbase64(field);
    if (!text || text->isEmpty() || text->size() > RollRecord::kMaxNameLength)
        return std::nullopt;
    for (QChar c : *text)
        if (c.category() == QChar::Other_Control)
            return std::nullopt;
    return text;
}

std::optional<quint64> counterField(QStringView field)
{
    if (field.isEmpty() || field.size() > kMaxCounterDigits || field.front() == u'0')
        return std::nullopt;
    for (QChar c : field)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    return field.toULongLong();
}

std::optional<QList<int>> throws(QStringView field)
{
    QList<int> draws;
    const int most = ExpressionParser::kMaxDice + Roller::kMaxExtraThrows;
    for (QStringView t : field.split(u',')) {
        if (t.isEmpty() || t.size() > 4 || t.front() == u'0' || draws.size() == most)
            return std::nullopt;
        bool ok = false;
        const int v = t.toInt(&ok);
        if (!ok || v < 1)
            return std::nullopt;
        draws.append(v);
    }
    return draws;
}

/// The roll @p expression and @p label stand for with @p draws, when every
/// piece is what the roller itself would have sent.
std::optional<RollResult> rebuild(QStringView expression, QStringView label, QStringView draws)
{
    QString labelText;
    if (label != kNone) {
        const auto l = unbase64(label);
        if (!l || l->isEmpty())
            return std::nullopt;
        labelText = *l;
    }
    const QString text =
        labelText.isEmpty() ? expression.toString() : expression.toString() + u' ' + labelText;
    const auto parsed = ExpressionParser::parse(text);
    if (!parsed.ok() || parsed.expression->text() != expression ||
        parsed.expression->label != labelText)
        return std::nullopt;
    const auto list = throws(draws);
    if (!list)
        return std::nullopt;
    ReplayDieSource source(*list);
    auto roll = Roller::roll(*parsed.expression, source);
    if (!roll || !source.finished())
        return std::nullopt;
    return roll;
}

} // namespace

QChar RollRecord::kindLetter(Kind kind)
{
    static const char kinds[] = {'P', 'S', 'M'};
    return QLatin1Char(kinds[int(kind)]);
}

std::optional<RollRecord::Kind> RollRecord::kindOf(QChar letter)
{
    for (Kind k : {Kind::Public, Kind::Secret, Kind::Master})
        if (kindLetter(k) == letter)
            return k;
    return std::nullopt;
}

RollRecord RollRecord::hiddenCopy() const
{
    RollRecord r = *this;
    if (r.roll) {
        r.roll.reset();
        r.nonce = Commitment::fingerprint(nonce);
    }
    return r;
}

QByteArray RollRecord::nonceKey() const
{
    return hidden() ? nonce : Commitment::fingerprint(nonce);
}

QString RollRecord::encode() const
{
    QStringList f;
    f << QStringLiteral("1") << QString(kindLetter(kind)) << QString::fromLatin1(commitment.toHex())
      << QString::number(counter) << QString::fromLatin1(nonce.toHex()) << base64(roller)
      << base64(nonceBy);
    if (roll) {
        QStringList draws;
        for (int d : roll->draws)
            draws << QString::number(d);
        f << roll->expression.text()
          << (roll->expression.label.isEmpty() ? kNone : base64(roll->expression.label))
          << draws.join(QLatin1Char(','));
    } else {
        f << kNone << kNone << kNone;
    }
    return f.join(QLatin1Char(' '));
}

std::optional<RollRecord> RollRecord::decode(QStringView text)
{
    if (text.size() > kMaxEncodedLength)
        return std::nullopt;
    const QList<QStringView> f = text.split(u' ');
    if (f.size() != kFields || f[0] != u"1" || f[1].size() != 1)
        return std::nullopt;
    RollRecord r;
    const auto kind = kindOf(f[1].front());
    if (!kind)
        return std::nullopt;
    r.kind = *kind;
    const auto commitment = DiceWire::hex(f[2], Commitment::kSeedBytes);
    const auto count = counterField(f[3]);
    const auto nonce = DiceWire::hex(f[4], Commitment::kNonceBytes);
    const auto roller = name(f[5]);
    const auto nonceBy = name(f[6]);
    if (!commitment || !count || !nonce || !roller || !nonceBy)
        return std::nullopt;
    r.commitment = *commitment;
    r.counter = *count;
    r.nonce = *nonce;
    r.roller = *roller;
    r.nonceBy = *nonceBy;

    const bool hidden = f[7] == kNone && f[8] == kNone && f[9] == kNone;
    if (hidden) {
        // Only a roll kept from others may come without its dice.
        if (r.kind == Kind::Public)
            return std::nullopt;
        return r;
    }
    r.roll = rebuild(f[7], f[8], f[9]);
    if (!r.roll)
        return std::nullopt;
    return r;
}

} // namespace dice
