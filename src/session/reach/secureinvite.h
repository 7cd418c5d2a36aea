#pragma once

#include "fingerprint.h"
#include "tablekey.h"

#include <QString>

#include <optional>

namespace session
{

/**
 * @brief An invitation that carries trust: "tavernix://ADDRESS:PORT/?fp=F&k=K",
 * F the host certificate's fingerprint and K the table key, both in the
 * short link form (43 and 22 characters).
 *
 * The plain "tavernix://ADDRESS:PORT" stays valid: it carries neither, and
 * the program then trusts the host on first use.
 */
struct SecureInvite
{
    QString host;
    quint16 port = 0;
    std::optional<secure::Fingerprint> fingerprint;
    std::optional<secure::TableKey> key;

    static QString format(const QString &host, quint16 port, const secure::Fingerprint &fingerprint,
                          const secure::TableKey &key);
    /**
     * @brief Reads @p text as a link; nullopt with @p error (Italian) set when
     * it is malformed, including a fingerprint or key that is not exactly
     * what this program writes, a parameter given twice, or a key without
     * the fingerprint that would protect it.
     */
    static std::optional<SecureInvite> parse(const QString &text, QString *error = nullptr);
};

} // namespace session
