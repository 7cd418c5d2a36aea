#include "fingerprint.h"
#include "identity.h"
#include "connector.h"
#include "truststore.h"
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

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *s = new QSslSocket(this);
        s->setSocketDescriptor(descriptor);
        s->setSslConfiguration(m_config);
        connect(s, &QSslSocket::readyRead, this, [this, s] {
            char first = 0;
            if (!s->isEncrypted() && !sawTls && s->peek(&first, 1) == 1 &&
                TlsSettings::startsLikeTls(QByteArray(1, first))) {
                sawTls = true;
                s->startServerEncryption();
                return;
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
    void connect_data();
    void connect();
    void changedIdentityIsPutToThePlayer();

private:
    QTemporaryDir m_dir;
    Identity::Loaded m_host;
    Identity::Loaded m_other;
};

void TestTls::initTestCase()
{
    if (!TlsSettings::available())
        QFAIL("no TLS 1.3 here: Qt's OpenSSL backend is missing");
    m_host = Identity::loadOrCreate(m_dir.filePath(QStringLiteral("host")));
    m_other = Identity::loadOrCreate(m_dir.filePath(QStringLiteral("altro")));
    QVERIFY2(m_host.ok && m_other.ok, qPrintable(m_host.error));
}

void TestTls::connect_data()
{
    QTest::addColumn<bool>("tavernixHost"); // false: a host of the basic protocol, no TLS
    QTest::addColumn<int>("pin");           // 0 none, 1 the host's, 2 another
    QTest::addColumn<int>("opened");        // -1 refused, 0 plain, 1 encrypted
    QTest::newRow("the invitation's fingerprint") << true << 1 << 1;
    QTest::newRow("another fingerprint") << true << 2 << -1;
    QTest::newRow("first meeting") << true << 0 << 1;
    QTest::newRow("basic host, typed address") << false << 0 << 0;
    QTest::newRow("basic host, invitation with fingerprint") << false << 1 << -1;
}

void TestTls::connect()
{
    QFETCH(bool, tavernixHost);
    QFETCH(int, pin);
    QFETCH(int, opened);
    SortingServer tavernix(m_host);
    QTcpServer basic;
    QByteArray basicGot;
    QObject::connect(&basic, &QTcpServer::newConnection, this, [&] {
        QTcpSocket *s = basic.nextPendingConnection();
        QObject::connect(s, &QTcpSocket::readyRead, this, [&basicGot, s] { basicGot += s->readAll(); });
    });
    QTcpServer &server = tavernixHost ? static_cast<QTcpServer &>(tavernix) : basic;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    TrustStore store(m_dir.filePath(QStringLiteral("conosciuti-%1").arg(QTest::currentDataTag())));
    Connector connector(&store);
    connector.setHandshakeWait(300);
    int got = -2;
    QString message;
    QObject::connect(&connector, &Connector::opened, this, [&](QSslSocket *s, bool encrypted) {
        got = encrypted ? 1 : 0;
        s->setParent(this);
        s->write("[Connessione]Ada\r\n");
    });
    QObject::connect(&connector, &Connector::failed, this, [&](const QString &m) {
        got = -1;
        message = m;
    });
    std::optional<Fingerprint> fp;
    if (pin)
        fp = Fingerprint::of(pin == 1 ? m_host.certificate : m_other.certificate);
    connector.open(QStringLiteral("127.0.0.1"), server.serverPort(), fp);
    QTRY_VERIFY(got != -2);
    QCOMPARE(got, opened);
    QTest::qWait(200);
    const QByteArray received = tavernixHost ? tavernix.received : basicGot;
    if (opened < 0) {
        QVERIFY(!message.isEmpty());
        QVERIFY(!received.contains("[Connessione]")); // not a line went out
        return;
    }
    QTRY_VERIFY(tavernixHost ? tavernix.received.endsWith("[Connessione]Ada\r\n")
                             : basicGot.endsWith("[Connessione]Ada\r\n"));
    QCOMPARE(store.known(QStringLiteral("127.0.0.1"), server.serverPort()).has_value(), tavernixHost);
}

void TestTls::changedIdentityIsPutToThePlayer()
{
    SortingServer impostor(m_other);
    QVERIFY(impostor.listen(QHostAddress::LocalHost));
    TrustStore store(m_dir.filePath(QStringLiteral("conosciuti-cambio")));
    store.remember(QStringLiteral("127.0.0.1"), impostor.serverPort(), Fingerprint::of(m_host.certificate));
    Connector connector(&store);
    QSignalSpy changed(&connector, &Connector::certificateChanged);
    QSignalSpy failed(&connector, &Connector::failed);
    int opened = 0;
    QObject::connect(&connector, &Connector::opened, this, [&opened] { ++opened; });
    connector.open(QStringLiteral("127.0.0.1"), impostor.serverPort(), std::nullopt);
    QVERIFY(changed.wait(5000));
    QVERIFY(changed.at(0).at(0).toString().contains(Fingerprint::of(m_other.certificate).toDisplayText()));
    connector.answerChange(false);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(opened, 0);
    QTest::qWait(200);
    QVERIFY(impostor.received.isEmpty());
    QCOMPARE(store.known(QStringLiteral("127.0.0.1"), impostor.serverPort()), Fingerprint::of(m_host.certificate));
}

QTEST_GUILESS_MAIN(TestTls)
#include "tst_tls.moc"
