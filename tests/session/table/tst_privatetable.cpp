// The private table end to end: a real host and real clients over TLS on
// 127.0.0.1, with programs between them as someone on the way would put there.

#include "sessiontestkit.h"

#include "participantlist.h"
#include "tablesecurity.h"
#include "tlssettings.h"
#include "truststore.h"
#include "trafficlog.h"

#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace testkit;
using secure::Access;

namespace
{

/// Sits between a client and the host: passes the bytes on and keeps what
/// went from the client towards the host. With an identity it ends the
/// client's TLS itself (a man in the middle) and keeps what it decrypted.
struct Between : QTcpServer
{
    Between(quint16 hostPort, const secure::Identity::Loaded *impostor) : m_hostPort(hostPort), m_impostor(impostor)
    {
        listen(QHostAddress::LocalHost);
    }
    QByteArray seen;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *in = new QSslSocket(this);
        auto *out = new QSslSocket(this);
        in->setSocketDescriptor(descriptor);
        connect(in, &QSslSocket::readyRead, this, [this, in, out] {
            const QByteArray bytes = in->readAll();
            seen += bytes;
            out->write(bytes);
        });
        connect(out, &QSslSocket::readyRead, this, [in, out] { in->write(out->readAll()); });
        out->connectToHost(QHostAddress::LocalHost, m_hostPort);
        if (m_impostor) { // what the client would say reaches nobody: the host would refuse it anyway
            in->setSslConfiguration(secure::TlsSettings::server(m_impostor->certificate, m_impostor->key));
            in->startServerEncryption();
        }
    }

private:
    quint16 m_hostPort;
    const secure::Identity::Loaded *m_impostor;
};

/// Connects @p peer to @p port and waits for the message it is shown (the connection is refused).
QString refusedAt(Peer &peer, quint16 port)
{
    peer->setPort(port);
    peer->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    return QTest::qWaitFor([&] { return !peer.messages.shown.isEmpty(); }, 5000) ? peer.messages.shown.first().text
                                                                                 : QString();
}

} // namespace

class tst_PrivateTable : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void door_data();
    void door();
    void basicPeerOnTheLocalNetwork();
    void nobodyOnTheWayReadsOrPassesAsTheHost_data();
    void nobodyOnTheWayReadsOrPassesAsTheHost();
    void typedAddress_data();
    void typedAddress();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<secure::TableSecurity> m_table;
    std::unique_ptr<Peer> m_host;
    quint16 m_port = 0;
};

void tst_PrivateTable::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_table = std::make_unique<secure::TableSecurity>(m_dir->filePath(QStringLiteral("oste")));
    QString error;
    QVERIFY2(m_table->open(&error), qPrintable(error));
    m_table->admission().setAccess(Access::Invited);
    m_host = std::make_unique<Peer>(QStringLiteral("Oste"));
    m_host->chat->setTableSecurity(m_table.get());
    m_host->chat->setTransferFingerprint(m_table->fingerprint());
    m_port = m_host->host();
    QVERIFY(m_port != 0);
}

void tst_PrivateTable::door_data()
{
    QTest::addColumn<bool>("invited");
    QTest::newRow("invited") << true;
    QTest::newRow("no invitation") << false;
}

void tst_PrivateTable::door()
{
    QFETCH(bool, invited);
    Peer ada(QStringLiteral("Ada"));
    ada->setInvitation(m_table->fingerprint(), invited ? std::optional(m_table->admission().key()) : std::nullopt);
    const auto adasPrint = secure::Fingerprint::fromHex(QString(64, u'a')).value();
    ada->setTransferFingerprint(adasPrint);
    if (!invited) {
        QVERIFY(refusedAt(ada, m_port).contains(QLatin1String("riservato agli invitati")));
        // Nothing of the table reached it: no list, no board, no lines.
        for (qsizetype i = 0; i < ada->receivedLog()->size(); ++i)
            QVERIFY2(!ada->receivedLog()->at(i).contains(QLatin1String("[Nuovo Nome in Lista]")) &&
                         !ada->receivedLog()->at(i).contains(QLatin1String("[Linea]")),
                     qPrintable(ada->receivedLog()->at(i)));
        QCOMPARE(m_host->people()->count(), 1);
        return;
    }
    QVERIFY(ada.join(m_port));
    QVERIFY(ada->isEncrypted());
    QCOMPARE(ada->hostFingerprint(), m_table->fingerprint());
    QVERIFY(!m_host->chat->isPlainPeer(m_host->people()->tagAt(1)));
    QTRY_VERIFY(!ada->seatPass().isNull());
    QCOMPARE(ada->tableAccess(), Access::Invited);
    // Each learns, through the host, what the other's transfer port shows.
    QCOMPARE(m_host->chat->transferFingerprint(QStringLiteral("Ada")), adasPrint);
    QTRY_COMPARE(ada->transferFingerprint(QStringLiteral("Oste")), m_table->fingerprint());
}

