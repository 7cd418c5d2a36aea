#pragma once

#include "fingerprint.h"

#include <QObject>
#include <QString>

#include <optional>

class QSslSocket;
class QTimer;

namespace secure
{

class TrustStore;

/**
 * @brief The client's way in: opens the connection to a host and hands it
 * over only once the host has been judged, so no line of the talk is ever
 * written to a host that is not the one meant.
 *
 * Tavernix hosts are reached with TLS. With a fingerprint from the
 * invitation only that certificate is taken, and there is no plain-text
 * fallback. Without one, the host is trusted on first use (TrustStore); a
 * changed certificate is put to the player. Only a host never met and not
 * named by an invitation, which does not answer the TLS greeting, is then
 * reached in plain text, as a program of the basic protocol is: opened()
 * says so, for the window to say the connection is not encrypted.
 */
class Connector : public QObject
{
    Q_OBJECT
public:
    /// A host that has not answered the TLS greeting by then does not speak TLS.
    static constexpr int kHandshakeWaitMs = 3000;

    explicit Connector(TrustStore *store, QObject *parent = nullptr);
    ~Connector() override;

    void open(const QString &host, quint16 port, const std::optional<Fingerprint> &pin);
    /// Plain text only, as the basic protocol: for a program that keeps no trust at all.
    void openPlain(const QString &host, quint16 port);
    /// Hosts met before are remembered there (none: every host is met for the first time).
    void setTrustStore(TrustStore *store) { m_store = store; }
    /// True from open() until opened() or failed().
    bool isBusy() const { return m_socket != nullptr; }
    /// The player's answer to certificateChanged().
    void answerChange(bool goOn);
    void abort();

    /// What the host presented (null in plain text or before the handshake).
    Fingerprint presented() const { return m_presented; }
    void setHandshakeWait(int ms) { m_handshakeWaitMs = ms; }

signals:
    /// The connection may be used; @p socket is the caller's from now on.
    void opened(QSslSocket *socket, bool encrypted);
    /**
     * @brief No connection. @p message is empty when the host could not be
     * reached at all (the caller's usual failure), else it says why the
     * host was not trusted (Italian, for a message box).
     */
    void failed(const QString &message);
    /// The host's certificate is not the one met before: ask, then answerChange().
    void certificateChanged(const QString &question);

private:
    void start(bool tls);
    void onEncrypted();
    void onGone();
    void onHandshakeTimeout();
    void handOver(bool encrypted);
    void fail(const QString &message);
    QString where() const;

    TrustStore *m_store;
    QSslSocket *m_socket = nullptr;
    QTimer *m_handshake;
    QString m_host;
    quint16 m_port = 0;
    std::optional<Fingerprint> m_pin;
    Fingerprint m_presented;
    bool m_tls = false;
    bool m_reached = false; ///< the TCP connection stood before the handshake ended
    bool m_awaitingAnswer = false;
    int m_handshakeWaitMs = kHandshakeWaitMs;
};

} // namespace secure
