#pragma once

#include <QByteArray>
#include <QSslConfiguration>

namespace secure
{

class Fingerprint;

/**
 * @brief How Tavernix programs speak TLS to each other: TLS 1.3 only, the
 * host presenting its own self-signed certificate, the client judging the
 * certificate by its fingerprint (PeerTrust) rather than by authorities.
 */
class TlsSettings
{
public:
    /// The first byte of every TLS connection (a handshake record). The basic
    /// protocol's first line begins with '[', so one byte tells them apart.
    static constexpr char kHandshakeRecord = 0x16;

    /// True when @p firstBytes (at least one byte) open a TLS handshake.
    static bool startsLikeTls(const QByteArray &firstBytes);

    /// What a host's chat or transfer listener uses for an accepted TLS peer.
    static QSslConfiguration server(const QSslCertificate &certificate, const QSslKey &key);
    /// What a client uses: the handshake completes whatever the certificate,
    /// and nothing is written until PeerTrust has accepted it.
    static QSslConfiguration client();
    /// True when TLS 1.3 can be spoken here at all (Qt's OpenSSL backend loaded).
    static bool available();
};

} // namespace secure