void tst_PrivateTable::basicPeerOnTheLocalNetwork()
{
    m_table->admission().setAccess(Access::LanOpen);
    {
        // A TLS player first, so the basic one takes its place in the table.
        Peer ada(QStringLiteral("Ada"));
        ada->setInvitation(m_table->fingerprint(), std::nullopt);
        QVERIFY(ada.join(m_port));
    }
    QTRY_COMPARE(m_host->people()->count(), 1);
    RawClient brom; // the basic protocol, in plain text, from the local network
    QVERIFY(brom.joinAs(m_port, QStringLiteral("Brom")));
    QTRY_COMPARE(m_host->people()->count(), 2);
    QCOMPARE(m_host->people()->tagAt(1), 1); // the element the TLS player left
    QVERIFY(m_host->chat->isPlainPeer(1));
}

void tst_PrivateTable::nobodyOnTheWayReadsOrPassesAsTheHost_data()
{
    QTest::addColumn<bool>("impostor");
    QTest::newRow("a recorder on the way") << false;
    QTest::newRow("a man in the middle with its own certificate") << true;
}

void tst_PrivateTable::nobodyOnTheWayReadsOrPassesAsTheHost()
{
    QFETCH(bool, impostor);
    const auto other = secure::Identity::loadOrCreate(m_dir->filePath(QStringLiteral("altro")));
    Between between(m_port, impostor ? &other : nullptr);
    Peer ada(QStringLiteral("Ada"));
    ada->setInvitation(m_table->fingerprint(), m_table->admission().key());
    if (impostor) {
        QVERIFY(refusedAt(ada, between.serverPort()).contains(QLatin1String("diversa da quella scritta nell'invito")));
        QTest::qWait(200);
        QVERIFY2(between.seen.isEmpty(), between.seen.constData()); // not one line of ours
        return;
    }
    QVERIFY(ada.join(between.serverPort()));
    ada->SendToServer(QStringLiteral("[Messaggio]Ada: la parola d'ordine del drago"));
    QTRY_VERIFY(m_host->conversation.dialog.join(u'\n').contains(QLatin1String("del drago")));
    for (const char *clear : {"[Connessione]", "[Messaggio]", "drago", "[Tavernix Accesso]"})
        QVERIFY2(!between.seen.contains(clear), clear);
}

void tst_PrivateTable::typedAddress_data()
{
    QTest::addColumn<bool>("basicHost");  // the host follows the basic protocol, in plain text
    QTest::addColumn<char>("remembered"); // the fingerprint's fill the trust store holds; 0 none
    QTest::addColumn<bool>("pinned");     // the invitation's fingerprint is given
    QTest::addColumn<int>("outcome");     // 1 joined encrypted, 0 joined in plain text, -1 refused
    QTest::newRow("first meeting") << false << char(0) << false << 1;
    QTest::newRow("identity changed since, the player says no") << false << 'e' << false << -1;
    QTest::newRow("a basic host, typed address") << true << char(0) << false << 0;
    QTest::newRow("a basic host, but the invitation has a fingerprint") << true << char(0) << true << -1;
}

void tst_PrivateTable::typedAddress()
{
    QFETCH(bool, basicHost);
    QFETCH(char, remembered);
    QFETCH(bool, pinned);
    QFETCH(int, outcome);
    Peer basic(QStringLiteral("Vecchio"));
    const quint16 port = basicHost ? basic.host() : m_port;
    m_table->admission().setAccess(Access::LanOpen);
    secure::TrustStore store(m_dir->filePath(QStringLiteral("conosciuti")));
    if (remembered)
        store.remember(QStringLiteral("127.0.0.1"), port, secure::Fingerprint::fromHex(QString(64, remembered)).value());
    Peer ada(QStringLiteral("Ada"));
    ada->setTrustStore(&store);
    if (pinned)
        ada->setInvitation(m_table->fingerprint(), std::nullopt);
    ada.messages.autoAnswer = false; // "connect anyway?": no
    QList<bool> encryption;
    connect(ada.chat.get(), &session::ChatSession::encryptionChanged, this, [&](bool e) { encryption << e; });
    if (outcome < 0) {
        QVERIFY(!refusedAt(ada, port).isEmpty());
        QVERIFY(encryption.isEmpty());
        QCOMPARE(ada.messages.asked.size(), remembered ? 1 : 0);
        QCOMPARE((basicHost ? basic : *m_host).people()->count(), 1); // not a line reached the host
        return;
    }
    QVERIFY(ada.join(port));
    QCOMPARE(encryption, QList<bool>{outcome == 1});
    if (outcome == 1) // remembered for the next time
        QCOMPARE(store.known(QStringLiteral("127.0.0.1"), port), m_table->fingerprint());
}

QTEST_MAIN(tst_PrivateTable)
#include "tst_privatetable.moc"
