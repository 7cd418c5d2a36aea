#include "mappingtext.h"

#include <QCoreApplication>

namespace portmap {

namespace {

QString protocolName(Protocol p)
{
    switch (p) {
    case Protocol::UpnpIgd1: return QStringLiteral("UPnP");
    case Protocol::UpnpIgd2: return QStringLiteral("UPnP IGD 2");
    case Protocol::NatPmp: return QStringLiteral("NAT-PMP");
    case Protocol::None: break;
    }
    return QString();
}

/// "host:port", with an IPv6 host in brackets.
QString endpoint(const QString &host, quint16 port)
{
    const QString h = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']')
                                                      : host;
    return h + QLatin1Char(':') + QString::number(port);
}

const char *const kByHand = QT_TRANSLATE_NOOP(
    "portmap::MappingText",
    " Chi è fuori dalla rete locale potrà collegarsi solo se la porta viene aperta a mano "
    "sul router (inoltro della porta TCP %1 verso questo computer), oppure se a ospitare è "
    "un giocatore con un indirizzo raggiungibile.");

} // namespace

QString askingText(quint16 port)
{
    return QCoreApplication::translate("portmap::MappingText",
                                       "Richiesta al router di aprire la porta %1...")
        .arg(port);
}

QString disabledText()
{
    return QCoreApplication::translate("portmap::MappingText",
                                       "Apertura automatica delle porte sul router disattivata.");
}

QString describe(const Outcome &o)
{
    const QString port = QString::number(o.port);
    const QString byHand = QCoreApplication::translate("portmap::MappingText", kByHand).arg(port);
    switch (o.result) {
    case Result::Mapped:
        if (o.externalPort != 0 && o.externalPort != o.port)
            return QCoreApplication::translate(
                       "portmap::MappingText",
                       "La porta %1 del router è già usata da un'altra macchina: il "
                       "router ha aperto al suo posto la porta %2. Gli altri possono "
                       "collegarsi a %3")
                .arg(port)
                .arg(o.externalPort)
                .arg(endpoint(o.externalAddress, o.externalPort));
        return QCoreApplication::translate(
                   "portmap::MappingText",
                   "Porta %1 aperta sul router: gli altri possono collegarsi a %2")
            .arg(port, endpoint(o.externalAddress, o.port));
    case Result::Removed:
        return QCoreApplication::translate("portmap::MappingText", "Porta %1 chiusa sul router.")
            .arg(port);
    case Result::NoGateway:
        return QCoreApplication::translate(
                   "portmap::MappingText",
                   "Nessun router ha risposto alla richiesta di aprire la porta %1 "
                   "(UPnP e NAT-PMP).")
                   .arg(port) +
               byHand;
    case Result::Refused: {
        QString why = o.reason.isEmpty() ? QCoreApplication::translate("portmap::MappingText",
                                                                       "nessun motivo indicato")
                                         : o.reason;
        if (o.code != 0)
            why += QCoreApplication::translate("portmap::MappingText", ", codice %1").arg(o.code);
        return QCoreApplication::translate(
                   "portmap::MappingText",
                   "Il router ha rifiutato di aprire la porta %1 (%2: %3). "
                   "Forse la funzione %2 è disattivata nelle sue impostazioni.")
                   .arg(port,
                        protocolName(o.protocol).isEmpty() ? QStringLiteral("UPnP")
                                                           : protocolName(o.protocol),
                        why) +
               byHand;
    }
    case Result::Conflict:
        return QCoreApplication::translate(
                   "portmap::MappingText",
                   "La porta %1 del router è già inoltrata a un'altra macchina%2: "
                   "scegliere un'altra porta con \"Porta\" e ospitare di nuovo.")
            .arg(port,
                 o.otherClient.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(o.otherClient));
    case Result::WrongClient:
        return QCoreApplication::translate(
                   "portmap::MappingText",
                   "Il router dice di aver aperto la porta %1, ma la inoltra a un "
                   "altro indirizzo (%2), non a questo computer (%3): gli altri non "
                   "arriveranno qui.")
                   .arg(port, o.otherClient, o.internalClient) +
               byHand;
    case Result::NotForwarded:
        return QCoreApplication::translate(
                   "portmap::MappingText",
                   "Il router dice di aver aperto la porta %1, ma non la inoltra "
                   "davvero.")
                   .arg(port) +
               byHand;
    case Result::BadAnswer:
        if (o.unanswered)
            return QCoreApplication::translate(
                       "portmap::MappingText",
                       "Il router non ha risposto in tempo alla richiesta di aprire "
                       "la porta %1 (o ha interrotto la connessione): forse è "
                       "molto occupato.")
                       .arg(port) +
                   byHand;
        return QCoreApplication::translate(
                   "portmap::MappingText",
                   "Il router ha dato una risposta incomprensibile o incompleta alla "
                   "richiesta di aprire la porta %1.")
                   .arg(port) +
               byHand;
    case Result::PrivateExternal:
        return QCoreApplication::translate(
                   "portmap::MappingText",
                   "L'indirizzo esterno del router (%1) è a sua volta privato: "
                   "davanti a questo router ce n'è un altro, e aprire la porta %2 "
                   "solo qui non basta. Può aiutare: aprire la porta anche sul router "
                   "esterno (o mettere il primo in modalità bridge), collegarsi via "
                   "IPv6, oppure far ospitare un giocatore con un indirizzo pubblico.")
            .arg(o.externalAddress, port);
    case Result::SharedExternal:
        return QCoreApplication::translate(
                   "portmap::MappingText",
                   "L'indirizzo esterno del router (%1) è condiviso con altri clienti "
                   "del fornitore di rete (NAT del provider, 100.64.0.0/10): aprire "
                   "la porta %2 sul router non può servire. Può aiutare: chiedere al "
                   "fornitore un indirizzo IPv4 pubblico, collegarsi via IPv6 se la "
                   "rete lo offre, oppure far ospitare un giocatore con un indirizzo "
                   "pubblico.")
            .arg(o.externalAddress, port);
    case Result::NotRemoved: {
        // Said as it is: a forwarding left open is one the user may want to close.
        QString why = o.unanswered ? QCoreApplication::translate("portmap::MappingText", "non ha risposto")
                                   : o.reason.isEmpty()
                                         ? QCoreApplication::translate("portmap::MappingText", "ha rifiutato")
                                         : QCoreApplication::translate("portmap::MappingText", "ha rifiutato: %1")
                                               .arg(o.reason);
        if (o.code != 0)
            why += QCoreApplication::translate("portmap::MappingText", ", codice %1").arg(o.code);
        return QCoreApplication::translate("portmap::MappingText", "Il router non ha chiuso la porta %1 (%2): "
                                                      "può restare aperta finché non la si chiude "
                                                      "dalle impostazioni del router.")
            .arg(port, why);
    }
    }
    return QString();
}

