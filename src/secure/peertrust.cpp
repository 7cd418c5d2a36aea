#include "peertrust.h"

#include <QCoreApplication>

namespace secure
{

PeerTrust::Verdict PeerTrust::judge(const Fingerprint &presented, const std::optional<Fingerprint> &pinned,
                                    TrustStore::Meeting meeting)
{
    if (presented.isNull())
        return Verdict::Mismatch;
    if (pinned)
        return *pinned == presented ? Verdict::Pinned : Verdict::Mismatch;
    switch (meeting) {
    case TrustStore::Meeting::Known:
        return Verdict::Known;
    case TrustStore::Meeting::Changed:
        return Verdict::Changed;
    case TrustStore::Meeting::FirstTime:
        break;
    }
    return Verdict::FirstTime;
}

QString PeerTrust::mismatchText(const QString &where)
{
    return QCoreApplication::translate(
               "secure::PeerTrust",
               "Il tavolo a %1 si è presentato con un'identità diversa da quella scritta nell'invito. "
               "Può darsi che qualcuno fra te e il tavolo stia cercando di leggere o alterare la partita, "
               "oppure che l'invito sia vecchio o copiato male. La connessione è stata chiusa senza "
               "inviare nulla: chiedi a chi ospita un invito nuovo.")
        .arg(where);
}

QString PeerTrust::changedQuestion(const QString &where, const Fingerprint &before, const Fingerprint &now)
{
    return QCoreApplication::translate(
               "secure::PeerTrust",
               "Il tavolo a %1 si presenta con un'identità diversa dall'ultima volta.\n\nPrima: %2\nOra: %3\n\n"
               "Può essere una nuova installazione di chi ospita, oppure qualcuno che si mette in mezzo per "
               "leggere la partita. Se chi ospita non ti ha detto di aver cambiato identità, non collegarti e "
               "chiedigli un invito.\n\nCollegarsi comunque e ricordare la nuova identità?")
        .arg(where, before.toDisplayText(), now.toDisplayText());
}

} // namespace secure
