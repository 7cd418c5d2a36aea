#include "addressclass.h"
#include "fakegateway.h"
#include "portmapper.h"

#include <QElapsedTimer>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

using namespace portmap;

namespace {

std::unique_ptr<PortMapper> mapperFor(const QByteArray &url, int lease = 3600)
{
    PortMapper::Options o;
    o.gateway.natpmp = false;
    o.gateway.descriptionUrl = url;
    o.leaseSeconds = lease;
    return std::make_unique<PortMapper>(o);
}

/// A NAT-PMP gateway on 127.0.0.1:5351 that answers with what a test gives it.
class FakeNatPmp : public QObject
{
public:
    std::function<QByteArray(const QByteArray &request)> answer;
    int requests = 0;
    bool listen() { return m_socket.bind(QHostAddress::LocalHost, 5351); }
    FakeNatPmp()
    {
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
            while (m_socket.hasPendingDatagrams()) {
                QHostAddress from;
                quint16 port = 0;
                QByteArray d(int(m_socket.pendingDatagramSize()), 0);
                m_socket.readDatagram(d.data(), d.size(), &from, &port);
                ++requests;
                const QByteArray a = answer(d);
                if (!a.isEmpty())
                    m_socket.writeDatagram(a, from, port);
            }
        });
    }

private:
    QUdpSocket m_socket;
};

QByteArray be16(int v) { return QByteArray(1, char(v >> 8)) + char(v & 0xff); }
QByteArray be32(quint32 v) { return be16(int(v >> 16)) + be16(int(v & 0xffff)); }

/// The answer a NAT-PMP gateway gives to @p request, with result @p code,
/// outside address @p outside and, to a mapping request, outside port
/// @p publicPort (0: the port asked for).
QByteArray natAnswer(const QByteArray &request, int code, quint32 outside, int publicPort)
{
    const int op = quint8(request.at(1));
    QByteArray a = QByteArray(1, 0) + char(128 + op) + be16(code) + be32(1000);
    if (op == 0)
        return a + be32(outside);
    const int privatePort = (quint8(request.at(4)) << 8) | quint8(request.at(5));
    return a + be16(privatePort) + be16(publicPort ? publicPort : privatePort) +
           request.mid(8, 4);
}

} // namespace

class TestPortMapper : public QObject
{
    Q_OBJECT
private slots:
    void addressClasses_data();
    void addressClasses();
    void upnpAnswers_data();
    void upnpAnswers();
    void renewsBeforeTheLeaseEnds();
    void anotherPortReplacesTheOldForwarding();
    void slowGatewayBlocksNeitherCallerNorClose();
    void switchedOffSendsNothing();
    void stopDuringRenewalStillRemoves();
    void natpmpAnswers_data();
    void natpmpAnswers();
};

void TestPortMapper::addressClasses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("expected");
    const int pub = int(AddressClass::Public), priv = int(AddressClass::Private),
              shared = int(AddressClass::Shared), bad = int(AddressClass::Unusable);
    QTest::newRow("public") << "203.0.113.5" << pub;
    QTest::newRow("10/8") << "10.255.0.1" << priv;
    QTest::newRow("172.16/12 last") << "172.31.255.255" << priv;
    QTest::newRow("172.32 is public") << "172.32.0.1" << pub;
    QTest::newRow("192.168/16") << "192.168.1.1" << priv;
    QTest::newRow("shared first") << "100.64.0.0" << shared;
    QTest::newRow("shared last") << "100.127.255.255" << shared;
    QTest::newRow("after shared") << "100.128.0.1" << pub;
    QTest::newRow("unspecified") << "0.0.0.0" << bad;
    QTest::newRow("loopback") << "127.0.0.1" << bad;
    QTest::newRow("link-local") << "169.254.3.4" << bad;
    QTest::newRow("multicast") << "239.255.255.250" << bad;
    QTest::newRow("broadcast") << "255.255.255.255" << bad;
    QTest::newRow("three parts") << "1.2.3" << bad;
    QTest::newRow("five parts") << "1.2.3.4.5" << bad;
    QTest::newRow("byte over 255") << "1.2.3.256" << bad;
    QTest::newRow("sign") << "1.2.+3.4" << bad;
    QTest::newRow("empty") << "" << bad;
    QTest::newRow("ipv6") << "2001:db8::1" << bad;
}

void TestPortMapper::addressClasses()
{
    QFETCH(QString, address);
    QFETCH(int, expected);
    QCOMPARE(int(classifyIPv4(address)), expected);
}