QString brief(const Outcome &o)
{
    // At the narrow size the status box holds about 17 characters a line:
    // the router's answer in a few words, and where the rest is to be read.
    const QString port = QString::number(o.port);
    QString what;
    switch (o.result) {
    case Result::Mapped:
        if (o.externalPort != 0 && o.externalPort != o.port)
            return QCoreApplication::translate("portmap::MappingText",
                                               "Il router ha aperto la porta %1 invece della %2: %3")
                .arg(o.externalPort)
                .arg(port, endpoint(o.externalAddress, o.externalPort));
        return QCoreApplication::translate("portmap::MappingText", "Porta %1 aperta sul router: %2")
            .arg(port, endpoint(o.externalAddress, o.port));
    case Result::Removed:
        return describe(o);
    case Result::Conflict:
        what = QCoreApplication::translate("portmap::MappingText",
                                           "La porta %1 del router va a un'altra macchina.");
        break;
    case Result::NoGateway:
        what = QCoreApplication::translate("portmap::MappingText",
                                           "Nessun router ha risposto per la porta %1.");
        break;
    case Result::Refused:
        what = QCoreApplication::translate("portmap::MappingText",
                                           "Il router ha rifiutato la porta %1.");
        break;
    case Result::WrongClient:
        what = QCoreApplication::translate("portmap::MappingText",
                                           "Il router manda la porta %1 a un altro computer.");
        break;
    case Result::NotForwarded:
        what = QCoreApplication::translate("portmap::MappingText",
                                           "Il router non inoltra davvero la porta %1.");
        break;
    case Result::BadAnswer:
        what = o.unanswered ? QCoreApplication::translate(
                                  "portmap::MappingText", "Il router non ha risposto per la porta %1.")
                            : QCoreApplication::translate(
                                  "portmap::MappingText",
                                  "Il router ha risposto senza senso per la porta %1.");
        break;
    case Result::PrivateExternal:
        what = QCoreApplication::translate("portmap::MappingText",
                                           "Un altro router è davanti: la porta %1 resta chiusa.");
        break;
    case Result::SharedExternal:
        what = QCoreApplication::translate("portmap::MappingText",
                                           "Indirizzo esterno condiviso: la porta %1 è inutile.");
        break;
    }
    // The advice is long: the status box points to the window that has it.
    return what.arg(port) + QLatin1Char(' ') +
           QCoreApplication::translate("portmap::MappingText", "Vedi \"Raggiungibilità\".");
}

} // namespace portmap
