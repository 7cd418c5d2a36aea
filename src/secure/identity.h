#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

namespace secure
{

/**
 * @brief The host's identity: one self-signed certificate and its private
 * key, kept together in one file readable only by the user.
 *
 * Players remember it (or receive it in the invitation), so it is made once
 * and kept for years: it never expires, and it is never replaced behind the
 * user's back. Only where no file exists is a new identity made; a file that
 * is there but cannot be used (unreadable, cut short, someone else's, open to
 * other users, a link or anything but a regular file) stops hosting with a
 * message that says what to do.
 */
class Identity
{
public:
    /// The file's name inside the data or state folder.
    inline static const QString kFileName = QStringLiteral("identita.pem");
    /// A certificate and a key take about 1.5 KB; anything much larger is not ours.
    static constexpr qint64 kMaxFileBytes = 64 * 1024;

    /// What loading gave: an identity, or the reason there is none.
    struct Loaded
    {
        bool ok = false;
        bool created = false; ///< made by this call, as none existed
        QSslCertificate certificate;
        QSslKey key;
        QString error; ///< Italian, for the user; empty when ok
    };

    /**
     * @brief Reads the identity kept in @p folder, or makes one when the
     * folder holds none. The folder is created (private to the user) when
     * missing.
     */
    static Loaded loadOrCreate(const QString &folder);
};

} // namespace secure
