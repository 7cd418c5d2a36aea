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
        if (!m_impostor) {
            out->connectToHost(QHostAddress::LocalHost, m_hostPort);
            return;
        }
        in->setSslConfiguration(secure::TlsSettings::server(m_impostor->certificate, m_impostor->key));
        in->startServerEncryption();
        out->setSslConfiguration(secure::TlsSettings::client());
        out->connectToHostEncrypted(QStringLiteral("127.0.0.1"), m_hostPort);
    }

private:
    quint16 m_hostPort;
    const secure::Identity::Loaded *m_impostor;
};

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
    m_port = m_host->host();
    QVERIFY(m_port != 0);
}

void tst_PrivateTable::door_data()
{
    QTest::addColumn<int>("key"); // 0 none, 1 the table's, 2 an old one
    QTest::addColumn<QString>("refusal");
    QTest::newRow("invited") << 1 << QString();
    QTest::newRow("no invitation") << 0 << "riservato agli invitati";
    QTest::newRow("an old invitation") << 2 << "non sono (più) validi";
}

void tst_PrivateTable::door()
{
    QFETCH(int, key);
    QFETCH(QString, refusal);
    const secure::TableKey old = m_table->admission().key();
    if (key == 2)
        QVERIFY(m_table->newInvitation(nullptr));
    Peer ada(QStringLiteral("Ada"));
    ada->setInvitation(m_table->fingerprint(), key ? std::optional(key == 1 ? m_table->admission().key() : old) : std::nullopt);
    if (refusal.isEmpty()) {
        QVERIFY(ada.join(m_port));
        QVERIFY(ada->isEncrypted());
        QCOMPARE(ada->hostFingerprint(), m_table->fingerprint());
        QTRY_VERIFY(!ada->seatPass().isNull());
        QCOMPARE(m_host->people()->count(), 2);
        QVERIFY(!m_host->chat->isPlainPeer(m_host->people()->tagAt(1)));
        return;
    }
    ada->setPort(m_port);
    ada->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    QTRY_COMPARE(ada.messages.shown.size(), 1);
    QVERIFY2(ada.messages.shown.at(0).text.contains(refusal), qPrintable(ada.messages.shown.at(0).text));
    // Nothing of the table reached it: no list, no board, no lines.
    for (qsizetype i = 0; i < ada->receivedLog()->size(); ++i) {
        const QString entry = ada->receivedLog()->at(i);
        QVERIFY2(!entry.contains(QLatin1String("[Nuovo Nome in Lista]")) && !entry.contains(QLatin1String("[Linea]")),
                 qPrintable(entry));
    }
    QCOMPARE(m_host->people()->count(), 1);
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
    QVERIFY(m_host->chat->isPlainPeer(m_host->people()->tagAt(1)));
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
        ada->setPort(between.serverPort());
        ada->cmdConnect_Click(QStringLiteral("127.0.0.1"));
        QTRY_COMPARE(ada.messages.shown.size(), 1);
        QVERIFY(ada.messages.shown.at(0).text.contains(QLatin1String("diversa da quella scritta nell'invito")));
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
    QTest::addColumn<QString>("host"); // "tavernix", "changed" (met before with another identity), "basic"
    QTest::addColumn<bool>("pinned");  // the invitation's fingerprint is given
    QTest::addColumn<int>("outcome");  // 1 joined encrypted, 0 joined in plain text, -1 refused
    QTest::newRow("first meeting") << "tavernix" << false << 1;
    QTest::newRow("identity changed since, the player says no") << "changed" << false << -1;
    QTest::newRow("a basic host, typed address") << "basic" << false << 0;
    QTest::newRow("a basic host, but the invitation has a fingerprint") << "basic" << true << -1;
}

void tst_PrivateTable::typedAddress()
{
    QFETCH(QString, host);
    QFETCH(bool, pinned);
    QFETCH(int, outcome);
    m_table->admission().setAccess(Access::LanOpen);
    Peer basic(QStringLiteral("Vecchio"));
    const quint16 port = host == QLatin1String("basic") ? basic.host() : m_port;
    secure::TrustStore store(m_dir->filePath(QStringLiteral("conosciuti")));
    if (host == QLatin1String("changed"))
        store.remember(QStringLiteral("127.0.0.1"), port, secure::Fingerprint::fromHex(QString(64, u'e')).value());
    Peer ada(QStringLiteral("Ada"));
    ada->setTrustStore(&store);
    if (pinned)
        ada->setInvitation(m_table->fingerprint(), std::nullopt);
    ada.messages.autoAnswer = false; // "connect anyway?": no
    QList<bool> encryption;
    connect(ada.chat.get(), &session::ChatSession::encryptionChanged, this, [&](bool e) { encryption << e; });
    if (outcome >= 0) {
        QVERIFY(ada.join(port));
        QCOMPARE(encryption, QList<bool>{outcome == 1});
        if (outcome == 1) // remembered for the next time
            QCOMPARE(store.known(QStringLiteral("127.0.0.1"), port), m_table->fingerprint());
        return;
    }
    ada->setPort(port);
    ada->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    QTRY_VERIFY(!ada.messages.shown.isEmpty());
    QVERIFY(encryption.isEmpty());
    QCOMPARE(ada.messages.asked.size(), host == QLatin1String("changed") ? 1 : 0);
    QCOMPARE(m_host->people()->count(), 1);
    if (host == QLatin1String("basic"))
        QCOMPARE(basic.people()->count(), 1); // not a line went to the basic host in clear
}

QTEST_MAIN(tst_PrivateTable)
#include "tst_privatetable.moc"