void TestPortMapper::upnpAnswers_data()
{
    QTest::addColumn<QString>("outside");
    QTest::addColumn<int>("addError");
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("adds");
    QTest::addColumn<int>("garbage"); // 1: the description, 2: every action's answer
    const QString pub = QStringLiteral("203.0.113.5");
    const int ours = int(FakeGateway::Entry::Ours);
    QTest::newRow("mapped v1") << pub << 0 << ours << 1 << int(Result::Mapped)
                               << "Porta 2600 aperta sul router: gli altri possono collegarsi a "
                                  "203.0.113.5:2600" << 1 << 0;
    QTest::newRow("mapped v2") << pub << 0 << ours << 2 << int(Result::Mapped)
                               << "collegarsi a 203.0.113.5:2600" << 1 << 0;
    QTest::newRow("refused") << pub << 606 << ours << 1 << int(Result::Refused)
                             << "rifiutato di aprire la porta 2600 (UPnP: " << 1 << 0;
    QTest::newRow("conflict on add") << pub << 718 << ours << 1 << int(Result::Conflict)
                                     << "già inoltrata a un'altra macchina (192.168.1.99)" << 1 << 0;
    QTest::newRow("taken before") << pub << 0 << int(FakeGateway::Entry::OtherBefore) << 1
                                  << int(Result::Conflict) << "(192.168.1.99)" << 0 << 0;
    QTest::newRow("maps another address")
        << pub << 0 << int(FakeGateway::Entry::Other) << 1 << int(Result::WrongClient)
        << "la inoltra a un altro indirizzo (192.168.1.99), non a questo computer (127.0.0.1)" << 1 << 0;
    QTest::newRow("says yes, maps nothing") << pub << 0 << int(FakeGateway::Entry::None) << 1
                                            << int(Result::NotForwarded)
                                            << "ma non la inoltra davvero" << 1 << 0;
    QTest::newRow("provider NAT") << "100.72.1.2" << 0 << ours << 1 << int(Result::SharedExternal)
                                  << "(100.72.1.2) è condiviso" << 0 << 0;
    QTest::newRow("double NAT") << "192.168.0.2" << 0 << ours << 1
                                << int(Result::PrivateExternal) << "è a sua volta privato" << 0 << 0;
    QTest::newRow("no outside address") << "0.0.0.0" << 0 << ours << 1 << int(Result::Refused)
                                        << "no external address" << 0 << 0;
    QTest::newRow("garbage outside address") << "hello" << 0 << ours << 1
                                             << int(Result::Refused) << "rifiutato" << 0 << 0;
    QTest::newRow("garbage description") << pub << 0 << ours << 1 << int(Result::BadAnswer)
                                         << "risposta incomprensibile" << 0 << 1;
    QTest::newRow("garbage answers") << pub << 0 << ours << 1 << int(Result::BadAnswer)
                                     << "risposta incomprensibile" << 0 << 2;
}

// Each answer of a gateway becomes the right outcome and an honest text;
// what the mapper made is removed again at unmap().
void TestPortMapper::upnpAnswers()
{
    QFETCH(QString, outside);
    QFETCH(int, addError);
    QFETCH(int, entry);
    QFETCH(int, version);
    QFETCH(int, result);
    QFETCH(QString, message);
    QFETCH(int, adds);
    QFETCH(int, garbage);
    FakeGateway gw;
    gw.garbageDescription = garbage == 1;
    gw.garbageSoap = garbage == 2;
    gw.externalAddress = outside;
    gw.addError = addError;
    gw.entry = FakeGateway::Entry(entry);
    gw.version = version;
    auto mapper = mapperFor(gw.url());
    QSignalSpy messages(mapper.get(), &PortMapper::messageChanged);
    mapper->map(2600, QStringLiteral("Tavernix"));
    QCOMPARE(mapper->state(), PortMapper::State::Asking);
    QTRY_VERIFY_WITH_TIMEOUT(mapper->state() == PortMapper::State::Mapped ||
                                 mapper->state() == PortMapper::State::Failed,
                             10000);
    QCOMPARE(int(mapper->outcome().result), int(result));
    QVERIFY2(mapper->message().contains(message), qPrintable(mapper->message()));
    QVERIFY(!messages.isEmpty());
    QCOMPARE(gw.count(QStringLiteral("AddPortMapping")), adds);
    if (result == int(Result::Mapped)) {
        QCOMPARE(int(mapper->outcome().protocol),
                 int(version == 2 ? Protocol::UpnpIgd2 : Protocol::UpnpIgd1));
        mapper->unmap();
        QTRY_COMPARE(gw.count(QStringLiteral("DeletePortMapping")), 1);
        QTRY_VERIFY(mapper->message().contains(QLatin1String("Porta 2600 chiusa sul router.")));
    } else {
        // Nothing was made, so nothing is removed, not even someone else's.
        mapper.reset();
        QCOMPARE(gw.count(QStringLiteral("DeletePortMapping")), 0);
    }
}

