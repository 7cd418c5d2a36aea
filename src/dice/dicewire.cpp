#include "dicewire.h"

#include "commitment.h"
#include "expressionparser.h"

namespace dice
{

namespace
{

constexpr int kMaxIdDigits = 9;

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

bool DiceWire::isDiceTag(QStringView tag)
{
    for (const QString *t :
         {&Impegno, &Richiesta, &Tiro, &ChiediNonce, &Nonce, &Rivela, &Rifiuto, &Verifica})
        if (tag == *t)
            return true;
    return false;
}

std::optional<QByteArray> DiceWire::hex(QStringView field, int bytes)
{
    if (field.size() != 2 * bytes)
        return std::nullopt;
    for (QChar c : field)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return std::nullopt;
    return QByteArray::fromHex(field.toLatin1());
}

QString DiceWire::encode(const Request &r)
{
    return QString(RollRecord::kindLetter(r.kind)) + u' ' + QLatin1Char(r.details ? '1' : '0') +
           u' ' + hexText(r.nonce) + u' ' + r.expression;
}

std::optional<DiceWire::Request> DiceWire::decodeRequest(QStringView params)
{
    // The expression may hold spaces (its label): it is all after the third space.
    if (params.size() > 2 + 2 + 2 * Commitment::kNonceBytes + 1 + ExpressionParser::kMaxLength)
        return std::nullopt;
    const QList<QStringView> f = params.split(u' ');
    if (f.size() < 4 || f[0].size() != 1 || (f[1] != u"0" && f[1] != u"1"))
        return std::nullopt;
    const auto kind = RollRecord::kindOf(f[0].front());
    const auto nonce = hex(f[2], Commitment::kNonceBytes);
    if (!kind || !nonce)
        return std::nullopt;
    const qsizetype at = f[0].size() + f[1].size() + f[2].size() + 3;
    return Request{*kind, f[1] == u"1", *nonce, params.mid(at).toString()};
}

QString DiceWire::encode(const Reveal &r)
{
    return hexText(r.commitment) + u' ' + hexText(r.seed);
}

std::optional<DiceWire::Reveal> DiceWire::decodeReveal(QStringView params)
{
    const QList<QStringView> f = params.split(u' ');
    if (f.size() != 2)
        return std::nullopt;
    const auto commitment = hex(f[0], Commitment::kSeedBytes);
    const auto seed = hex(f[1], Commitment::kSeedBytes);
    if (!commitment || !seed)
        return std::nullopt;
    return Reveal{*commitment, *seed};
}

std::optional<QByteArray> DiceWire::decodeCommitment(QStringView params)
{
    return hex(params, Commitment::kSeedBytes);
}

QString DiceWire::encode(const NonceAnswer &a)
{
    return QString::number(a.id) + u' ' + hexText(a.nonce);
}

std::optional<quint32> DiceWire::decodeId(QStringView params)
{
    if (params.isEmpty() || params.size() > kMaxIdDigits || params.front() == u'0')
        return std::nullopt;
    for (QChar c : params)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    return params.toUInt();
}

std::optional<DiceWire::NonceAnswer> DiceWire::decodeNonce(QStringView params)
{
    const QList<QStringView> f = params.split(u' ');
    if (f.size() != 2)
        return std::nullopt;
    const auto id = decodeId(f[0]);
    const auto nonce = hex(f[1], Commitment::kNonceBytes);
    if (!id || !nonce)
        return std::nullopt;
    return NonceAnswer{*id, *nonce};
}

QString DiceWire::encode(const Refused &r)
{
    return hexText(r.nonce) + u' ' + QString::number(int(r.reason));
}

std::optional<DiceWire::Refused> DiceWire::decodeRefusal(QStringView params)
{
    const QList<QStringView> f = params.split(u' ');
    if (f.size() != 2 || f[1].size() != 1)
        return std::nullopt;
    const auto nonce = hex(f[0], Commitment::kNonceBytes);
    const int reason = f[1].front().unicode() - '0';
    if (!nonce || reason < int(Refusal::TooFast) || reason > int(Refusal::RepeatedNonce))
        return std::nullopt;
    return Refused{*nonce, Refusal(reason)};
}

} // namespace dice
