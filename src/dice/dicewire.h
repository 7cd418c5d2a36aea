#pragma once

#include "rollrecord.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace dice
{

/**
 * @brief The dice tags between Tavernix programs and what they carry,
 * besides the roll itself (RollRecord). A program that knows only the basic
 * protocol ignores them; a host sends them only to Tavernix clients.
 *
 * Every parameter text is a few fields apart by single spaces; hex is lower
 * case; anything else is refused whole.
 */
class DiceWire
{
public:
    /// Host to clients: "COMMITMENT", SHA-256 of the seed that rolls from now on.
    inline static const QString Impegno = QStringLiteral("[Tavernix Dadi Impegno]");
    /// Client to host: "KIND DETAILS NONCE EXPRESSION": a roll asked for.
    inline static const QString Richiesta = QStringLiteral("[Tavernix Dadi Richiesta]");
    /// Host to clients: a roll (see RollRecord).
    inline static const QString Tiro = QStringLiteral("[Tavernix Dadi Tiro]");
    /// Host to one client: "ID": give a nonce for one of the host's rolls.
    inline static const QString ChiediNonce = QStringLiteral("[Tavernix Dadi Chiedi Nonce]");
    /// Client to host: "ID NONCE", the answer.
    inline static const QString Nonce = QStringLiteral("[Tavernix Dadi Nonce]");
    /// Host to clients: "COMMITMENT SEED": the seed promised is revealed.
    inline static const QString Rivela = QStringLiteral("[Tavernix Dadi Rivela]");
    /// Host to one client: "NONCE REASON": a request not rolled.
    inline static const QString Rifiuto = QStringLiteral("[Tavernix Dadi Rifiuto]");
    /// Client to host, no parameters: please reveal the seed now.
    inline static const QString Verifica = QStringLiteral("[Tavernix Dadi Verifica]");

    /// True for any of the tags above.
    static bool isDiceTag(QStringView tag);

    struct Request {
        RollRecord::Kind kind = RollRecord::Kind::Public;
        bool details = false; ///< show the dice of a plain roll to basic programs
        QByteArray nonce;
        QString expression; ///< as typed, label included; parsed by the host
    };
    static QString encode(const Request &request);
    static std::optional<Request> decodeRequest(QStringView params);

    struct Reveal {
        QByteArray commitment;
        QByteArray seed;
    };
    static QString encode(const Reveal &reveal);
    static std::optional<Reveal> decodeReveal(QStringView params);
    static std::optional<QByteArray> decodeCommitment(QStringView params);

    struct NonceAnswer {
        quint32 id = 0;
        QByteArray nonce;
    };
    static QString encode(const NonceAnswer &answer);
    static std::optional<NonceAnswer> decodeNonce(QStringView params);
    static std::optional<quint32> decodeId(QStringView params);

    /// Why a request was not rolled.
    enum class Refusal { TooFast = 1, BadExpression = 2, NotRolling = 3, RepeatedNonce = 4 };
    struct Refused {
        QByteArray nonce;
        Refusal reason = Refusal::TooFast;
    };
    static QString encode(const Refused &refused);
    static std::optional<Refused> decodeRefusal(QStringView params);

    /// Lower-case hex of exactly @p bytes bytes, or nothing.
    static std::optional<QByteArray> hex(QStringView field, int bytes);
};

} // namespace dice