void TestPortMapper::renewsBeforeTheLeaseEnds()
{
    FakeGateway gw;
    gw.addErrorOnce = 725; // an old gateway: permanent leases only, at first
    auto mapper = mapperFor(gw.url(), 2);
    mapper->map(2600, QStringLiteral("Tavernix"));
    QTRY_COMPARE(mapper->state(), PortMapper::State::Mapped);
    // Asked with a lease, then again without one when the gateway wants that.
    QCOMPARE(gw.lastLease, QStringLiteral("0"));
    QCOMPARE(gw.count(QStringLiteral("AddPortMapping")), 2);

    FakeGateway gw2;
    auto renewing = mapperFor(gw2.url(), 2);
    QSignalSpy renewed(renewing.get(), &PortMapper::renewed);
    renewing->map(2600, QStringLiteral("Tavernix"));
    QCOMPARE(gw2.lastLease, QString());
    QTRY_COMPARE(renewing->state(), PortMapper::State::Mapped);
    QCOMPARE(gw2.lastLease, QStringLiteral("2"));
    QTRY_VERIFY_WITH_TIMEOUT(renewed.count() >= 2, 8000);
    QVERIFY(gw2.count(QStringLiteral("AddPortMapping")) >= 3);
    QCOMPARE(renewing->state(), PortMapper::State::Mapped);
    // The first gateway granted no lease: nothing to renew there.
    QCOMPARE(gw.count(QStringLiteral("AddPortMapping")), 2);
}

void TestPortMapper::anotherPortReplacesTheOldForwarding()
{
    FakeGateway gw;
    auto mapper = mapperFor(gw.url());
    mapper->map(2600, QStringLiteral("Tavernix"));
    QTRY_COMPARE(mapper->state(), PortMapper::State::Mapped);
    mapper->map(2700, QStringLiteral("Tavernix"));
    QTRY_VERIFY(mapper->state() == PortMapper::State::Mapped && mapper->port() == 2700 &&
                mapper->message().contains(QLatin1String("203.0.113.5:2700")));
    // The old port was given back before the new one was asked for.
    const QStringList tail = gw.actions.mid(gw.actions.lastIndexOf(QStringLiteral("DeletePortMapping")));
    QCOMPARE(gw.count(QStringLiteral("DeletePortMapping")), 1);
    QVERIFY(tail.contains(QStringLiteral("AddPortMapping")));
}

