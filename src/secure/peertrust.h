#pragma once

#include "fingerprint.h"
#include "truststore.h"

#include <QString>

#include <optional>

namespace secure
{

/**
 * @brief The client's judgement of the certificate a host presented, before
 * a single line of the talk is written.
 *
 * With a fingerprint from the invitation only that one is taken. Without
 * one, the host is trusted on first use: remembered, and a different one
 * later is reported and taken only if the player agrees.
 */
class PeerTrust
{
public:
    enum class Verdict {
        Pinned,    ///< the invitation's fingerprint: go on
        Known,     ///< the one met before: go on
        FirstTime, ///< never met: remember it and go on
        Changed,   ///< not the one met before: ask the player
        Mismatch,  ///< not the invitation's: refuse, write nothing
    };

    static Verdict judge(const Fingerprint &presented, const std::optional<Fingerprint> &pinned,
                         TrustStore::Meeting meeting);
    static bool goesOn(Verdict verdict) { return verdict != Verdict::Changed && verdict != Verdict::Mismatch; }

    /// The Italian message for a refused certificate at @p where ("host:port").
    static QString mismatchText(const QString &where);
    /// The Italian question for a changed certificate.
    static QString changedQuestion(const QString &where, const Fingerprint &before, const Fingerprint &now);
};

} // namespace secure
