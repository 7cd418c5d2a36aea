#include "transfertestkit.h"

#include "identity.h"

#include <QSslSocket>

using namespace transferkit;
using transfer::FileReceiver;
using transfer::FileSender;
using secure::Access;

class tst_SecureTransfer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void gate_data();
    void gate();
    void handshakeThatNeverEnds();

private:
    QTemporaryDir m_dir;
    secure::Identity::Loaded m_receiver;
    secure::Identity::Loaded m_stranger;
};

void tst_SecureTransfer::initTestCase()
{
    m_receiver = secure::Identity::loadOrCreate(m_dir.filePath(QStringLiteral("r")));
    m_stranger = secure::Identity::loadOrCreate(m_dir.filePath(QStringLiteral("s")));
    QVERIFY(m_receiver.ok && m_stranger.ok);
}

void tst_SecureTransfer::gate_data()
{
    QTest::addColumn<Access>("access");
    QTest::addColumn<int>("pin");  // 0 none (plain), 1 the receiver's, 2 the receiver's but another answers
    QTest::addColumn<int>("pass"); // 0 none, 1 the table's, 2 another
    QTest::addColumn<bool>("arrives");
    QTest::addColumn<bool>("encrypted");
    QTest::newRow("seated, encrypted") << Access::Invited << 1 << 1 << true << true;
    QTest::newRow("stranger with TLS, no pass") << Access::Invited << 1 << 0 << false << false;
    QTest::newRow("plain, invited table") << Access::Invited << 0 << 0 << false << false;
    QTest::newRow("plain, open table") << Access::Anyone << 0 << 0 << true << false;
    QTest::newRow("plain, lan-open from loopback") << Access::LanOpen << 0 << 0 << true << false;
    QTest::newRow("someone in between") << Access::Invited << 2 << 1 << false << false;
}

void tst_SecureTransfer::gate()
{
    QFETCH(Access, access);
    QFETCH(int, pin);
    QFETCH(int, pass);
    QFETCH(bool, arrives);
    QFETCH(bool, encrypted);
    const secure::TableKey tablePass = secure::TableKey::generate();
    Receiver r;
    // pin 2: a man in the middle answers with its own certificate.
    r->setIdentity(pin == 2 ? m_stranger.certificate : m_receiver.certificate, pin == 2 ? m_stranger.key : m_receiver.key);
    r->setGate(access, tablePass);
    r->setAcceptRequests(false); // every request would be a question: a stranger must never cause one
    Sender s;
    s->setProtection(pin ? std::optional(secure::Fingerprint::of(m_receiver.certificate)) : std::nullopt,
                     pass == 1 ? tablePass : pass == 2 ? secure::TableKey::generate() : secure::TableKey());
    s.connectTo(r.port());
    if (!arrives) {
        QVERIFY(spin([&] { return s->state() == FileSender::State::NotConnected; }, 8000));
        QVERIFY(r.waitListening());
        QCOMPARE(r.messages.asked.size(), 0);
        return;
    }
    QVERIFY(spin([&] { return r.messages.asked.size() == 1; }, 8000));
    QCOMPARE(r->isEncrypted(), encrypted);
    QCOMPARE(s->isEncrypted(), encrypted);
    QVERIFY(r.messages.reply(true));
    QVERIFY(s.waitState(FileSender::State::Accepted));
    const QString path = m_dir.filePath(QStringLiteral("mappa.bin"));
    makeFile(path, 3 * 1024 * 1024);
    QVERIFY(s->offer(path, 2048));
    QVERIFY(s.waitEnded() && r.waitListening());
    QCOMPARE(contents(r.file(QStringLiteral("mappa.bin"))), contents(path));
}

void tst_SecureTransfer::handshakeThatNeverEnds()
{
    Receiver r;
    r->setIdentity(m_receiver.certificate, m_receiver.key);
    r->setProofTimeout(500);
    RawPeer stalling;
    QVERIFY(stalling.connectTo(r.port()));
    stalling.send(QByteArray("\x16\x03\x01\x02\x00", 5)); // a ClientHello that stops after its header
    QVERIFY(spin([&] { return r->state() == FileReceiver::State::Sorting; }));
    QVERIFY(stalling.waitClosed(3000));
    QVERIFY(r.waitListening());
    QVERIFY(stalling.received.isEmpty());
}

QTEST_GUILESS_MAIN(tst_SecureTransfer)
#include "tst_securetransfer.moc"