void TestPortMapper::slowGatewayBlocksNeitherCallerNorClose()
{
    FakeGateway gw;
    gw.delayMs = 10000;
    auto mapper = mapperFor(gw.url());
    auto patient = mapperFor(gw.url());
    mapper->setCloseTimeout(300);
    QElapsedTimer clock;
    clock.start();
    mapper->map(2600, QStringLiteral("Tavernix"));
    patient->map(2601, QStringLiteral("Tavernix"));
    QVERIFY(clock.elapsed() < 200);
    // This thread keeps turning while the gateway sits on its answer.
    qint64 worstGap = 0, last = clock.elapsed();
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] {
        worstGap = qMax(worstGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(20);
    QTRY_VERIFY_WITH_TIMEOUT(gw.count(QStringLiteral("GetExternalIPAddress")) == 2, 5000);
    QTest::qWait(1500);
    QVERIFY2(worstGap < 1000, QByteArray::number(worstGap));
    QCOMPARE(mapper->state(), PortMapper::State::Asking);
    // Closing while the worker waits on the gateway ends within its bound.
    clock.restart();
    mapper.reset();
    QVERIFY2(clock.elapsed() < 1500, QByteArray::number(clock.elapsed()));
    // The one left waiting ends with an outcome and says it, whichever it is.
    QTRY_VERIFY_WITH_TIMEOUT(patient->state() != PortMapper::State::Asking, 30000);
    QVERIFY(patient->state() == PortMapper::State::Failed ||
            patient->state() == PortMapper::State::Mapped);
    // A router too slow to answer is not called one that talks nonsense.
    if (patient->state() == PortMapper::State::Failed)
        QVERIFY2(patient->message().contains(QLatin1String("non ha risposto in tempo")),
                 qPrintable(patient->message()));
    else
        QVERIFY(!patient->message().isEmpty());
}

void TestPortMapper::switchedOffSendsNothing()
{
    FakeGateway gw;
    auto mapper = mapperFor(gw.url());
    mapper->setEnabled(false);
    mapper->map(2600, QStringLiteral("Tavernix"));
    QCOMPARE(mapper->state(), PortMapper::State::Off);
    QTest::qWait(1000);
    QVERIFY(gw.actions.isEmpty());
    // Switched on, the port asked for while off is mapped.
    mapper->setEnabled(true);
    QTRY_COMPARE(mapper->state(), PortMapper::State::Mapped);
    // Off again removes it.
    mapper->setEnabled(false);
    QTRY_COMPARE(gw.count(QStringLiteral("DeletePortMapping")), 1);
    QCOMPARE(mapper->message(), QStringLiteral("Apertura automatica delle porte sul router disattivata."));
}

// A stop that lands while a renewal waits on the gateway still removes the
// forwarding (one that is never removed stays on the router for good); a
// removal the gateway refuses is said to be one.
void TestPortMapper::stopDuringRenewalStillRemoves()
{
    FakeGateway gw;
    auto mapper = mapperFor(gw.url(), 2);
    mapper->map(2600, QStringLiteral("Tavernix"));
    QTRY_COMPARE(mapper->state(), PortMapper::State::Mapped);
    const int asked = gw.count(QStringLiteral("GetExternalIPAddress"));
    gw.delayMs = 800;
    // The renewal comes at half the lease and waits on the slow gateway.
    QTRY_VERIFY_WITH_TIMEOUT(gw.count(QStringLiteral("GetExternalIPAddress")) > asked, 4000);
    mapper->stop();
    QTRY_COMPARE_WITH_TIMEOUT(gw.count(QStringLiteral("DeletePortMapping")), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(mapper->waitStopped(0), 5000);

    FakeGateway refusing;
    refusing.deleteError = 501;
    auto kept = mapperFor(refusing.url());
    kept->setCloseTimeout(100); // its close would be refused too
    kept->map(2601, QStringLiteral("Tavernix"));
    QTRY_COMPARE(kept->state(), PortMapper::State::Mapped);
    kept->unmap();
    QTRY_VERIFY(kept->message().contains(QLatin1String("non ha chiuso la porta 2601")));
    QVERIFY2(kept->message().contains(QLatin1String("501")), qPrintable(kept->message()));
}

void TestPortMapper::natpmpAnswers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("mapped") << 0 << int(Result::Mapped) << "collegarsi a 198.18.0.7:2600";
    QTest::newRow("other outside port") << 1 << int(Result::Mapped)
                                        << "già usata da un'altra macchina: il router ha aperto "
                                           "al suo posto la porta 2601. Gli altri possono "
                                           "collegarsi a 198.18.0.7:2601";
    QTest::newRow("refused") << 2 << int(Result::Refused) << "(NAT-PMP: Not Authorized/Refused, codice 2)";
    QTest::newRow("provider NAT") << 3 << int(Result::SharedExternal) << "100.64.9.9";
    QTest::newRow("garbage") << 4 << int(Result::BadAnswer) << "incomprensibile";
    QTest::newRow("short answer") << 5 << int(Result::BadAnswer) << "incomprensibile";
    QTest::newRow("silent") << 6 << int(Result::NoGateway) << "Nessun router ha risposto";
}

void TestPortMapper::natpmpAnswers()
{
    QFETCH(int, kind);
    QFETCH(int, result);
    QFETCH(QString, message);
    FakeNatPmp nat;
    if (!nat.listen())
        QSKIP("UDP port 5351 on 127.0.0.1 is taken");
    const quint32 outside = kind == 3 ? 0x64400909 : 0xC6120007;
    nat.answer = [kind, outside](const QByteArray &r) -> QByteArray {
        if (r.size() < 2)
            return {};
        switch (kind) {
        case 1: return natAnswer(r, 0, outside, quint8(r.at(1)) == 0 ? 0 : 2601);
        case 2: return natAnswer(r, quint8(r.at(1)) == 0 ? 0 : 2, outside, 0);
        case 4: return QByteArray("\x00\x82garbage!!!!!!!", 15);
        case 5: return quint8(r.at(1)) == 0 ? natAnswer(r, 0, outside, 0) : QByteArray("\x00\x82", 2);
        case 6: return {};
        default: return natAnswer(r, 0, outside, 0);
        }
    };
    PortMapper::Options o;
    o.gateway.upnp = false;
    o.gateway.natpmpGateway = "127.0.0.1";
    o.gateway.natpmpMs = 600;
    PortMapper mapper(o);
    mapper.map(2600, QStringLiteral("Tavernix"));
    QTRY_VERIFY_WITH_TIMEOUT(mapper.state() == PortMapper::State::Mapped ||
                                 mapper.state() == PortMapper::State::Failed,
                             8000);
    QCOMPARE(int(mapper.outcome().result), result);
    QVERIFY2(mapper.message().contains(message), qPrintable(mapper.message()));
    if (result == int(Result::Mapped)) {
        const int before = nat.requests;
        mapper.unmap();
        QTRY_VERIFY(nat.requests > before); // the lifetime-0 request that removes it
    }
}

QTEST_MAIN(TestPortMapper)
#include "tst_portmapper.moc"
