#pragma once

#include "fingerprint.h"

#include <QHash>
#include <QString>

#include <optional>

namespace secure
{

/**
 * @brief The hosts a player has met: the fingerprint first seen at each
 * address and port, kept in a file of the data folder, so that a changed
 * certificate is noticed the next time.
 */
class TrustStore
{
public:
    inline static const QString kFileName = QStringLiteral("tavoli-conosciuti.txt");
    static constexpr int kMaxEntries = 5000;
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    /// How a presented fingerprint compares with what was met before.
    enum class Meeting {
        FirstTime, ///< nothing known for this address and port
        Known,     ///< the same as before
        Changed,   ///< a different one: another machine, a new installation, or someone in between
    };

    explicit TrustStore(QString path);

    /// Reads the file; a missing one is empty. False with error() when it is unusable.
    bool load();
    QString error() const { return m_error; }

    std::optional<Fingerprint> known(const QString &host, quint16 port) const;
    Meeting compare(const QString &host, quint16 port, const Fingerprint &presented) const;
    /// Remembers @p fingerprint for @p host and @p port (replacing an older one) and writes the file.
    bool remember(const QString &host, quint16 port, const Fingerprint &fingerprint);

private:
    static QString keyOf(const QString &host, quint16 port);
    bool save();
    QString m_path;
    QHash<QString, Fingerprint> m_known;
    QStringList m_order; ///< keys, oldest first, to drop the oldest when full
    QString m_error;
    bool m_writable = true;
};

} // namespace secure
