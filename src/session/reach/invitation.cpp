#include "invitation.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QStringList>

namespace session {

namespace {

bool isDigits(const QString &s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

/// A dotted IPv4 address, four decimal bytes, nothing shorter or longer.
bool isIPv4(const QString &s)
{
    const QStringList parts = s.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &p : parts) {
        if (!isDigits(p) || p.size() > 3 || p.toInt() > 255)
            return false;
    }
    return true;
}

/// A host name as the resolver takes it: letters, digits and hyphens in
/// labels of 1-63 characters, 253 in all.
bool isHostName(const QString &s)
{
    if (s.isEmpty() || s.size() > 253)
        return false;
    const QStringList labels = s.split(QLatin1Char('.'));
    for (const QString &label : labels) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(QLatin1Char('-')) ||
            label.endsWith(QLatin1Char('-')))
            return false;
        for (QChar c : label) {
            const bool ok = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                            (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                            (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                            c == QLatin1Char('-');
            if (!ok)
                return false;
        }
    }
    // All digits and dots but not four bytes ("1.2.3", "999.1.1.1"): a
    // mistyped address, not a name.
    bool numeric = true;
    for (QChar c : s)
        numeric = numeric && (c.isDigit() || c == QLatin1Char('.'));
    return !numeric;
}

} // namespace

QString Invitation::format(const QString &host, quint16 port)
{
    const QString h = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']')
                                                      : host;
    return kScheme + QStringLiteral("://") + h + QLatin1Char(':') + QString::number(port);
}

bool Invitation::isLink(const QString &text)
{
    return text.trimmed().startsWith(kScheme + QLatin1Char(':'), Qt::CaseInsensitive);
}

QString Invitation::refusal(const QString &reason)
{
    return QCoreApplication::translate("session::Invitation", "Invito non valido: %1.").arg(reason);
}

std::optional<Invitation> Invitation::parse(const QString &text, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (text.size() > kMaxLength)
        return fail(
            QCoreApplication::translate("session::Invitation", "il collegamento è troppo lungo"));
    const QString prefix = kScheme + QStringLiteral("://");
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(prefix, Qt::CaseInsensitive))
        return fail(QCoreApplication::translate("session::Invitation", "non comincia con \"%1\"")
                        .arg(prefix));
    QString rest = trimmed.mid(prefix.size());
    // Browsers and chat programs like to add a slash at the end.
    if (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);

    Invitation result;
    QString portText;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0)
            return fail(QCoreApplication::translate("session::Invitation",
                                                    "manca la parentesi ] dopo l'indirizzo IPv6"));
        result.host = rest.mid(1, close - 1);
        const QHostAddress address(result.host);
        if (result.host.isEmpty() || result.host.contains(QLatin1Char('%')) ||
            address.protocol() != QAbstractSocket::IPv6Protocol)
            return fail(QCoreApplication::translate(
                "session::Invitation", "tra parentesi quadre non c'è un indirizzo IPv6"));
        result.host = address.toString();
        if (rest.mid(close + 1, 1) != QLatin1String(":"))
            return fail(QCoreApplication::translate(
                "session::Invitation", "manca la porta (\":numero\" dopo l'indirizzo)"));
        portText = rest.mid(close + 2);
    } else {
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        if (colon < 0)
            return fail(QCoreApplication::translate(
                "session::Invitation", "manca la porta (\":numero\" dopo l'indirizzo)"));
        result.host = rest.left(colon);
        portText = rest.mid(colon + 1);
        if (result.host.isEmpty())
            return fail(QCoreApplication::translate("session::Invitation", "manca l'indirizzo"));
        if (result.host.contains(QLatin1Char(':')))
            return fail(QCoreApplication::translate(
                "session::Invitation", "un indirizzo IPv6 va scritto tra parentesi quadre"));
        if (!isIPv4(result.host) && !isHostName(result.host))
            return fail(QStringLiteral("\"%1\" non è un indirizzo né un nome di computer")
                            .arg(result.host.left(64)));
    }
    if (!isDigits(portText) || portText.size() > 5 || portText.toInt() < 1 ||
        portText.toInt() > 65535)
        return fail(QCoreApplication::translate("session::Invitation",
                                                "la porta deve essere un numero da 1 a 65535"));
    result.port = quint16(portText.toInt());
    return result;
}

} // namespace session
