#include "connector.h"

#include "peertrust.h"
#include "tlssettings.h"
#include "truststore.h"

#include <QSslSocket>
#include <QTimer>

namespace secure
{

Connector::Connector(TrustStore *store, QObject *parent)
    : QObject(parent), m_store(store), m_handshake(new QTimer(this))
{
    m_handshake->setSingleShot(true);
    connect(m_handshake, &QTimer::timeout, this, &Connector::onHandshakeTimeout);
}

Connector::~Connector()
{
    abort();
}

QString Connector::where() const
{
    return (m_host.contains(QLatin1Char(':')) ? QLatin1Char('[') + m_host + QLatin1Char(']') : m_host) +
           QLatin1Char(':') + QString::number(m_port);
}

void Connector::open(const QString &host, quint16 port, const std::optional<Fingerprint> &pin)
{
    abort();
    m_host = host;
    m_port = port;
    m_pin = pin;
    m_presented = {};
    start(TlsSettings::available());
}

void Connector::openPlain(const QString &host, quint16 port)
{
    abort();
    m_host = host;
    m_port = port;
    m_pin.reset();
    m_presented = {};
    start(false);
}

void Connector::start(bool tls)
{
    m_tls = tls;
    m_reached = false;
    m_socket = new QSslSocket(this);
    connect(m_socket, &QSslSocket::disconnected, this, &Connector::onGone);
    connect(m_socket, &QSslSocket::errorOccurred, this, &Connector::onGone);
    if (!tls) {
        connect(m_socket, &QSslSocket::connected, this, [this] { handOver(false); });
        m_socket->connectToHost(m_host, m_port);
        return;
    }
    connect(m_socket, &QSslSocket::encrypted, this, &Connector::onEncrypted);
    // The wait for the greeting's answer starts once the connection stands,
    // so a slow network is not taken for a host without TLS.
    connect(m_socket, &QSslSocket::connected, this, [this] {
        m_reached = true;
        m_handshake->start(m_handshakeWaitMs);
    });
    m_socket->setSslConfiguration(TlsSettings::client());
    m_socket->setPeerVerifyName(QString()); // the fingerprint vouches, not the name
    m_socket->connectToHostEncrypted(m_host, m_port);
}

void Connector::onEncrypted()
{
    m_handshake->stop();
    m_presented = Fingerprint::of(m_socket->peerCertificate());
    const TrustStore::Meeting meeting =
        m_store ? m_store->compare(m_host, m_port, m_presented) : TrustStore::Meeting::FirstTime;
    switch (PeerTrust::judge(m_presented, m_pin, meeting)) {
    case PeerTrust::Verdict::Mismatch:
        fail(PeerTrust::mismatchText(where()));
        return;
    case PeerTrust::Verdict::Changed:
        m_awaitingAnswer = true;
        emit certificateChanged(PeerTrust::changedQuestion(where(), *m_store->known(m_host, m_port), m_presented));
        return;
    case PeerTrust::Verdict::FirstTime:
    case PeerTrust::Verdict::Pinned:
        // An invitation's fingerprint is remembered too: a later connection
        // typed by hand then knows this host.
        if (m_store)
            m_store->remember(m_host, m_port, m_presented);
        break;
    case PeerTrust::Verdict::Known:
        break;
    }
    handOver(true);
}

void Connector::answerChange(bool goOn)
{
    if (!m_awaitingAnswer || !m_socket)
        return;
    m_awaitingAnswer = false;
    if (!goOn || m_socket->state() != QAbstractSocket::ConnectedState) {
        fail(goOn ? QString() : tr("Connessione annullata: l'identità del tavolo è cambiata."));
        return;
    }
    if (m_store)
        m_store->remember(m_host, m_port, m_presented);
    handOver(true);
}

void Connector::onHandshakeTimeout()
{
    if (!m_socket || m_socket->isEncrypted())
        return;
    // Silence after our greeting: a host of the basic protocol waits for a
    // line that never comes. Only a host we have no word on may be reached
    // in clear; one we know speaks TLS is being tampered with.
    if (m_pin || (m_store && m_store->known(m_host, m_port))) {
        fail(tr("Il tavolo a %1 non ha risposto alla richiesta di connessione cifrata, ma è un tavolo "
                "che la conosce: qualcuno in mezzo potrebbe impedirla. Non ci si collega in chiaro.")
                 .arg(where()));
        return;
    }
    QSslSocket *old = std::exchange(m_socket, nullptr);
    old->disconnect(this);
    old->abort();
    old->deleteLater();
    start(false);
}

void Connector::onGone()
{
    if (!m_socket)
        return;
    const bool stands = m_socket->state() == QAbstractSocket::ConnectedState;
    if (m_tls && m_reached && !m_socket->isEncrypted()) {
        // The greeting was answered with something that is not TLS, or the
        // host hung up on it: the same as silence.
        if (stands && m_socket->error() != QAbstractSocket::SslHandshakeFailedError)
            return;
        onHandshakeTimeout();
        return;
    }
    if (stands)
        return; // an error the connection survives
    fail(QString());
}

void Connector::handOver(bool encrypted)
{
    m_handshake->stop();
    QSslSocket *socket = std::exchange(m_socket, nullptr);
    socket->disconnect(this);
    socket->setParent(nullptr);
    emit opened(socket, encrypted);
}

void Connector::fail(const QString &message)
{
    m_handshake->stop();
    if (QSslSocket *socket = std::exchange(m_socket, nullptr)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    emit failed(message);
}

void Connector::abort()
{
    m_handshake->stop();
    m_awaitingAnswer = false;
    if (QSslSocket *socket = std::exchange(m_socket, nullptr)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

} // namespace secure
