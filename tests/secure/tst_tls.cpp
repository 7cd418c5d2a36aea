#include "fingerprint.h"
#include "identity.h"
#include "peertrust.h"
#include "tlssettings.h"

#include <QSignalSpy>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace secure;

namespace
{

/// A listener that tells TLS from the basic protocol by the first byte, as
/// a host does, and keeps what each peer sent once it is readable.
class SortingServer : public QTcpServer
{
public:
    explicit SortingServer(const Identity::Loaded &id) : m_config(TlsSettings::server(id.certificate, id.key)) {}
    QByteArray received;
    bool sawTls = false;
    bool sawPlain = false;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *s = new QSslSocket(this);
        s->setSocketDescriptor(descriptor);
        s->setSslConfiguration(m_config);
        connect(s, &QSslSocket::readyRead, this, [this, s] {
            if (!s->isEncrypted() && !sawTls && !sawPlain) {
                char first = 0;
                if (s->peek(&first, 1) != 1)
                    return;
                if (TlsSettings::startsLikeTls(QByteArray(1, first))) {
                    sawTls = true;
                    s->startServerEncryption();
                    return;
                }
                sawPlain = true;
            }
            received += s->readAll();
        });
    }

private:
    QSslConfiguration m_config;
};

} // namespace

class TestTls : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pinned_data();
    void pinned();
    void plainPeerOnTheSamePort();

private:
    QTemporaryDir m_dir;
    Identity::Loaded m_host;
};

void TestTls::initTestCase()
{
    if (!TlsSettings::available())
        QFAIL("no TLS 1.3 here: Qt's OpenSSL backend is missing");
    m_host = Identity::loadOrCreate(m_dir.filePath(QStringLiteral("host")));
    QVERIFY2(m_host.ok, qPrintable(m_host.error));
}

void TestTls::pinned_data()
{
    QTest::addColumn<bool>("rightPin");
    QTest::newRow("the invitation's fingerprint") << true;
    QTest::newRow("another fingerprint") << false;
}

void TestTls::pinned()
{
    QFETCH(bool, rightPin);
    SortingServer server(m_host);
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const Identity::Loaded other = Identity::loadOrCreate(m_dir.filePath(QStringLiteral("altro")));
    const Fingerprint pin = Fingerprint::of(rightPin ? m_host.certificate : other.certificate);

    QSslSocket client;
    client.setSslConfiguration(TlsSettings::client());
    QSignalSpy encrypted(&client, &QSslSocket::encrypted);
    PeerTrust::Verdict verdict = PeerTrust::Verdict::Mismatch;
    QSsl::SslProtocol protocol = QSsl::UnknownProtocol;
    connect(&client, &QSslSocket::encrypted, this, [&] {
        protocol = client.sessionProtocol();
        verdict = PeerTrust::judge(Fingerprint::of(client.peerCertificate()), pin, TrustStore::Meeting::FirstTime);
        if (PeerTrust::goesOn(verdict))
            client.write("[Connessione]Ada\r\n");
        else
            client.abort();
    });
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.serverPort());
    QVERIFY(encrypted.wait(5000));
    QCOMPARE(protocol, QSsl::TlsV1_3);
    QCOMPARE(verdict, rightPin ? PeerTrust::Verdict::Pinned : PeerTrust::Verdict::Mismatch);
    if (rightPin) {
        QTRY_COMPARE(server.received, QByteArray("[Connessione]Ada\r\n"));
    } else {
        QCOMPARE(client.state(), QAbstractSocket::UnconnectedState);
        QTest::qWait(300);
        QVERIFY(server.received.isEmpty());
    }
    QVERIFY(server.sawTls);
}

void TestTls::plainPeerOnTheSamePort()
{
    SortingServer server(m_host);
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket basic;
    basic.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(basic.waitForConnected(5000));
    basic.write("[Connessione]Brom\r\n");
    QTRY_COMPARE(server.received, QByteArray("[Connessione]Brom\r\n"));
    QVERIFY(server.sawPlain && !server.sawTls);
}

QTEST_GUILESS_MAIN(TestTls)
#include "tst_tls.moc"
