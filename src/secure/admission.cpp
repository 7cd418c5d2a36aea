#include "admission.h"

#include <QCoreApplication>

namespace secure
{

Admission::Admission(const QString &banFile) : m_key(TableKey::generate()), m_bans(banFile) {}

void Admission::renewKey()
{
    m_key = TableKey::generate();
}

Admission::Verdict Admission::decide(const QHostAddress &from, const Credentials &credentials, qint64 nowMs)
{
    if (m_bans.isBanned(from))
        return Verdict::Banned;
    const bool presented = !credentials.key.isEmpty() || !credentials.password.isEmpty() || credentials.seated;
    const bool needsProof = m_access == Access::Invited || (m_access == Access::LanOpen && !isLocalNetwork(from));
    if (!needsProof)
        return Verdict::Admitted;
    if (!presented)
        return Verdict::NeedsKey;
    if (!credentials.encrypted)
        return Verdict::NeedsEncryption;
    // Its seat was given by this table: "Nuovo invito" stops the old links
    // for newcomers, never for the players already seated.
    if (credentials.seated)
        return Verdict::Admitted;
    // The key is 128 random bits: guessing it is hopeless, so it is checked
    // whatever the limiter says, and an invited player behind the same
    // router as a pest is never kept waiting.
    if (!credentials.key.isEmpty()) {
        if (m_key.matches(credentials.key)) {
            m_limiter.succeeded(from);
            return Verdict::Admitted;
        }
        if (credentials.password.isEmpty()) {
            m_limiter.tryNow(from, nowMs);
            return Verdict::WrongKey;
        }
    }
    if (m_password.isNull()) {
        m_limiter.tryNow(from, nowMs);
        return Verdict::WrongKey;
    }
    if (!m_limiter.tryNow(from, nowMs))
        return Verdict::TooManyTries;
    return Verdict::CheckPassword;
}

Admission::Verdict Admission::passwordChecked(const QHostAddress &from, bool matched)
{
    if (!matched)
        return Verdict::WrongKey;
    if (m_bans.isBanned(from))
        return Verdict::Banned;
    m_limiter.succeeded(from);
    return Verdict::Admitted;
}

QString Admission::refusalCode(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Banned:
        return QStringLiteral("bandito");
    case Verdict::NeedsKey:
        return QStringLiteral("invito");
    case Verdict::WrongKey:
        return QStringLiteral("chiave");
    case Verdict::TooManyTries:
        return QStringLiteral("attendi");
    case Verdict::NeedsEncryption:
        return QStringLiteral("cifratura");
    case Verdict::Admitted:
    case Verdict::CheckPassword:
        break;
    }
    return {};
}

QString Admission::refusalText(const QString &code)
{
    static const struct
    {
        const char *code;
        const char *text;
    } kTexts[] = {
        {"bandito", QT_TRANSLATE_NOOP("secure::Admission",
                                      "Il tavolo non ti ha fatto entrare: chi lo ospita ha bandito il tuo indirizzo.")},
        {"invito", QT_TRANSLATE_NOOP("secure::Admission",
                                     "Il tavolo non ti ha fatto entrare: è riservato agli invitati. Chiedi a chi lo "
                                     "ospita l'invito (il collegamento tavernix://…) o la parola d'ordine.")},
        {"chiave", QT_TRANSLATE_NOOP("secure::Admission",
                                     "Il tavolo non ti ha fatto entrare: l'invito o la parola d'ordine non sono "
                                     "(più) validi. Chiedi a chi lo ospita un invito nuovo.")},
        {"attendi", QT_TRANSLATE_NOOP("secure::Admission",
                                      "Il tavolo non ti ha fatto entrare: troppi tentativi sbagliati da questo "
                                      "indirizzo. Riprova fra qualche minuto.")},
        {"cifratura", QT_TRANSLATE_NOOP("secure::Admission",
                                        "Il tavolo non ti ha fatto entrare: un invito o una parola d'ordine valgono "
                                        "solo su una connessione cifrata.")},
    };
    for (const auto &t : kTexts) {
        if (code == QLatin1String(t.code))
            return QCoreApplication::translate("secure::Admission", t.text);
    }
    return QCoreApplication::translate("secure::Admission", "Il tavolo non ti ha fatto entrare.");
}

} // namespace secure
