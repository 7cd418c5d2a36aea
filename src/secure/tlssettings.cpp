#include "tlssettings.h"

#include <QSslSocket>

namespace secure
{

bool TlsSettings::startsLikeTls(const QByteArray &firstBytes)
{
    return !firstBytes.isEmpty() && firstBytes.at(0) == kHandshakeRecord;
}

QSslConfiguration TlsSettings::server(const QSslCertificate &certificate, const QSslKey &key)
{
    QSslConfiguration c = QSslConfiguration::defaultConfiguration();
    c.setProtocol(QSsl::TlsV1_3OrLater);
    c.setLocalCertificate(certificate);
    c.setPrivateKey(key);
    // Players have no certificates: who they are is settled by admission.
    c.setPeerVerifyMode(QSslSocket::VerifyNone);
    return c;
}

QSslConfiguration TlsSettings::client()
{
    QSslConfiguration c = QSslConfiguration::defaultConfiguration();
    c.setProtocol(QSsl::TlsV1_3OrLater);
    // A host's certificate is its own, signed by nobody: authorities cannot
    // vouch for it, its fingerprint does.
    c.setPeerVerifyMode(QSslSocket::QueryPeer);
    c.setCaCertificates({});
    return c;
}

bool TlsSettings::available()
{
    return QSslSocket::supportsSsl() && QSslSocket::isProtocolSupported(QSsl::TlsV1_3OrLater);
}

} // namespace secure
