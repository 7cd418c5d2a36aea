#include "secureinvite.h"

#include "invitation.h"

#include <QCoreApplication>
#include <QStringList>

namespace session
{

namespace
{
const QString kFingerprintParam = QStringLiteral("fp");
const QString kKeyParam = QStringLiteral("k");
} // namespace

QString SecureInvite::format(const QString &host, quint16 port, const secure::Fingerprint &fingerprint, const secure::TableKey &key)
{
    QString link = Invitation::format(host, port) + QStringLiteral("/?") + kFingerprintParam +
                   QLatin1Char('=') + fingerprint.toLinkText();
    if (!key.isNull())
        link += QLatin1Char('&') + kKeyParam + QLatin1Char('=') + key.toLinkText();
    return link;
}

std::optional<SecureInvite> SecureInvite::parse(const QString &text, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QString trimmed = text.trimmed();
    if (trimmed.size() > Invitation::kMaxLength)
        return fail(QCoreApplication::translate("session::SecureInvite", "il collegamento è troppo lungo"));
    const qsizetype question = trimmed.indexOf(QLatin1Char('?'));
    const QString base = question < 0 ? trimmed : trimmed.left(question);
    const auto address = Invitation::parse(base, error);
    if (!address)
        return std::nullopt;
    SecureInvite invite;
    invite.host = address->host;
    invite.port = address->port;
    if (question < 0)
        return invite;

    const QStringList params = trimmed.mid(question + 1).split(QLatin1Char('&'));
    for (const QString &param : params) {
        const QString name = param.section(QLatin1Char('='), 0, 0);
        const QString value = param.section(QLatin1Char('='), 1);
        if (name == kFingerprintParam) {
            if (invite.fingerprint)
                return fail(QCoreApplication::translate("session::SecureInvite", "l'impronta è data due volte"));
            invite.fingerprint = secure::Fingerprint::fromLinkText(value);
            if (!invite.fingerprint)
                return fail(QCoreApplication::translate(
                    "session::SecureInvite",
                    "l'impronta del tavolo (fp=) è incompleta o alterata: dev'essere di 43 lettere, "
                    "cifre, - e _; copia di nuovo il collegamento intero"));
        } else if (name == kKeyParam) {
            if (invite.key)
                return fail(QCoreApplication::translate("session::SecureInvite", "la chiave è data due volte"));
            invite.key = secure::TableKey::fromLinkText(value);
            if (!invite.key)
                return fail(QCoreApplication::translate(
                    "session::SecureInvite",
                    "la chiave del tavolo (k=) è incompleta o alterata: dev'essere di 22 lettere, "
                    "cifre, - e _; copia di nuovo il collegamento intero"));
        } else if (!param.isEmpty()) {
            // A later version may add parameters; they are left alone.
            continue;
        }
    }
    if (invite.key && !invite.fingerprint)
        return fail(QCoreApplication::translate("session::SecureInvite",
                                                "la chiave (k=) manca dell'impronta (fp=) che la protegge"));
    return invite;
}

} // namespace session
